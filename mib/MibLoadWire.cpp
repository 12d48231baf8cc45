#include "mib/MibLoadWire.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

std::string MibLoadRecord(char kind, uint64_t first, uint64_t second, std::string_view rest) {
    std::string record(1, kind);
    record.append(reinterpret_cast<const char*>(&first), sizeof first);
    record.append(reinterpret_cast<const char*>(&second), sizeof second);
    record += rest;
    return record;
}

namespace {

class Writer {
public:
    void Number(uint64_t value) {
        out_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void Text(std::string_view text) {
        Number(text.size());
        out_ += text;
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

// Reads what Writer wrote; once anything is missing every later read fails too.
class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}
    bool Number(uint64_t& value) {
        if (!ok_ || in_.size() < sizeof value) return ok_ = false;
        std::memcpy(&value, in_.data(), sizeof value);
        in_.remove_prefix(sizeof value);
        return true;
    }
    template <typename T>
    bool Small(T& value) {
        uint64_t wide = 0;
        if (!Number(wide)) return false;
        value = static_cast<T>(wide);
        return true;
    }
    bool Text(std::string& text) {
        uint64_t size = 0;
        if (!Number(size) || in_.size() < size) return ok_ = false;
        text.assign(in_.substr(0, size));
        in_.remove_prefix(size);
        return true;
    }
    // A count of items, each at least one number long, that the rest can hold.
    bool Count(uint64_t& count) {
        if (!Number(count)) return false;
        if (count > in_.size() / sizeof(uint64_t)) return ok_ = false;
        return true;
    }
    bool Done() const { return ok_ && in_.empty(); }

private:
    std::string_view in_;
    bool ok_ = true;
};

void PutNode(Writer& out, const MibIndex& index, std::span<const uint32_t> oid,
             const MibNode& node) {
    out.Number(oid.size());
    for (uint32_t subid : oid) out.Number(subid);
    out.Text(index.ModuleName(node));
    out.Text(node.name);
    out.Number(static_cast<uint64_t>(node.kind));
    out.Text(node.syntax);
    out.Text(node.units);
    out.Text(node.description);
    out.Number(node.enums.size());
    for (const MibNamedNumber& named : node.enums) {
        out.Number(static_cast<uint64_t>(named.value));
        out.Text(named.label);
    }
    out.Number(node.bits ? 1 : 0);
    out.Number(node.objects.size());
    for (const std::string& object : node.objects) out.Text(object);
}

bool GetNode(Reader& in, MibIndex& index) {
    uint64_t length = 0, count = 0, kind = 0, bits = 0;
    if (!in.Count(length)) return false;
    std::vector<uint32_t> oid(length);
    for (uint32_t& subid : oid)
        if (!in.Small(subid)) return false;
    std::string module;
    MibNode node;
    if (!in.Text(module) || !in.Text(node.name) || !in.Number(kind) || !in.Text(node.syntax) ||
        !in.Text(node.units) || !in.Text(node.description) || !in.Count(count))
        return false;
    if (kind > static_cast<uint64_t>(MibNodeKind::Capabilities)) return false;
    node.kind = static_cast<MibNodeKind>(kind);
    node.enums.resize(count);
    for (MibNamedNumber& named : node.enums)
        if (!in.Small(named.value) || !in.Text(named.label)) return false;
    if (!in.Number(bits) || !in.Count(count)) return false;
    node.bits = bits != 0;
    node.objects.resize(count);
    for (std::string& object : node.objects)
        if (!in.Text(object)) return false;
    index.Add(oid, module, std::move(node), false);
    return true;
}

}  // namespace

std::string EncodeMibLoadResult(const MibLoadResult& result) {
    Writer out;
    const MibIndex& index = *result.index;
    out.Number(index.NodeCount());
    index.ForEach([&](std::span<const uint32_t> oid, const MibNode& node) {
        PutNode(out, index, oid, node);
    });
    const MibLoadReport& report = result.report;
    out.Number(report.files.size());
    for (const MibFileResult& file : report.files) {
        out.Text(file.file);
        out.Text(file.folder);
        out.Text(file.module);
        out.Number(file.nodes);
        out.Number(file.failed ? 1 : 0);
        out.Number(file.messages.size());
        for (const MibMessage& message : file.messages) {
            out.Number(static_cast<uint64_t>(message.line));
            out.Number(static_cast<uint64_t>(message.severity));
            out.Text(message.text);
        }
    }
    out.Number(report.loaded);
    out.Number(report.failed);
    return out.Take();
}

std::optional<MibLoadResult> DecodeMibLoadResult(std::string_view octets) {
    Reader in(octets);
    auto index = std::make_shared<MibIndex>();
    uint64_t count = 0;
    if (!in.Count(count)) return std::nullopt;
    for (uint64_t i = 0; i < count; ++i)
        if (!GetNode(in, *index)) return std::nullopt;
    MibLoadResult result;
    MibLoadReport& report = result.report;
    if (!in.Count(count)) return std::nullopt;
    report.files.resize(count);
    for (MibFileResult& file : report.files) {
        uint64_t failed = 0, messages = 0;
        if (!in.Text(file.file) || !in.Text(file.folder) || !in.Text(file.module) ||
            !in.Small(file.nodes) || !in.Number(failed) || !in.Count(messages))
            return std::nullopt;
        file.failed = failed != 0;
        file.messages.resize(messages);
        for (MibMessage& message : file.messages)
            if (!in.Small(message.line) || !in.Small(message.severity) || !in.Text(message.text))
                return std::nullopt;
    }
    if (!in.Small(report.loaded) || !in.Small(report.failed) || !in.Done()) return std::nullopt;
    result.index = std::move(index);
    return result;
}

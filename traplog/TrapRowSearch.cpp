#include "traplog/TrapRowSearch.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/Encoding.h"
#include "traplog/ReadableText.h"

namespace {

constexpr int kVersionColumn = 4;

bool StartsCharacter(std::string_view cell, std::size_t offset) {
    // A lead byte that stepped over offset means offset is its trail byte.
    std::size_t i = 0;
    while (i < offset) i += IsCp932LeadByte(static_cast<unsigned char>(cell[i])) ? 2 : 1;
    return i == offset;
}

// The whole of texts is searched at once; a hit must then lie inside one cell and start a
// character there.
bool ContainsText(const TrapRow& row, std::string_view text) {
    const std::string_view texts = row.texts;
    std::size_t from = 0;
    while (from + text.size() <= texts.size()) {
        const void* hit =
            memmem(texts.data() + from, texts.size() - from, text.data(), text.size());
        if (hit == nullptr) return false;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - texts.data());
        std::size_t cellStart = 0;
        for (uint16_t length : row.lengths) {
            if (at < cellStart + length) {
                if (at + text.size() <= cellStart + length &&
                    StartsCharacter(texts.substr(cellStart, length), at - cellStart))
                    return true;
                break;
            }
            cellStart += length;
        }
        from = at + 1;
    }
    return false;
}

std::string HexForm(std::string_view octets) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(octets.size() * 3);
    for (char c : octets) {
        const auto octet = static_cast<unsigned char>(c);
        hex += kDigits[octet >> 4];
        hex += kDigits[octet & 0x0F];
        hex += ' ';
    }
    return hex;
}

// The hex of the text's octets is looked for in the bindings cell; only a value that holds
// it can hold the text, so only such a value is read as text. The hex holds no comma and
// its groups start with a digit, so a hit lies inside one value and starts an octet there.
bool ReadableBindingsContain(std::string_view bindings, const TrapRowQuery& query) {
    for (const std::string& hex : query.HexForms()) {
        if (hex.empty()) continue;
        std::size_t from = 0;
        while (from + hex.size() <= bindings.size()) {
            const void* hit =
                memmem(bindings.data() + from, bindings.size() - from, hex.data(), hex.size());
            if (hit == nullptr) break;
            const auto at =
                static_cast<std::size_t>(static_cast<const char*>(hit) - bindings.data());
            const std::size_t comma = bindings.rfind(',', at);
            const std::size_t start = comma == std::string_view::npos ? 0 : comma + 1;
            const std::size_t end = std::min(bindings.find(',', at), bindings.size());
            if (ReadableText(bindings.substr(start, end - start)).find(query.Utf8Text()) !=
                std::string::npos)
                return true;
            from = end;
        }
    }
    return false;
}

std::optional<long long> WholeNumber(std::string_view cell) {
    long long value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (cell.empty() || error != std::errc() || end != cell.data() + cell.size())
        return std::nullopt;
    return value;
}

}  // namespace

TrapRowQuery::TrapRowQuery(std::string text, int event, int version)
    : text_(std::move(text)), utf8_(Cp932ToUtf8(text_)), event_(event), version_(version) {
    if (text_.empty()) return;
    hex_[0] = HexForm(text_);
    if (utf8_ != text_) hex_[1] = HexForm(utf8_);
}

bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query,
                    const std::function<std::string_view(const TrapRow&)>& name) {
    if (query.Event() >= 0 && row.image != query.Event()) return false;
    if (query.Version() != 0 && WholeNumber(row.Cell(kVersionColumn)) != query.Version())
        return false;
    if (query.Text().empty() || ContainsText(row, query.Text())) return true;
    if (ReadableBindingsContain(row.Cell(kBindingsColumn), query)) return true;
    return name && name(row).find(query.Utf8Text()) != std::string_view::npos;
}

int CompareTrapCells(std::string_view a, std::string_view b) {
    const std::optional<long long> x = WholeNumber(a);
    const std::optional<long long> y = WholeNumber(b);
    if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
    if (x || y) return x ? -1 : 1;
    return a.compare(b);
}

#include "settings/IniFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/DurableReplace.h"

namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    const auto close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(text.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty() || key.front() == ';') return std::nullopt;
    return KeyLine{key, Trim(line.substr(equals + 1))};
}

}  // namespace

bool IniFile::Load(const std::string& path) {
    // Read with stdio: a stream would throw on a read error (a folder in the file's place).
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
    if (!in) return false;
    std::string content;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in.get())) > 0;)
        content.append(buffer, got);
    if (std::ferror(in.get())) return false;
    lines_.clear();
    std::size_t start = 0;
    while (start < content.size()) {
        auto end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

bool IniFile::Save(const std::string& path) const {
    // Written beside the file, made durable and renamed over it, so neither a failed write
    // nor a crash leaves a half-written settings file behind.
    const std::string temporary = path + ".new";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) return false;
    bool written = true;
    for (const std::string& line : lines_)
        written = written && std::fwrite(line.data(), 1, line.size(), out) == line.size() &&
                  std::fwrite("\r\n", 1, 2, out) == 2;
    if (!written) {
        std::fclose(out);
        std::remove(temporary.c_str());
        return false;
    }
    // The file holds the POP password: a file the user has closed to others stays closed.
    std::error_code error;
    const auto existing = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(existing))
        std::filesystem::permissions(temporary, existing.permissions(), error);
    return DurableReplace(out, temporary, path) == 0;
}

std::optional<IniFile::SectionSpan> IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (!name || !EqualNoCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end])) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::FindKey(const SectionSpan& span, std::string_view key) const {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto keyLine = SplitKeyLine(lines_[i]);
        if (keyLine && EqualNoCase(keyLine->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::GetString(std::string_view section,
                                              std::string_view key) const {
    const auto span = FindSection(section);
    if (!span) return std::nullopt;
    const auto index = FindKey(*span, key);
    if (!index) return std::nullopt;
    return std::string(SplitKeyLine(lines_[*index])->value);
}

int32_t IniFile::GetInt(std::string_view section, std::string_view key, int32_t fallback) const {
    const auto value = GetString(section, key);
    if (!value || value->empty()) return fallback;
    std::size_t pos = 0;
    bool negative = false;
    if ((*value)[pos] == '-' || (*value)[pos] == '+') negative = (*value)[pos++] == '-';
    // Accumulated modulo 2^32, as a 32-bit profile integer wraps.
    uint32_t number = 0;
    for (; pos < value->size() && (*value)[pos] >= '0' && (*value)[pos] <= '9'; ++pos)
        number = number * 10u + static_cast<uint32_t>((*value)[pos] - '0');
    return static_cast<int32_t>(negative ? 0u - number : number);
}

void IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    std::string line = std::string(key) + "=" + std::string(value);
    auto span = FindSection(section);
    if (!span) {
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    if (const auto index = FindKey(*span, key)) {
        lines_[*index] = std::move(line);
        return;
    }
    // After the section's last non-blank line, so blank lines between sections stay.
    std::size_t insertAt = span->end;
    while (insertAt > span->header + 1 && Trim(lines_[insertAt - 1]).empty()) --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniFile::SetInt(std::string_view section, std::string_view key, int32_t value) {
    SetString(section, key, std::to_string(value));
}

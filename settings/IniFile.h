#pragma once
// An INI file held as its lines, so that a rewrite keeps every section, key, comment and
// line this program does not know. Sections and keys match without regard to letter case;
// keys and values are read without the blanks around them. Values are CP932 bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    // Reads the file; lines may end in CR LF or a bare LF. False when it cannot be opened.
    [[nodiscard]] bool Load(const std::string& path);

    // Writes every line with CR LF. False when that failed (the old file is then untouched).
    [[nodiscard]] bool Save(const std::string& path) const;

    // The value of the first such key in the first such section.
    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;

    // The leading signed decimal number of the value, or fallback when the key is missing
    // or its value empty. A value without digits gives 0.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t fallback) const;

    // Rewrites the key in place, or appends it to its section, or appends the section.
    // A value is one line: it ends before the first CR or LF.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int32_t value);

private:
    struct SectionSpan {
        std::size_t header;  // index of the "[name]" line
        std::size_t end;     // one past its last line
    };
    std::optional<SectionSpan> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const SectionSpan& span, std::string_view key) const;

    std::vector<std::string> lines_;
};

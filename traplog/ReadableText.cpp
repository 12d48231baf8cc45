#include "traplog/ReadableText.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/Encoding.h"
#include "records/DBLib.h"
#include "traplog/TrapRowTexts.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The octets of a value written as "%02X " groups, as the decoder writes an octet string;
// nothing for any other text (a number, an address, a time or a name).
std::optional<std::string> ParseHex(std::string_view text) {
    if (text.empty() || text.size() % 3 != 0) return std::nullopt;
    std::string octets;
    octets.reserve(text.size() / 3);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0 || text[i + 2] != ' ') return std::nullopt;
        octets.push_back(static_cast<char>(high << 4 | low));
    }
    return octets;
}

bool IsControl(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
}

bool IsPrintableAscii(std::string_view octets) {
    for (char c : octets)
        if (static_cast<unsigned char>(c) >= 0x80 || IsControl(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Well-formed UTF-8 (RFC 3629: no overlong forms, no surrogates, nothing past U+10FFFF)
// without C0 or C1 controls.
bool IsPrintableUtf8(std::string_view octets) {
    for (std::size_t i = 0; i < octets.size();) {
        const auto c = static_cast<unsigned char>(octets[i]);
        if (c < 0x80) {
            if (IsControl(c)) return false;
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t code = 0;
        if (c >= 0xC2 && c <= 0xDF)
            extra = 1, code = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2, code = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3, code = c & 0x07;
        else
            return false;
        if (i + static_cast<std::size_t>(extra) >= octets.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(octets[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        const uint32_t smallest = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code < 0xA0)
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// Shift_JIS as Windows writes it (CP932): single bytes, half-width katakana and lead bytes
// followed by a trail byte; no controls.
bool IsPrintableCp932(std::string_view octets) {
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const auto c = static_cast<unsigned char>(octets[i]);
        if (IsCp932LeadByte(c)) {
            if (++i == octets.size()) return false;
            const auto trail = static_cast<unsigned char>(octets[i]);
            if (trail < 0x40 || trail == 0x7F || trail > 0xFC) return false;
        } else if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) {
            return false;
        } else if (IsControl(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ReadableText(std::string_view hexValue) {
    std::optional<std::string> octets = ParseHex(hexValue);
    if (!octets) return {};
    while (!octets->empty() && octets->back() == '\0') octets->pop_back();
    if (octets->empty()) return {};
    if (IsPrintableAscii(*octets) || IsPrintableUtf8(*octets)) return *octets;
    if (IsPrintableCp932(*octets)) return Cp932ToUtf8(*octets);
    return {};
}

std::string ReadableBindings(std::string_view bindingsCell) {
    std::string lines;
    std::vector<char> field(kBindingsLimit + 1);
    auto read = [&](int index) {
        field.assign(field.size(), '\0');
        // The buffer holds the whole cell; a missing field reads as empty and ends the list.
        static_cast<void>(
            DBLib::GetField(index, bindingsCell, std::span<char>(field.data(), field.size())));
        return std::string(field.data());
    };
    for (int index = 0;; index += 2) {
        const std::string name = read(index);
        if (name.empty()) break;
        const std::string text = ReadableText(read(index + 1));
        if (text.empty()) continue;
        if (!lines.empty()) lines += '\n';
        lines += Cp932ToUtf8(name) + ": " + text;
    }
    return lines;
}

std::string BindingsWithReadableText(std::string_view bindingsCell) {
    std::string out;
    // Fields alternate name, value; each ends at a comma. A field cut at the cell's end
    // is kept as it is.
    bool value = false;
    for (std::size_t start = 0; start < bindingsCell.size(); value = !value) {
        const std::size_t end = std::min(bindingsCell.find(',', start), bindingsCell.size());
        const std::string_view field = bindingsCell.substr(start, end - start);
        out += Cp932ToUtf8(field);
        if (value) {
            if (const std::string text = ReadableText(field); !text.empty())
                out += '"' + text + '"';
        }
        if (end == bindingsCell.size()) break;
        out += ',';
        start = end + 1;
    }
    return out;
}

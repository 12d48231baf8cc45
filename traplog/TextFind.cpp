#include "traplog/TextFind.h"

#include <cstring>

#include "platform/Encoding.h"

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool Lead(char c) { return IsCp932LeadByte(static_cast<unsigned char>(c)); }

bool StartsCharacter(std::string_view cell, std::size_t offset) {
    // A lead byte that stepped over offset means offset is its trail byte.
    std::size_t i = 0;
    while (i < offset) i += Lead(cell[i]) ? 2 : 1;
    return i == offset;
}

// Whether folded needle matches cell at offset, which starts a character.
bool FoldedAt(std::string_view cell, std::size_t offset, std::string_view needle) {
    bool trail = false;
    for (std::size_t j = 0; j < needle.size(); ++j) {
        char c = cell[offset + j];
        if (trail) {
            trail = false;
        } else if (Lead(c)) {
            trail = true;
        } else {
            c = Lower(c);
        }
        if (c != needle[j]) return false;
    }
    return true;
}

}  // namespace

std::string FoldCp932(std::string_view cp932) {
    std::string folded(cp932);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        if (Lead(folded[i]))
            ++i;
        else
            folded[i] = Lower(folded[i]);
    }
    return folded;
}

std::string FoldUtf8(std::string_view utf8) {
    std::string folded(utf8);
    for (char& c : folded) c = Lower(c);
    return folded;
}

bool Cp932Contains(std::string_view cell, std::string_view needle, bool fold) {
    if (needle.empty()) return true;
    if (needle.size() > cell.size()) return false;
    if (fold) {
        for (std::size_t i = 0; i + needle.size() <= cell.size(); i += Lead(cell[i]) ? 2 : 1)
            if (FoldedAt(cell, i, needle)) return true;
        return false;
    }
    std::size_t from = 0;
    while (from + needle.size() <= cell.size()) {
        const void* hit =
            memmem(cell.data() + from, cell.size() - from, needle.data(), needle.size());
        if (hit == nullptr) return false;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - cell.data());
        if (StartsCharacter(cell, at)) return true;
        from = at + 1;
    }
    return false;
}

bool Cp932Equals(std::string_view cell, std::string_view text, bool fold) {
    if (cell.size() != text.size()) return false;
    return fold ? FoldedAt(cell, 0, text) : cell == text;
}

bool Utf8Contains(std::string_view text, std::string_view needle, bool fold) {
    if (!fold) return text.find(needle) != std::string_view::npos;
    if (needle.size() > text.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        std::size_t j = 0;
        while (j < needle.size() && Lower(text[i + j]) == needle[j]) ++j;
        if (j == needle.size()) return true;
    }
    return false;
}

bool Utf8Equals(std::string_view a, std::string_view b, bool fold) {
    if (a.size() != b.size()) return false;
    if (!fold) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != b[i]) return false;
    return true;
}

#include "platform/Encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

std::string Convert(std::string_view input, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);
    std::string output;
    output.reserve(input.size() * 3 / 2 + 8);
    char buffer[256];
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char* out = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
        output.append(buffer, out - buffer);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // Unconvertible or truncated input: mark it and skip one byte.
            output.push_back('?');
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return output;
}

// Length of the run of bytes below 0x80 at the start of text, read eight at a time: each
// such byte is a character of its own, so no walk from character to character is needed.
std::size_t AsciiRunLength(std::string_view text) {
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    std::size_t pos = 0;
    for (uint64_t word = 0; pos + sizeof word <= text.size(); pos += sizeof word) {
        std::memcpy(&word, text.data() + pos, sizeof word);
        if ((word & kHighBits) != 0) break;
    }
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
    return pos;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8"); }

std::string Cp932ToUtf8(std::string_view cp932) { return Convert(cp932, "UTF-8", "CP932"); }

std::size_t Cp932PrefixLength(std::string_view text, std::size_t maxBytes) {
    std::size_t pos = std::min(AsciiRunLength(text), maxBytes);
    while (pos < text.size()) {
        std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
        if (pos + width > maxBytes || pos + width > text.size()) break;
        pos += width;
    }
    return pos;
}

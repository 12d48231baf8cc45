#pragma once
// The core holds text as CP932 (Windows Shift_JIS) bytes, every limit counted in those
// bytes; the windows show Unicode. Japanese texts are written in the sources as UTF-8.

#include <string>
#include <string_view>

// Converts with glibc iconv "CP932"; characters that cannot be converted become '?'.
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// True for the first byte of a two-byte CP932 character.
constexpr bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length of the longest prefix of text that is at most maxBytes long and does not end
// in the middle of a two-byte character.
std::size_t Cp932PrefixLength(std::string_view text, std::size_t maxBytes);

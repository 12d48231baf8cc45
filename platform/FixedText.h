#pragma once
// Text in fixed zero-terminated byte arrays, one byte longer than their limit.

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "platform/Encoding.h"

// The text up to the terminator (or the whole array when there is none).
template <std::size_t N>
std::string_view FixedTextView(const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string_view(field.data(), static_cast<std::size_t>(end - field.begin()));
}

// Stores text up to its first zero byte, cut to the field's limit (N - 1 bytes, never half
// a two-byte character), and zero-fills the rest.
template <std::size_t N>
void SetFixedText(std::array<char, N>& field, std::string_view text) {
    static_assert(N > 0);
    field.fill('\0');
    text = text.substr(0, text.find('\0'));
    const std::size_t length = Cp932PrefixLength(text, N - 1);
    std::copy_n(text.data(), length, field.data());
}

#pragma once
// The protocol texts of the user list and their numbers. A stored code that this build does
// not know is shown as its number in parentheses, so that saving the list keeps the code
// instead of lowering the user's security to "None".

#include <charconv>
#include <span>
#include <string>
#include <string_view>

#include "users/UserStore.h"

// The position of name in names (exact comparison), or -1 when it is not there.
constexpr int ProtocolNumber(std::span<const std::string_view> names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

// The text the user list shows for a stored protocol code: its name, or "(code)".
inline std::string ProtocolText(std::span<const std::string_view> names, int32_t code) {
    if (code >= 0 && static_cast<std::size_t>(code) < names.size()) return std::string(names[code]);
    return '(' + std::to_string(code) + ')';
}

// The code a text of the user list stands for. The list holds only ProtocolText results;
// any other text counts as 0.
inline int32_t ProtocolCode(std::span<const std::string_view> names, std::string_view text) {
    if (const int position = ProtocolNumber(names, text); position >= 0) return position;
    int32_t code = 0;
    if (text.size() > 2 && text.front() == '(' && text.back() == ')') {
        const char* last = text.data() + text.size() - 1;
        if (const auto [end, error] = std::from_chars(text.data() + 1, last, code);
            error == std::errc() && end == last)
            return code;
    }
    return 0;
}

#pragma once
// The protocol number of a protocol name as the user list shows it.

#include <span>
#include <string_view>

#include "users/UserStore.h"

// The position of name in names (exact comparison), or -1 when it is not there.
constexpr int ProtocolNumber(std::span<const std::string_view> names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

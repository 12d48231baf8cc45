#pragma once
// Names of the SNMPv3 protocol numbers that the user store keeps.

#include <array>
#include <string_view>

// Indexed by the authentication protocol number.
inline constexpr std::array<const char*, 3> kAuthProtocolNames = {"None", "HMAC-SHA1", "HMAC-MD5"};
// Indexed by the privacy protocol number.
inline constexpr std::array<const char*, 2> kPrivProtocolNames = {"None", "CBC-DES"};

// The number whose name equals name exactly; -1 when none does.
template <std::size_t N>
constexpr int ProtocolNumber(const std::array<const char*, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i]) return static_cast<int>(i);
    return -1;
}

constexpr int AuthProtocolNumber(std::string_view name) { return ProtocolNumber(kAuthProtocolNames, name); }
constexpr int PrivProtocolNumber(std::string_view name) { return ProtocolNumber(kPrivProtocolNames, name); }

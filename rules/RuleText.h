#pragma once
// The texts by which the filter lists show a rule's key: dotted addresses and the generic
// trap number ("Any" for 7).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// "a.b.c.d" into network order (first octet first); 0.0.0.0 when the text is no address.
std::array<uint8_t, 4> ParseDottedAddress(std::string_view text);
std::string FormatDottedAddress(const std::array<uint8_t, 4>& address);

// The address as one unsigned number with the first octet highest, for range comparisons.
uint32_t AddressValue(const std::array<uint8_t, 4>& address);

// 7 for "Any", otherwise the decimal number at the start of the text (0 when there is none).
int32_t ParseGenericText(std::string_view text);
std::string FormatGenericText(int32_t genericTrap);

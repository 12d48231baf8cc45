#include "rules/RuleText.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

#include "rules/RuleRecord.h"

std::array<uint8_t, 4> ParseDottedAddress(std::string_view text) {
    std::array<uint8_t, 4> address{};
    in_addr parsed{};
    if (inet_pton(AF_INET, std::string(text).c_str(), &parsed) == 1)
        std::memcpy(address.data(), &parsed.s_addr, address.size());
    return address;
}

std::string FormatDottedAddress(const std::array<uint8_t, 4>& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

uint32_t AddressValue(const std::array<uint8_t, 4>& address) {
    return (uint32_t{address[0]} << 24) | (uint32_t{address[1]} << 16) |
           (uint32_t{address[2]} << 8) | address[3];
}

int32_t ParseGenericText(std::string_view text) {
    if (text == "Any") return kGenericAny;
    return std::atoi(std::string(text).c_str());
}

std::string FormatGenericText(int32_t genericTrap) {
    return genericTrap == kGenericAny ? std::string("Any") : std::to_string(genericTrap);
}

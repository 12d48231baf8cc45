#include "support/HexOctets.h"

#include <cstdio>
#include <stdexcept>

std::vector<uint8_t> HexOctets(std::string_view hex) {
    std::string digits;
    for (char c : hex) {
        if (c != ' ') digits += c;
    }
    if (digits.size() % 2 != 0) throw std::invalid_argument("odd number of hex digits");
    std::vector<uint8_t> octets;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        octets.push_back(uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return octets;
}

std::string ToHex(const uint8_t* octets, std::size_t length) {
    std::string text;
    char pair[3];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", octets[i]);
        text += pair;
    }
    return text;
}

#pragma once
// Octets written as hexadecimal text in tests; blanks between digits are ignored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

std::vector<uint8_t> HexOctets(std::string_view hex);
std::string ToHex(const uint8_t* octets, std::size_t length);

template <typename Container>
std::string ToHex(const Container& octets, std::size_t length) {
    return ToHex(octets.data(), length);
}

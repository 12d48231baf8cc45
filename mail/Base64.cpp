#include "mail/Base64.h"

#include <cstdint>

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Base64Encode(std::string_view data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    std::size_t pos = 0;
    for (; pos + 3 <= data.size(); pos += 3) {
        const uint32_t group = static_cast<uint8_t>(data[pos]) << 16 |
                               static_cast<uint8_t>(data[pos + 1]) << 8 |
                               static_cast<uint8_t>(data[pos + 2]);
        out += kAlphabet[group >> 18 & 0x3F];
        out += kAlphabet[group >> 12 & 0x3F];
        out += kAlphabet[group >> 6 & 0x3F];
        out += kAlphabet[group & 0x3F];
    }
    const std::size_t rest = data.size() - pos;
    if (rest > 0) {
        uint32_t group = static_cast<uint8_t>(data[pos]) << 16;
        if (rest == 2) group |= static_cast<uint8_t>(data[pos + 1]) << 8;
        out += kAlphabet[group >> 18 & 0x3F];
        out += kAlphabet[group >> 12 & 0x3F];
        out += rest == 2 ? kAlphabet[group >> 6 & 0x3F] : '=';
        out += '=';
    }
    return out;
}

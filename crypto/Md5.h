#pragma once
// MD5 message digest (RFC 1321) with the init / update / final shape of the RFC's reference.

#include <array>
#include <cstdint>

inline constexpr std::size_t kMd5DigestSize = 16;

struct Md5Context {
    std::array<uint32_t, 4> state;   // A, B, C, D
    std::array<uint32_t, 2> count;   // message length in bits, low word first
    std::array<uint8_t, 64> buffer;  // input not yet compressed
};

void Md5Init(Md5Context& context);
// One call takes at most 65,535 octets; longer input is fed in several calls.
void Md5Update(Md5Context& context, const uint8_t* input, uint16_t length);
// Pads the message, writes the digest and zeroes the whole context.
void Md5Final(std::array<uint8_t, kMd5DigestSize>& digest, Md5Context& context);

#pragma once
// SHA-1 (FIPS 180-1) with the reset / input / result shape of RFC 3174.

#include <array>
#include <cstdint>

inline constexpr std::size_t kSha1DigestSize = 20;

// Results, as RFC 3174 names them.
enum Sha1Result : int {
    kShaSuccess = 0,
    kShaNull = 1,          // a required argument is missing
    kShaInputTooLong = 2,  // the message exceeded 2^64 - 1 bits
};

struct Sha1Context {
    std::array<uint32_t, 5> intermediateHash;
    uint32_t lengthLow;  // message length in bits
    uint32_t lengthHigh;
    int16_t blockIndex;  // octets held in messageBlock
    std::array<uint8_t, 64> messageBlock;
    int computed;   // the result was taken: the last block is padded
    int corrupted;  // 0, or the error that stopped further input
};

[[nodiscard]] int Sha1Reset(Sha1Context* context);
// Empty input, a missing argument, input after the result and input to a corrupted context
// change nothing.
[[nodiscard]] int Sha1Input(Sha1Context* context, const uint8_t* message, std::size_t length);
// May be called again: the padding is added only the first time.
[[nodiscard]] int Sha1Result(Sha1Context* context, std::array<uint8_t, kSha1DigestSize>* digest);

#pragma once
// What the portable DES code (Des.cpp) and the vector code (DesAvx512.cpp, DesAvx2.cpp)
// share besides the S-box tables (DesSpTables.h): the layout of the rounds, the initial and
// final permutations, and the ways to decrypt CBC, which the tests hold against each other.

#include <array>
#include <cstdint>
#include <span>

#include "crypto/Des.h"

// A block is two 32-bit words, the first eight octets big-endian in the first word.
//
// E gives S-box i the bits 4i .. 4i + 5 of R taken cyclically (bit 0 being bit 32). Rotating
// R right by one puts the groups of the even S-boxes in the top six bits of each octet
// (S-box 0 in the top octet); rotating it left by three does the same for the odd ones.
// DesKey::Subkey holds each round's subkey in that layout.

// Exchanges the bits of b selected by mask with the bits of a selected by mask << shift.
// Word is uint32_t, or a vector of them that takes the same operators lane by lane.
template <typename Word>
[[gnu::always_inline]] constexpr void DesSwapBits(Word& a, Word& b, int shift, uint32_t mask) {
    const Word t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// IP as five exchanges of bit groups between the halves of a block; FP undoes them in
// reverse order. Des.cpp proves both equal to the FIPS tables.
struct DesSwapStep {
    bool fromSecond;  // the bits moved by shift are those of the second half
    int shift;
    uint32_t mask;
};

inline constexpr DesSwapStep kDesInitialSwaps[5] = {{false, 4, 0x0F0F0F0F},
                                                    {false, 16, 0x0000FFFF},
                                                    {true, 2, 0x33333333},
                                                    {true, 8, 0x00FF00FF},
                                                    {false, 1, 0x55555555}};

template <typename Word>
[[gnu::always_inline]] constexpr void DesSwapStepBits(Word& first, Word& second,
                                                      const DesSwapStep& step) {
    if (step.fromSecond) {
        DesSwapBits(second, first, step.shift, step.mask);
    } else {
        DesSwapBits(first, second, step.shift, step.mask);
    }
}

template <typename Word>
[[gnu::always_inline]] constexpr void DesInitialPermutation(Word& first, Word& second) {
#pragma GCC unroll 5
    for (int i = 0; i < 5; ++i) DesSwapStepBits(first, second, kDesInitialSwaps[i]);
}

template <typename Word>
[[gnu::always_inline]] constexpr void DesFinalPermutation(Word& first, Word& second) {
#pragma GCC unroll 5
    for (int i = 4; i >= 0; --i) DesSwapStepBits(first, second, kDesInitialSwaps[i]);
}

// DesCbcDecrypt with the portable rounds, a few blocks side by side.
void DesCbcDecryptPortable(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer);

#if defined(__x86_64__)
// Whether this processor and system run AVX-512F and AVX-512BW code.
bool DesAvx512Usable();

// DesCbcDecrypt sixteen blocks at a time with AVX-512F and BW; only where DesAvx512Usable().
void DesCbcDecryptAvx512(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer);

// Whether this processor and system run AVX2 code.
bool DesAvx2Usable();

// DesCbcDecrypt thirty-two blocks at a time with AVX2; only where DesAvx2Usable().
void DesCbcDecryptAvx2(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer);
#endif

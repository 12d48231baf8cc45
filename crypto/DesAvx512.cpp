// CBC decryption sixteen blocks at a time with AVX-512F and BW: each plaintext block is the
// decrypted ciphertext block XOR the ciphertext before it, so the blocks are independent,
// and each takes one 32-bit lane of a left-half and a right-half vector through the rounds.
//
// The S-box lookups use vpermt2w (BW), which looks up 64 16-bit entries held in two
// registers, so one instruction serves two S-boxes of every block: one in the low and one
// in the high 16-bit word of its lane. vpermt2d (F alone) looks up only 32 entries and
// needs two lookups and a select per S-box, which measured a fifth slower.
// Shifts and rotations are written as vector operators: GCC 12's shift intrinsics warn of
// an uninitialized value inside its own header.

#include "crypto/DesInternal.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "crypto/DesSpTables.h"

namespace {

// One 32-bit word of each of sixteen blocks; takes the shared swap-moves as uint32_t does.
using Lanes = uint32_t __attribute__((vector_size(64)));
// The same register as 16-bit words, and as eight 64-bit lanes of one block's octets each.
using Words = uint16_t __attribute__((vector_size(64)));
using Blocks = uint64_t __attribute__((vector_size(64)));

// Two S-boxes looked up by one vpermt2w: the low word of a lane indexes `low`, the high
// word `high`. A box's output bits that belong in the other word's half of the result are
// kept in its own word, `rotation` bits before their place; the rotation must leave the two
// boxes' bits apart in a 16-bit entry.
struct BoxPair {
    int low;
    int high;
};

struct PairTable {
    alignas(64) std::array<uint16_t, 64> entries{};
    uint32_t inPlace = 0;  // output bits where the lookup leaves them
    uint32_t rotated = 0;  // output bits to rotate left by `rotation`
    int rotation = 0;      // 0: no rotation keeps this pair's bits apart
};

// Where output bit `bit` (0 the least significant) of the box in the given word is kept in
// the lane, or -1 when that would be in the other word.
constexpr int KeptAt(int bit, bool highWord, int rotation) {
    if ((bit >= 16) == highWord) return bit;
    const int kept = (bit - rotation + 32) % 32;
    return (kept >= 16) == highWord ? kept : -1;
}

constexpr PairTable MakePairTable(BoxPair pair, int rotation) {
    PairTable table;
    const int boxes[2] = {pair.low, pair.high};
    uint32_t used = 0;  // positions taken in a 16-bit entry
    for (int word = 0; word < 2; ++word) {
        uint32_t outputs = 0;
        for (uint32_t value : kDesSpTables[boxes[word]]) outputs |= value;
        for (int bit = 0; bit < 32; ++bit) {
            if (!(outputs >> bit & 1)) continue;
            const int kept = KeptAt(bit, word == 1, rotation);
            if (kept < 0 || (used >> (kept % 16) & 1)) return {};
            used |= 1u << (kept % 16);
            (kept == bit ? table.inPlace : table.rotated) |= 1u << bit;
            for (int input = 0; input < 64; ++input) {
                if (kDesSpTables[boxes[word]][input] >> bit & 1)
                    table.entries[input] |= uint16_t(1u << (kept % 16));
            }
        }
    }
    table.rotation = rotation;
    return table;
}

constexpr PairTable FirstFittingPairTable(BoxPair pair) {
    for (int rotation = 1; rotation < 32; ++rotation) {
        const PairTable table = MakePairTable(pair, rotation);
        if (table.rotation != 0) return table;
    }
    return {};
}

// The pairs in the order of CipherFunction's lookups.
constexpr BoxPair kPairs[4] = {{5, 0}, {4, 1}, {7, 2}, {6, 3}};
constexpr std::array<PairTable, 4> kPairTables = {
    FirstFittingPairTable(kPairs[0]), FirstFittingPairTable(kPairs[1]),
    FirstFittingPairTable(kPairs[2]), FirstFittingPairTable(kPairs[3])};
static_assert(std::all_of(kPairTables.begin(), kPairTables.end(),
                          [](const PairTable& t) { return t.rotation != 0; }));

template <int Count>
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline Lanes RotateLeft(Lanes x) {
    return x << Count | x >> (32 - Count);
}

// The contribution of a pair of S-boxes (merged with P) for the indexes in the low six bits
// of each 16-bit word.
template <int Pair>
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline Lanes PairLookup(Words index) {
    constexpr const PairTable& table = kPairTables[Pair];
    const __m512i found =
        _mm512_permutex2var_epi16(_mm512_load_si512(table.entries.data()), __m512i(index),
                                  _mm512_load_si512(table.entries.data() + 32));
    return (Lanes(found) & table.inPlace) |
           (RotateLeft<table.rotation>(Lanes(found)) & table.rotated);
}

// The cipher function f of FIPS 46-3 on sixteen right halves (layout of DesInternal.h).
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline Lanes CipherFunction(
    Lanes r, const DesKey::Subkey& k) {
    const Lanes even = RotateLeft<31>(r) ^ k.even;
    const Lanes odd = RotateLeft<3>(r) ^ k.odd;
    // S-boxes 0 and 2 in the high words over 5 and 7 in the low ones, and 1 and 3 over 4
    // and 6; a word's six index bits start at bit 10 for S-boxes 0, 1, 4 and 5 and at bit 2
    // for the others, and vpermt2w ignores the bits above them.
    const __mmask32 highWords = 0xAAAAAAAA;
    const __m512i evenBits = __m512i(even), oddBits = __m512i(odd);
    const Words evenOverOdd = Words(_mm512_mask_blend_epi16(highWords, oddBits, evenBits));
    const Words oddOverEven = Words(_mm512_mask_blend_epi16(highWords, evenBits, oddBits));
    return PairLookup<0>(evenOverOdd >> 10) | PairLookup<1>(oddOverEven >> 10) |
           PairLookup<2>(evenOverOdd >> 2) | PairLookup<3>(oddOverEven >> 2);
}

// Decrypts Sets times sixteen blocks, given and returned as their first and second words.
// The sets go through each round side by side, so that one's lookups overlap the other's.
template <std::size_t Sets>
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline void DecryptLanes(
    std::array<Lanes, Sets>& first, std::array<Lanes, Sets>& second, const DesKey& key) {
    for (std::size_t s = 0; s < Sets; ++s) DesInitialPermutation(first[s], second[s]);
    std::array<Lanes, Sets> left = first, right = second;
    const auto& subkeys = key.Subkeys();
    // Two rounds per step, the halves trading places by name instead of by moves.
#pragma GCC unroll 8
    for (int round = 15; round > 0; round -= 2) {
#pragma GCC unroll 2
        for (std::size_t s = 0; s < Sets; ++s) left[s] ^= CipherFunction(right[s], subkeys[round]);
#pragma GCC unroll 2
        for (std::size_t s = 0; s < Sets; ++s)
            right[s] ^= CipherFunction(left[s], subkeys[round - 1]);
    }
    // The last round does not exchange the halves: the output is R16 L16.
    for (std::size_t s = 0; s < Sets; ++s) {
        first[s] = right[s];
        second[s] = left[s];
        DesFinalPermutation(first[s], second[s]);
    }
}

// Octets in memory are big-endian words; lanes hold them in the processor's order.
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline Lanes SwapOctets(__m512i x) {
    const __m512i reversed = _mm512_set_epi64(
        0x0c0d0e0f08090a0b, 0x0405060700010203, 0x0c0d0e0f08090a0b, 0x0405060700010203,
        0x0c0d0e0f08090a0b, 0x0405060700010203, 0x0c0d0e0f08090a0b, 0x0405060700010203);
    return Lanes(_mm512_shuffle_epi8(x, reversed));
}

// Exchanges the second word of each 64-bit lane of a with the first word of that lane of b.
// On two vectors of eight blocks, this gives the blocks' first words and their second words
// (blocks 0 to 7 in the even lanes, 8 to 15 in the odd ones), and back again.
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline void ExchangeWords(Lanes& a,
                                                                                  Lanes& b) {
    const __m512i aLanes = __m512i(a), bLanes = __m512i(b);
    const __m512i aShifted = __m512i(Blocks(a) >> 32), bShifted = __m512i(Blocks(b) << 32);
    a = Lanes(_mm512_mask_blend_epi32(0xAAAA, aLanes, bShifted));
    b = Lanes(_mm512_mask_blend_epi32(0xAAAA, aShifted, bLanes));
}

// Which of the eight blocks of vector number `vector` are among the first `count`.
inline __mmask8 PresentBlocks(std::size_t count, std::size_t vector) {
    const std::size_t present = std::clamp(count, 8 * vector, 8 * vector + 8) - 8 * vector;
    return __mmask8((1u << present) - 1);
}

// Decrypts `count` (1 to 16 Sets) blocks at `at` in place, CBC after the ciphertext block
// in the last 64-bit lane of `previous`, and returns their ciphertext's last group of eight.
template <std::size_t Sets>
[[gnu::always_inline, gnu::target("avx512f,avx512bw")]] inline __m512i DecryptGroup(
    const DesKey& key, __m512i previous, uint8_t* at, std::size_t count) {
    constexpr std::size_t kVectors = 2 * Sets;  // of eight blocks each
    std::array<__mmask8, kVectors> present;
    std::array<Blocks, kVectors> cipher;
    for (std::size_t v = 0; v < kVectors; ++v) {
        present[v] = PresentBlocks(count, v);
        cipher[v] = Blocks(_mm512_maskz_loadu_epi64(present[v], at + 64 * v));
    }
    std::array<Lanes, Sets> first, second;
    for (std::size_t s = 0; s < Sets; ++s) {
        first[s] = SwapOctets(__m512i(cipher[2 * s]));
        second[s] = SwapOctets(__m512i(cipher[2 * s + 1]));
        ExchangeWords(first[s], second[s]);
    }
    DecryptLanes(first, second, key);

    // Each block is chained on the ciphertext block before it in the buffer.
    const __m512i shiftByOne = _mm512_set_epi64(14, 13, 12, 11, 10, 9, 8, 7);
    for (std::size_t s = 0; s < Sets; ++s) {
        ExchangeWords(first[s], second[s]);
        for (std::size_t half = 0; half < 2; ++half) {
            const std::size_t v = 2 * s + half;
            const __m512i before = v == 0 ? previous : __m512i(cipher[v - 1]);
            const __m512i chain = _mm512_permutex2var_epi64(before, shiftByOne, __m512i(cipher[v]));
            const Lanes plain = half == 0 ? first[s] : second[s];
            _mm512_mask_storeu_epi64(at + 64 * v, present[v],
                                     __m512i(SwapOctets(__m512i(plain))) ^ chain);
        }
    }
    return __m512i(cipher[kVectors - 1]);
}

}  // namespace

bool DesAvx512Usable() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}

[[gnu::target("avx512f,avx512bw")]] void DesCbcDecryptAvx512(const DesKey& key, DesBlock& iv,
                                                             std::span<uint8_t> buffer) {
    const std::size_t blocks = buffer.size() / 8;
    if (blocks == 0) return;
    DesBlock lastCipher;
    std::memcpy(lastCipher.data(), &buffer[8 * (blocks - 1)], 8);

    uint64_t ivOctets;
    std::memcpy(&ivOctets, iv.data(), 8);
    __m512i previous = _mm512_set1_epi64(int64_t(ivOctets));
    // Two sets side by side while more than sixteen blocks are left: alone, a set keeps the
    // processor waiting on the latency of its lookups.
    std::size_t done = 0;
    for (; blocks > done + 16; done += 32) {
        previous = DecryptGroup<2>(key, previous, &buffer[8 * done],
                                   std::min<std::size_t>(blocks - done, 32));
    }
    if (done < blocks) DecryptGroup<1>(key, previous, &buffer[8 * done], blocks - done);
    iv = lastCipher;
}

#endif

#include "snmp/crypto/Des.h"

#include <bit>
#include <cstring>

namespace {

// FIPS 46-3 tables; bit 1 is the most significant bit of its word.
constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kFinalPermutation[64] = {
    40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
    38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
    36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
    34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};

constexpr uint8_t kPermutationP[32] = {
    16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
    2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr uint8_t kPermutedChoice1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
    10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
    63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
    14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
    23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
    44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kKeyShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr uint8_t kSBoxes[8][64] = {
    {14, 4,  13, 1,  2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0,  7,
     0,  15, 7,  4,  14, 2,  13, 1,  10, 6,  12, 11, 9,  5,  3,  8,
     4,  1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,  3,  10, 5,  0,
     15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0,  5,  10,
     3,  13, 4,  7,  15, 2,  8,  14, 12, 0,  1,  10, 6,  9,  11, 5,
     0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,  9,  3,  2,  15,
     13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,
     13, 7,  0,  9,  3,  4,  6,  10, 2,  8,  5,  14, 12, 11, 15, 1,
     13, 6,  4,  9,  8,  15, 3,  0,  11, 1,  2,  12, 5,  10, 14, 7,
     1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15,
     13, 8,  11, 5,  6,  15, 0,  3,  4,  7,  2,  12, 1,  10, 14, 9,
     10, 6,  9,  0,  12, 11, 7,  13, 15, 1,  3,  14, 5,  2,  8,  4,
     3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0,  14, 9,
     14, 11, 2,  12, 4,  7,  13, 1,  5,  0,  15, 10, 3,  9,  8,  6,
     4,  2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,  6,  3,  0,  14,
     11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11,
     10, 15, 4,  2,  7,  12, 9,  5,  6,  1,  13, 14, 0,  11, 3,  8,
     9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10, 1,  13, 11, 6,
     4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1,
     13, 0,  11, 7,  4,  9,  1,  10, 14, 3,  5,  12, 2,  15, 8,  6,
     1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6,  8,  0,  5,  9,  2,
     6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,
     1,  15, 13, 8,  10, 3,  7,  4,  12, 5,  6,  11, 0,  14, 9,  2,
     7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13, 15, 3,  5,  8,
     2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Output bit k of the table (k from 1) is input bit table[k - 1] of an inBits-wide word.
template <std::size_t N>
constexpr uint64_t Permute(uint64_t input, int inBits, const uint8_t (&table)[N]) {
    uint64_t output = 0;
    for (std::size_t k = 0; k < N; ++k) {
        output = output << 1 | ((input >> (inBits - table[k])) & 1);
    }
    return output;
}

// Exchanges the bits of b selected by mask with the bits of a selected by mask << shift.
constexpr void SwapBits(uint32_t& a, uint32_t& b, int shift, uint32_t mask) {
    const uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

// IP as five exchanges of bit groups between the halves; FP undoes them in reverse order.
// The static_asserts below prove both equal to the FIPS tables on every input bit.
constexpr uint64_t InitialPermutation(uint64_t block) {
    uint32_t l = uint32_t(block >> 32), r = uint32_t(block);
    SwapBits(l, r, 4, 0x0F0F0F0F);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(l, r, 1, 0x55555555);
    return uint64_t(l) << 32 | r;
}

constexpr uint64_t FinalPermutation(uint64_t block) {
    uint32_t l = uint32_t(block >> 32), r = uint32_t(block);
    SwapBits(l, r, 1, 0x55555555);
    SwapBits(r, l, 8, 0x00FF00FF);
    SwapBits(r, l, 2, 0x33333333);
    SwapBits(l, r, 16, 0x0000FFFF);
    SwapBits(l, r, 4, 0x0F0F0F0F);
    return uint64_t(l) << 32 | r;
}

// A permutation is linear: agreeing on each single-bit input means agreeing everywhere.
template <typename F>
constexpr bool MatchesTable(F permutation, const uint8_t (&table)[64]) {
    for (int bit = 0; bit < 64; ++bit) {
        if (permutation(uint64_t{1} << bit) != Permute(uint64_t{1} << bit, 64, table)) return false;
    }
    return true;
}
static_assert(MatchesTable(InitialPermutation, kInitialPermutation));
static_assert(MatchesTable(FinalPermutation, kFinalPermutation));

// Each S-box merged with the permutation P: the 32-bit contribution of S-box i for a 6-bit
// input. The row is bits 1 and 6 of the input, the column bits 2 to 5.
using SpTables = std::array<std::array<uint32_t, 64>, 8>;

constexpr SpTables MakeSpTables() {
    SpTables tables{};
    for (int box = 0; box < 8; ++box) {
        for (int input = 0; input < 64; ++input) {
            const int row = (input >> 4 & 2) | (input & 1);
            const int column = input >> 1 & 0xF;
            const uint64_t nibble = uint64_t(kSBoxes[box][row * 16 + column]) << (28 - 4 * box);
            tables[box][input] = uint32_t(Permute(nibble, 32, kPermutationP));
        }
    }
    return tables;
}

constexpr SpTables kSpTables = MakeSpTables();

// E gives S-box i the bits 4i .. 4i + 5 of R taken cyclically (bit 0 being bit 32). Rotating
// R right by one puts the groups of the even S-boxes in the top six bits of each octet;
// rotating it left by three does the same for the odd ones. A subkey is kept in that layout.
struct Subkey {
    uint32_t even;
    uint32_t odd;
};

// The 48 bits of a subkey in the layout of Subkey: even in the high word, odd in the low.
constexpr uint64_t PackSubkey(uint64_t subkey) {
    uint64_t even = 0, odd = 0;
    for (int pair = 0; pair < 4; ++pair) {
        even |= (subkey >> (42 - 12 * pair) & 0x3F) << (26 - 8 * pair);
        odd |= (subkey >> (36 - 12 * pair) & 0x3F) << (26 - 8 * pair);
    }
    return even << 32 | odd;
}

// PC-2 takes its first 24 bits from C and its last 24 from D, so it is applied as eight
// 7-bit pieces of C and D, each looked up in a table of its contribution, already packed.
using Pc2Tables = std::array<std::array<uint64_t, 128>, 8>;

constexpr Pc2Tables MakePc2Tables() {
    Pc2Tables tables{};
    for (int piece = 0; piece < 8; ++piece) {
        for (int value = 0; value < 128; ++value) {
            tables[piece][value] = PackSubkey(
                Permute(uint64_t(value) << (49 - 7 * piece), 56, kPermutedChoice2));
        }
    }
    return tables;
}

constexpr Pc2Tables kPc2Tables = MakePc2Tables();

Subkey PermutedChoice2(uint64_t cd) {
    uint64_t packed = 0;
#pragma GCC unroll 8
    for (int piece = 0; piece < 8; ++piece) {
        packed |= kPc2Tables[piece][(cd >> (49 - 7 * piece)) & 0x7F];
    }
    return {uint32_t(packed >> 32), uint32_t(packed)};
}

using KeySchedule = std::array<Subkey, 16>;

// PC-1 as the sum of each key octet's contribution. Its low bit is a parity bit, which PC-1
// leaves out, so seven bits index each table.
using Pc1Tables = std::array<std::array<uint64_t, 128>, 8>;

constexpr Pc1Tables MakePc1Tables() {
    Pc1Tables tables{};
    for (int octet = 0; octet < 8; ++octet) {
        for (int value = 0; value < 128; ++value) {
            tables[octet][value] =
                Permute(uint64_t(value) << (57 - 8 * octet), 64, kPermutedChoice1);
        }
    }
    return tables;
}

constexpr Pc1Tables kPc1Tables = MakePc1Tables();

uint64_t PermutedChoice1(const DesBlock& key) {
    uint64_t choice = 0;
#pragma GCC unroll 8
    for (int octet = 0; octet < 8; ++octet) choice |= kPc1Tables[octet][key[octet] >> 1];
    return choice;
}

KeySchedule MakeKeySchedule(const DesBlock& key) {
    const uint64_t choice1 = PermutedChoice1(key);
    uint32_t c = uint32_t(choice1 >> 28), d = uint32_t(choice1 & 0x0FFFFFFF);

    KeySchedule schedule;
    for (int round = 0; round < 16; ++round) {
        const int s = kKeyShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
        schedule[round] = PermutedChoice2(uint64_t(c) << 28 | d);
    }
    return schedule;
}

// Inlined into the rounds: a call per round and block costs as much as the lookups.
[[gnu::always_inline]] inline uint32_t CipherFunction(uint32_t r, const Subkey& k) {
    const uint32_t even = std::rotr(r, 1) ^ k.even;
    const uint32_t odd = std::rotl(r, 3) ^ k.odd;
    return kSpTables[0][even >> 26 & 0x3F] | kSpTables[2][even >> 18 & 0x3F] |
           kSpTables[4][even >> 10 & 0x3F] | kSpTables[6][even >> 2 & 0x3F] |
           kSpTables[1][odd >> 26 & 0x3F] | kSpTables[3][odd >> 18 & 0x3F] |
           kSpTables[5][odd >> 10 & 0x3F] | kSpTables[7][odd >> 2 & 0x3F];
}

// Runs N independent blocks through the sixteen rounds side by side: each round is a chain of
// dependent steps, and interleaving blocks lets the processor overlap those chains.
// Kept scalar: vectorized, the table lookups become lane extractions and run slower.
template <std::size_t N>
[[gnu::optimize("no-tree-vectorize")]] void CryptBlocks(std::array<uint64_t, N>& blocks,
                                                        const KeySchedule& schedule, bool decrypt) {
    std::array<uint32_t, N> left, right;
    for (std::size_t n = 0; n < N; ++n) {
        const uint64_t permuted = InitialPermutation(blocks[n]);
        left[n] = uint32_t(permuted >> 32);
        right[n] = uint32_t(permuted);
    }
    for (int round = 0; round < 16; ++round) {
        const Subkey& subkey = schedule[decrypt ? 15 - round : round];
#pragma GCC unroll 4
        for (std::size_t n = 0; n < N; ++n) {
            const uint32_t next = left[n] ^ CipherFunction(right[n], subkey);
            left[n] = right[n];
            right[n] = next;
        }
    }
    for (std::size_t n = 0; n < N; ++n) {
        blocks[n] = FinalPermutation(uint64_t(right[n]) << 32 | left[n]);
    }
}

// Blocks are big-endian: the first octet holds bits 1 to 8.
uint64_t Load(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return std::endian::native == std::endian::little ? __builtin_bswap64(value) : value;
}

void Store(uint64_t value, uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) value = __builtin_bswap64(value);
    std::memcpy(p, &value, sizeof value);
}

// Decryption needs only ciphertext, which is all known, so it takes blocks in groups;
// encryption chains each block on the previous result and takes them one at a time.
constexpr std::size_t kDecryptGroup = 4;

void CbcBlocks(const DesBlock& key, std::span<uint8_t> buffer, bool decrypt, DesBlock& iv) {
    const KeySchedule schedule = MakeKeySchedule(key);
    uint64_t chain = Load(iv.data());
    std::size_t offset = 0;
    const std::size_t end = buffer.size() / 8 * 8;
    if (decrypt) {
        for (; offset + 8 * kDecryptGroup <= end; offset += 8 * kDecryptGroup) {
            std::array<uint64_t, kDecryptGroup> blocks;
            for (std::size_t n = 0; n < kDecryptGroup; ++n) blocks[n] = Load(&buffer[offset + 8 * n]);
            const std::array<uint64_t, kDecryptGroup> ciphertext = blocks;
            CryptBlocks(blocks, schedule, true);
            for (std::size_t n = 0; n < kDecryptGroup; ++n) {
                Store(blocks[n] ^ chain, &buffer[offset + 8 * n]);
                chain = ciphertext[n];
            }
        }
    }
    for (; offset < end; offset += 8) {
        std::array<uint64_t, 1> block = {Load(&buffer[offset])};
        if (decrypt) {
            const uint64_t ciphertext = block[0];
            CryptBlocks(block, schedule, true);
            Store(block[0] ^ chain, &buffer[offset]);
            chain = ciphertext;
        } else {
            block[0] ^= chain;
            CryptBlocks(block, schedule, false);
            Store(block[0], &buffer[offset]);
            chain = block[0];
        }
    }
    Store(chain, iv.data());
}

}  // namespace

int DesCbc(const DesBlock& key, std::span<uint8_t> buffer, std::size_t length, int mode,
           DesBlock& iv) {
    const std::size_t rounded = (length + 7) / 8 * 8;
    if (rounded > buffer.size()) return 1;
    CbcBlocks(key, buffer.first(rounded), (mode & kDesDecrypt) != 0, iv);
    return 0;
}

void DesCbcDecrypt(const DesBlock& key, DesBlock& iv, std::span<uint8_t> buffer) {
    CbcBlocks(key, buffer, true, iv);
}

void MakeIv(const DesBlock& preIv, std::span<const uint8_t, 8> salt, DesBlock& iv) {
    for (std::size_t i = 0; i < iv.size(); ++i) iv[i] = preIv[i] ^ salt[i];
}

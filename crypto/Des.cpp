#include "crypto/Des.h"

#include <bit>
#include <cstring>

#include "crypto/CryptoPaths.h"
#include "crypto/DesInternal.h"
#include "crypto/DesSpTables.h"

namespace {

// FIPS 46-3 tables; bit 1 is the most significant bit of its word.
constexpr uint8_t kInitialPermutation[64] = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kFinalPermutation[64] = {
    40, 8,  48, 16, 56, 24, 64, 32, 39, 7,  47, 15, 55, 23, 63, 31, 38, 6,  46, 14, 54, 22,
    62, 30, 37, 5,  45, 13, 53, 21, 61, 29, 36, 4,  44, 12, 52, 20, 60, 28, 35, 3,  43, 11,
    51, 19, 59, 27, 34, 2,  42, 10, 50, 18, 58, 26, 33, 1,  41, 9,  49, 17, 57, 25};

constexpr uint8_t kPermutedChoice1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                          10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                          63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                          14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPermutedChoice2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kKeyShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// The shared swap-moves on one block.
constexpr uint64_t InitialPermutation(uint64_t block) {
    uint32_t first = uint32_t(block >> 32), second = uint32_t(block);
    DesInitialPermutation(first, second);
    return uint64_t(first) << 32 | second;
}

constexpr uint64_t FinalPermutation(uint64_t block) {
    uint32_t first = uint32_t(block >> 32), second = uint32_t(block);
    DesFinalPermutation(first, second);
    return uint64_t(first) << 32 | second;
}

// A permutation is linear: agreeing on each single-bit input means agreeing everywhere.
template <typename F>
constexpr bool MatchesTable(F permutation, const uint8_t (&table)[64]) {
    for (int bit = 0; bit < 64; ++bit) {
        const uint64_t input = uint64_t{1} << bit;
        if (permutation(input) != DesPermute(input, 64, table)) return false;
    }
    return true;
}
static_assert(MatchesTable(InitialPermutation, kInitialPermutation));
static_assert(MatchesTable(FinalPermutation, kFinalPermutation));

using Subkey = DesKey::Subkey;

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
            tables[piece][value] =
                PackSubkey(DesPermute(uint64_t(value) << (49 - 7 * piece), 56, kPermutedChoice2));
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

// PC-1 as the sum of each key octet's contribution. Its low bit is a parity bit, which PC-1
// leaves out, so seven bits index each table.
using Pc1Tables = std::array<std::array<uint64_t, 128>, 8>;

constexpr Pc1Tables MakePc1Tables() {
    Pc1Tables tables{};
    for (int octet = 0; octet < 8; ++octet) {
        for (int value = 0; value < 128; ++value) {
            tables[octet][value] =
                DesPermute(uint64_t(value) << (57 - 8 * octet), 64, kPermutedChoice1);
        }
    }
    return tables;
}

constexpr Pc1Tables kPc1Tables = MakePc1Tables();

uint64_t PermutedChoice1(std::span<const uint8_t, 8> key) {
    uint64_t choice = 0;
#pragma GCC unroll 8
    for (int octet = 0; octet < 8; ++octet) choice |= kPc1Tables[octet][key[octet] >> 1];
    return choice;
}

using Subkeys = std::array<Subkey, 16>;

// The S-box tables indexed by the whole octet whose top six bits are the input, the low two
// ignored: an octet comes out of a word in one instruction, six bits in a shift and a mask.
using DesSpOctetTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr DesSpOctetTables MakeDesSpOctetTables() {
    DesSpOctetTables tables{};
    for (int box = 0; box < 8; ++box) {
        for (int octet = 0; octet < 256; ++octet)
            tables[box][octet] = kDesSpTables[box][octet >> 2];
    }
    return tables;
}

alignas(64) constexpr DesSpOctetTables kDesSpOctetTables = MakeDesSpOctetTables();

// Inlined into the rounds: a call per round and block costs as much as the lookups.
[[gnu::always_inline]] inline uint32_t CipherFunction(uint32_t r, const Subkey& k) {
    const uint32_t even = std::rotr(r, 1) ^ k.even;
    const uint32_t odd = std::rotl(r, 3) ^ k.odd;
    const DesSpOctetTables& sp = kDesSpOctetTables;
    return sp[0][even >> 24] | sp[2][uint8_t(even >> 16)] | sp[4][uint8_t(even >> 8)] |
           sp[6][uint8_t(even)] | sp[1][odd >> 24] | sp[3][uint8_t(odd >> 16)] |
           sp[5][uint8_t(odd >> 8)] | sp[7][uint8_t(odd)];
}

// Runs N independent blocks through the sixteen rounds side by side: each round is a chain of
// dependent steps, and interleaving blocks lets the processor overlap those chains.
// Kept scalar: vectorized, the table lookups become lane extractions and run slower.
template <std::size_t N>
[[gnu::optimize("no-tree-vectorize")]] void CryptBlocks(std::array<uint64_t, N>& blocks,
                                                        const Subkeys& subkeys, bool decrypt) {
    std::array<uint32_t, N> left, right;
    for (std::size_t n = 0; n < N; ++n) {
        const uint64_t permuted = InitialPermutation(blocks[n]);
        left[n] = uint32_t(permuted >> 32);
        right[n] = uint32_t(permuted);
    }
    for (int round = 0; round < 16; ++round) {
        const Subkey& subkey = subkeys[decrypt ? 15 - round : round];
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

// Decrypts the N blocks at `at` in place, CBC after the ciphertext block `chain`, and leaves
// the last of them in `chain`.
template <std::size_t N>
void DecryptGroup(const Subkeys& subkeys, uint64_t& chain, uint8_t* at) {
    std::array<uint64_t, N> blocks;
    for (std::size_t n = 0; n < N; ++n) blocks[n] = Load(at + 8 * n);
    const std::array<uint64_t, N> ciphertext = blocks;
    CryptBlocks(blocks, subkeys, true);
    for (std::size_t n = 0; n < N; ++n) {
        Store(blocks[n] ^ chain, at + 8 * n);
        chain = ciphertext[n];
    }
}

// Encryption chains each block on the previous result and takes them one at a time.
void CbcEncrypt(const DesKey& key, std::span<uint8_t> buffer, DesBlock& iv) {
    uint64_t chain = Load(iv.data());
    for (std::size_t offset = 0; offset + 8 <= buffer.size(); offset += 8) {
        std::array<uint64_t, 1> block = {Load(&buffer[offset]) ^ chain};
        CryptBlocks(block, key.Subkeys(), false);
        Store(block[0], &buffer[offset]);
        chain = block[0];
    }
    Store(chain, iv.data());
}

}  // namespace

DesKey::DesKey(std::span<const uint8_t, 8> key) {
    const uint64_t choice1 = PermutedChoice1(key);
    uint32_t c = uint32_t(choice1 >> 28), d = uint32_t(choice1 & 0x0FFFFFFF);
    for (int round = 0; round < 16; ++round) {
        const int s = kKeyShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFF;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFF;
        m_subkeys[round] = PermutedChoice2(uint64_t(c) << 28 | d);
    }
}

// Decryption needs only ciphertext, which is all known, so it takes blocks in groups.
void DesCbcDecryptPortable(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer) {
    constexpr std::size_t kGroup = 4;
    uint64_t chain = Load(iv.data());
    std::size_t offset = 0;
    const std::size_t end = buffer.size() / 8 * 8;
    for (; offset + 8 * kGroup <= end; offset += 8 * kGroup) {
        DecryptGroup<kGroup>(key.Subkeys(), chain, &buffer[offset]);
    }
    for (; offset < end; offset += 8) DecryptGroup<1>(key.Subkeys(), chain, &buffer[offset]);
    Store(chain, iv.data());
}

namespace {

using CbcDecryption = void (*)(const DesKey&, DesBlock&, std::span<uint8_t>);

CbcDecryption FastestCbcDecryption() {
#if defined(__x86_64__)
    const CryptoPaths limit = CryptoPathLimit();
    if (limit == CryptoPaths::kAll && DesAvx512Usable()) return DesCbcDecryptAvx512;
    if (limit != CryptoPaths::kPortable && DesAvx2Usable()) return DesCbcDecryptAvx2;
#endif
    return DesCbcDecryptPortable;
}

}  // namespace

void DesCbcDecrypt(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer) {
    // A fact about the processor, chosen once for the process: held by an object, the
    // choice would have to travel with every key into every decryption.
    static const CbcDecryption fastest = FastestCbcDecryption();
    fastest(key, iv, buffer);
}

void DesCbcDecrypt(const DesBlock& key, DesBlock& iv, std::span<uint8_t> buffer) {
    DesCbcDecrypt(DesKey(key), iv, buffer);
}

int DesCbc(const DesBlock& key, std::span<uint8_t> buffer, std::size_t length, int mode,
           DesBlock& iv) {
    const std::size_t rounded = (length + 7) / 8 * 8;
    if (rounded > buffer.size()) return 1;
    if (mode & kDesDecrypt) {
        DesCbcDecrypt(key, iv, buffer.first(rounded));
    } else {
        CbcEncrypt(DesKey(key), buffer.first(rounded), iv);
    }
    return 0;
}

void MakeIv(const DesBlock& preIv, std::span<const uint8_t, 8> salt, DesBlock& iv) {
    for (std::size_t i = 0; i < iv.size(); ++i) iv[i] = preIv[i] ^ salt[i];
}

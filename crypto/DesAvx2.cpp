// CBC decryption thirty-two blocks at a time with AVX2, for processors without AVX-512.
//
// AVX2 has no lookup wider than vpshufb's sixteen octets, so the halves of the blocks are
// sliced by nibbles: vector i holds nibble i (bits 4i + 1 .. 4i + 4 of the half) of each of
// thirty-two blocks, one per octet. S-box i takes its column, bits 2 to 5 of its input,
// straight from nibble i, and its row, bits 1 and 6, from the last bit of nibble i - 1 and
// the first of nibble i + 1 (E, cyclically): four vpshufb look up the four rows and two
// levels of vpblendvb pick one.
//
// P sends the four output bits of each S-box to four different nibbles, one bit to each.
// The bits of a nibble are kept in an order of their own, chosen so that every S-box's
// outputs land on four different positions too (a colouring of the edges from S-boxes to
// nibbles): the rows give an S-box's output bits where their nibbles keep them, and one AND
// per bit and nibble spreads them, with no second lookup.

#include "crypto/DesInternal.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "crypto/DesSpTables.h"

namespace {

constexpr std::size_t kGroup = 32;     // blocks, one per octet of a vector
constexpr std::size_t kFewBlocks = 9;  // fewer take the portable rounds

// One 32-bit word of each of eight blocks, for the shared swap-moves of IP and FP.
using Lanes = uint32_t __attribute__((vector_size(32)));
// __m256i without its alignment attribute, which a template argument would drop.
using Vector = long long __attribute__((vector_size(32)));
// The same register as sixteen-bit words, for shifts.
using Words = uint16_t __attribute__((vector_size(32)));

// A vpshufb table: sixteen octets, repeated for the second 128-bit lane.
using Table = std::array<uint8_t, 32>;

// Bit r of a half counts from 0 at its most significant end (FIPS 46-3's bit r + 1).
constexpr uint32_t HalfBit(int r) { return uint32_t{1} << (31 - r); }

// The S-box whose output P puts in each bit.
constexpr std::array<int, 32> MakeSourceBoxes() {
    std::array<int, 32> boxes{};
    for (int r = 0; r < 32; ++r) {
        for (int box = 0; box < 8; ++box) {
            for (uint32_t value : kDesSpTables[box])
                if (value & HalfBit(r)) boxes[r] = box;
        }
    }
    return boxes;
}

constexpr std::array<int, 32> kSourceBox = MakeSourceBoxes();

// The four bits each S-box's output goes to.
constexpr std::array<std::array<int, 4>, 8> MakeBitsFromBoxes() {
    std::array<std::array<int, 4>, 8> bits{};
    std::array<int, 8> count{};
    for (int r = 0; r < 32; ++r) {
        const int box = kSourceBox[r];
        if (count[box] < 4) bits[box][count[box]] = r;
        ++count[box];
    }
    for (int n : count) {
        if (n != 4) return {};
    }
    return bits;
}

constexpr std::array<std::array<int, 4>, 8> kBitsFromBox = MakeBitsFromBoxes();
static_assert(kBitsFromBox[7][3] != 0, "P sends four bits of each S-box's output");

// Where bit r is kept in its nibble's octet (0 to 3), no two bits of one nibble or of one
// S-box's output in the same place; found by backtracking, which needs few steps here.
struct Places {
    std::array<int, 32> of{};
};

constexpr bool Free(const std::array<int, 32>& place, int r, int candidate) {
    for (int other = 0; other < r; ++other) {
        const bool shares = other / 4 == r / 4 || kSourceBox[other] == kSourceBox[r];
        if (shares && place[other] == candidate) return false;
    }
    return true;
}

constexpr Places MakePlaces() {
    std::array<int, 32> place{};
    place.fill(-1);
    int r = 0;
    while (r >= 0 && r < 32) {
        int candidate = place[r] + 1;
        while (candidate < 4 && !Free(place, r, candidate)) ++candidate;
        if (candidate < 4) {
            place[r++] = candidate;
        } else {
            place[r--] = -1;
        }
    }
    return {place};
}

constexpr Places kPlaces = MakePlaces();
static_assert(kPlaces.of[31] >= 0, "every bit has a place");

constexpr uint8_t PlaceBit(int r) { return uint8_t(1u << kPlaces.of[r]); }

// The octet of nibble i for the four bits of a half given as the nibble i of FIPS order
// (its first bit the most significant), and back: vpshufb tables for ToNibbles/FromNibbles.
using NibbleOrders = std::array<Table, 8>;

constexpr NibbleOrders MakeNibbleOrders(bool toPlaces) {
    NibbleOrders orders{};
    for (int i = 0; i < 8; ++i) {
        for (int natural = 0; natural < 16; ++natural) {
            uint8_t placed = 0;
            for (int t = 0; t < 4; ++t) {
                if (natural >> (3 - t) & 1) placed |= PlaceBit(4 * i + t);
            }
            const int from = toPlaces ? natural : placed, to = toPlaces ? placed : natural;
            orders[i][from] = orders[i][from + 16] = uint8_t(to);
        }
    }
    return orders;
}

alignas(32) constexpr NibbleOrders kToPlaces = MakeNibbleOrders(true);
alignas(32) constexpr NibbleOrders kFromPlaces = MakeNibbleOrders(false);

// Row r of S-box `box` (r = 2 * bit 1 + bit 6 of its input), indexed by nibble `box` as it
// is kept, giving the output bits each where its nibble keeps it.
using BoxRows = std::array<std::array<Table, 4>, 8>;

constexpr BoxRows MakeBoxRows() {
    BoxRows rows{};
    for (int box = 0; box < 8; ++box) {
        for (int row = 0; row < 4; ++row) {
            for (int kept = 0; kept < 16; ++kept) {
                int column = 0;
                for (int t = 0; t < 4; ++t) {
                    if (kept & PlaceBit(4 * box + t)) column |= 8 >> t;
                }
                const uint32_t value = kDesSpTables[box][(row & 2) << 4 | column << 1 | (row & 1)];
                uint8_t output = 0;
                for (int r = 0; r < 32; ++r) {
                    if (value & HalfBit(r)) output |= PlaceBit(r);
                }
                rows[box][row][kept] = rows[box][row][kept + 16] = output;
            }
        }
    }
    return rows;
}

alignas(32) constexpr BoxRows kBoxRows = MakeBoxRows();

// How far the last bit of nibble i (bit 4i + 3) and its first (bit 4i) move up to bit 7.
constexpr int LastBitShift(int i) { return 7 - kPlaces.of[4 * i + 3]; }
constexpr int FirstBitShift(int i) { return 7 - kPlaces.of[4 * i]; }

// A round's subkey for each S-box, each octet-wide value repeated in a 32-bit word so that
// a broadcast from memory makes the vector.
struct alignas(32) RoundKeys {
    std::array<uint32_t, 8> column;  // bits 2 to 5 of the S-box's six, as its nibble keeps them
    std::array<uint32_t, 8> first;   // 0x80 in each octet where key bit 1 is set
    std::array<uint32_t, 8> sixth;   // the same for key bit 6
};

// Where nibble i keeps column bit t (input bit t + 2) of S-box i, by t, in lane i.
constexpr std::array<std::array<int, 8>, 4> MakeColumnPlaces() {
    std::array<std::array<int, 8>, 4> places{};
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 8; ++i) places[t][i] = kPlaces.of[4 * i + t];
    }
    return places;
}

alignas(32) constexpr std::array<std::array<int, 8>, 4> kColumnPlaces = MakeColumnPlaces();

[[gnu::target("avx2")]] std::array<RoundKeys, 16> MakeRoundKeys(const DesKey& key) {
    // S-box i's six bits are the top six of octet 3 - i / 2 of Subkey::even (i even) or odd.
    const __m256i boxShifts = _mm256_setr_epi32(26, 26, 18, 18, 10, 10, 2, 2);
    const __m256i one = _mm256_set1_epi32(1), high = _mm256_set1_epi32(int(0x80808080));
    std::array<RoundKeys, 16> keys;
    for (int round = 0; round < 16; ++round) {
        const DesKey::Subkey& k = key.Subkeys()[round];
        const __m256i words = _mm256_set1_epi64x(int64_t(uint64_t(k.odd) << 32 | k.even));
        const __m256i bits = _mm256_srlv_epi32(words, boxShifts);
        __m256i column = _mm256_setzero_si256();
#pragma GCC unroll 4
        for (int t = 0; t < 4; ++t) {
            const __m256i places =
                _mm256_load_si256(reinterpret_cast<const __m256i*>(kColumnPlaces[t].data()));
            column |= _mm256_sllv_epi32(_mm256_srli_epi32(bits, 4 - t) & one, places);
        }
        column |= _mm256_slli_epi32(column, 8);
        column |= _mm256_slli_epi32(column, 16);
        _mm256_store_si256(reinterpret_cast<__m256i*>(keys[round].column.data()), column);
        _mm256_store_si256(reinterpret_cast<__m256i*>(keys[round].first.data()),
                           _mm256_cmpeq_epi32(_mm256_srli_epi32(bits, 5) & one, one) & high);
        _mm256_store_si256(reinterpret_cast<__m256i*>(keys[round].sixth.data()),
                           _mm256_cmpeq_epi32(bits & one, one) & high);
    }
    return keys;
}

using Nibbles = std::array<Vector, 8>;

[[gnu::always_inline, gnu::target("avx2")]] inline __m256i Broadcast(uint32_t value) {
    return _mm256_set1_epi32(int(value));
}

[[gnu::always_inline, gnu::target("avx2")]] inline __m256i Lookup(const Table& table,
                                                                  __m256i index) {
    return _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(table.data())),
                               index);
}

// left ^= f(right): the cipher function of FIPS 46-3 on thirty-two sliced right halves.
[[gnu::always_inline, gnu::target("avx2")]] inline void Round(Nibbles& left, const Nibbles& right,
                                                              const RoundKeys& k) {
#pragma GCC unroll 8
    for (int box = 0; box < 8; ++box) {
        const __m256i column = right[box] ^ Broadcast(k.column[box]);
        // The last bit of the nibble before and the first of the one after, moved to the
        // top of their octets, where vpblendvb looks; what a 16-bit shift brings in from
        // the octet below lies under it.
        const int before = (box + 7) % 8, after = (box + 1) % 8;
        const Vector last = Vector(Words(right[before]) << LastBitShift(before));
        const Vector first = Vector(Words(right[after]) << FirstBitShift(after));
        const __m256i bit1 = last ^ Broadcast(k.first[box]);
        const __m256i bit6 = first ^ Broadcast(k.sixth[box]);
        const auto& rows = kBoxRows[box];
        const __m256i upper =
            _mm256_blendv_epi8(Lookup(rows[0], column), Lookup(rows[1], column), bit6);
        const __m256i lower =
            _mm256_blendv_epi8(Lookup(rows[2], column), Lookup(rows[3], column), bit6);
        const __m256i output = _mm256_blendv_epi8(upper, lower, bit1);
#pragma GCC unroll 4
        for (const int r : kBitsFromBox[box]) {
            left[r / 4] ^= output & Broadcast(PlaceBit(r) * 0x01010101u);
        }
    }
}

// In each 128-bit lane, the octets of its four 32-bit words regrouped by their place: octet
// q of each word into word q. A transposition, its own inverse.
[[gnu::always_inline, gnu::target("avx2")]] inline Vector ByOctet(Vector v) {
    const __m256i byOctet = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                             0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    return _mm256_shuffle_epi8(v, byOctet);
}

// Word q of each 128-bit lane of the four vectors into vector q. Its own inverse too.
[[gnu::always_inline, gnu::target("avx2")]] inline std::array<Vector, 4> ByWord(
    const std::array<Vector, 4>& v) {
    const __m256i u0 = _mm256_unpacklo_epi32(v[0], v[1]), u1 = _mm256_unpackhi_epi32(v[0], v[1]);
    const __m256i u2 = _mm256_unpacklo_epi32(v[2], v[3]), u3 = _mm256_unpackhi_epi32(v[2], v[3]);
    return {_mm256_unpacklo_epi64(u0, u2), _mm256_unpackhi_epi64(u0, u2),
            _mm256_unpacklo_epi64(u1, u3), _mm256_unpackhi_epi64(u1, u3)};
}

// Words to nibbles: `words` holds one half of thirty-two blocks, eight to a vector; octet n
// of each result belongs to the same block, in an order FromNibbles undoes.
[[gnu::always_inline, gnu::target("avx2")]] inline Nibbles ToNibbles(
    const std::array<Lanes, 4>& words) {
    std::array<Vector, 4> grouped;
#pragma GCC unroll 4
    for (int v = 0; v < 4; ++v) grouped[v] = ByOctet(Vector(words[v]));
    const std::array<Vector, 4> octet = ByWord(grouped);  // octet q of each of the 32 words
    const __m256i low = _mm256_set1_epi8(0xF);
    Nibbles nibbles;
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {  // octet q holds bits 8q .. 8q + 7 counted from the right
        nibbles[6 - 2 * q] = _mm256_srli_epi16(octet[q], 4) & low;
        nibbles[7 - 2 * q] = octet[q] & low;
    }
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) nibbles[i] = Lookup(kToPlaces[i], nibbles[i]);
    return nibbles;
}

[[gnu::always_inline, gnu::target("avx2")]] inline std::array<Lanes, 4> FromNibbles(
    Nibbles nibbles) {
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) nibbles[i] = Lookup(kFromPlaces[i], nibbles[i]);
    std::array<Vector, 4> octet;
#pragma GCC unroll 4
    for (int q = 0; q < 4; ++q) {
        octet[q] = _mm256_slli_epi16(nibbles[6 - 2 * q], 4) | nibbles[7 - 2 * q];
    }
    const std::array<Vector, 4> grouped = ByWord(octet);
    std::array<Lanes, 4> words;
#pragma GCC unroll 4
    for (int v = 0; v < 4; ++v) words[v] = Lanes(ByOctet(grouped[v]));
    return words;
}

// Decrypts the 32 blocks after the first of `chained` into `plain`, each chained on the block
// before it.
[[gnu::target("avx2")]] void DecryptBlocks(const std::array<RoundKeys, 16>& keys,
                                           const uint8_t* chained, uint8_t* plain) {
    const uint8_t* cipher = chained + 8;
    // Octets in memory are big-endian words; lanes hold them in the processor's order.
    const __m256i swapOctets =
        _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2, 1, 0, 7, 6, 5,
                         4, 11, 10, 9, 8, 15, 14, 13, 12);
    std::array<Lanes, 4> first, second;
#pragma GCC unroll 4
    for (int v = 0; v < 4; ++v) {
        const auto* at = reinterpret_cast<const __m256i*>(cipher + 64 * v);
        const __m256 a =
            _mm256_castsi256_ps(_mm256_shuffle_epi8(_mm256_loadu_si256(at), swapOctets));
        const __m256 b =
            _mm256_castsi256_ps(_mm256_shuffle_epi8(_mm256_loadu_si256(at + 1), swapOctets));
        first[v] = Lanes(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0x88)));
        second[v] = Lanes(_mm256_castps_si256(_mm256_shuffle_ps(a, b, 0xDD)));
        DesInitialPermutation(first[v], second[v]);
    }
    Nibbles left = ToNibbles(first), right = ToNibbles(second);
    // Two rounds per step, the halves trading places by name instead of by moves.
    for (int round = 15; round > 0; round -= 2) {
        Round(left, right, keys[round]);
        Round(right, left, keys[round - 1]);
    }
    // The last round does not exchange the halves: the output is R16 L16.
    first = FromNibbles(right);
    second = FromNibbles(left);
#pragma GCC unroll 4
    for (int v = 0; v < 4; ++v) {
        DesFinalPermutation(first[v], second[v]);
        auto* at = reinterpret_cast<__m256i*>(plain + 64 * v);
        const __m256i a = _mm256_unpacklo_epi32(__m256i(first[v]), __m256i(second[v]));
        const __m256i b = _mm256_unpackhi_epi32(__m256i(first[v]), __m256i(second[v]));
        const auto* before = reinterpret_cast<const __m256i*>(chained + 64 * v);
        _mm256_storeu_si256(at, _mm256_shuffle_epi8(a, swapOctets) ^ _mm256_loadu_si256(before));
        _mm256_storeu_si256(at + 1,
                            _mm256_shuffle_epi8(b, swapOctets) ^ _mm256_loadu_si256(before + 1));
    }
}

}  // namespace

bool DesAvx2Usable() { return __builtin_cpu_supports("avx2"); }

[[gnu::target("avx2")]] void DesCbcDecryptAvx2(const DesKey& key, DesBlock& iv,
                                               std::span<uint8_t> buffer) {
    const std::size_t blocks = buffer.size() / 8;
    // A group costs the same however few of its lanes are used: a few blocks are quicker
    // through the portable rounds.
    const std::size_t vectorBlocks =
        blocks % kGroup < kFewBlocks ? blocks / kGroup * kGroup : blocks;
    if (vectorBlocks > 0) {
        const std::array<RoundKeys, 16> keys = MakeRoundKeys(key);
        // The ciphertext block before the group, then the group's; the lanes past the last
        // block decrypt whatever the buffer holds there, and are not stored.
        alignas(32) std::array<uint8_t, 8 + 8 * kGroup> chained{};
        std::memcpy(chained.data(), iv.data(), 8);
        alignas(32) std::array<uint8_t, 8 * kGroup> plain;
        for (std::size_t done = 0; done < vectorBlocks; done += kGroup) {
            const std::size_t count = std::min(vectorBlocks - done, kGroup);
            uint8_t* at = &buffer[8 * done];
            std::memcpy(chained.data() + 8, at, 8 * count);
            DecryptBlocks(keys, chained.data(), plain.data());
            std::memcpy(at, plain.data(), 8 * count);
            std::memcpy(chained.data(), chained.data() + 8 * count, 8);
        }
        std::memcpy(iv.data(), chained.data(), 8);
    }
    DesCbcDecryptPortable(key, iv, buffer.subspan(8 * vectorBlocks));
}

#endif

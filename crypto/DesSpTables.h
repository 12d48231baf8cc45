#pragma once
// The S-boxes of FIPS 46-3 merged with the permutation P that follows them, built at
// compile time for the portable rounds and for the vector lookups derived from them.

#include <array>
#include <cstddef>
#include <cstdint>

// FIPS 46-3 tables; bit 1 is the most significant bit of its word.
inline constexpr uint8_t kDesPermutationP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                                 26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                                 3,  9, 19, 13, 30, 6,  22, 11, 4,  25};

inline constexpr uint8_t kDesSBoxes[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Output bit k of the table (k from 1) is input bit table[k - 1] of an inBits-wide word.
template <std::size_t N>
constexpr uint64_t DesPermute(uint64_t input, int inBits, const uint8_t (&table)[N]) {
    uint64_t output = 0;
    for (std::size_t k = 0; k < N; ++k) {
        output = output << 1 | ((input >> (inBits - table[k])) & 1);
    }
    return output;
}

// Each S-box merged with the permutation P: the 32-bit contribution of S-box i for a 6-bit
// input. The row is bits 1 and 6 of the input, the column bits 2 to 5.
using DesSpTables = std::array<std::array<uint32_t, 64>, 8>;

constexpr DesSpTables MakeDesSpTables() {
    DesSpTables tables{};
    for (int box = 0; box < 8; ++box) {
        for (int input = 0; input < 64; ++input) {
            const int row = (input >> 4 & 2) | (input & 1);
            const int column = input >> 1 & 0xF;
            const uint64_t nibble = uint64_t(kDesSBoxes[box][row * 16 + column]) << (28 - 4 * box);
            tables[box][input] = uint32_t(DesPermute(nibble, 32, kDesPermutationP));
        }
    }
    return tables;
}

alignas(64) inline constexpr DesSpTables kDesSpTables = MakeDesSpTables();

#include "crypto/Md5.h"

#include <bit>
#include <cstring>

namespace {

// RFC 1321 3.4: T[i] = floor(2^32 * |sin(i + 1)|).
constexpr std::array<uint32_t, 64> kSine = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Rotation amounts of each round, four per round (RFC 1321 3.4).
constexpr std::array<std::array<int, 4>, 4> kShift = {
    {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}}};

uint32_t LoadLittleEndian(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLittleEndian(uint32_t value, uint8_t* p) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(value >> (8 * i));
}

// Sixteen steps of one round: a = b + ((a + F(b, c, d) + X[k] + T[i]) <<< s), with the roles
// of a, b, c and d passed on after each step. Unrolled so that k, T[i] and s are constants.
template <int Round, typename F>
void RoundSteps(F f, const uint32_t (&x)[16], uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
#pragma GCC unroll 16
    for (int step = 0; step < 16; ++step) {
        const int i = 16 * Round + step;
        const int word = Round == 0   ? i
                         : Round == 1 ? (5 * i + 1) % 16
                         : Round == 2 ? (3 * i + 5) % 16
                                      : (7 * i) % 16;
        // The terms without b first: b is the one value each step waits for.
        const uint32_t sum = (a + x[word] + kSine[i]) + f(b, c, d);
        const uint32_t rotated = std::rotl(sum, kShift[Round][i % 4]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
}

void Transform(std::array<uint32_t, 4>& state, const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);

    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    // RFC 1321 3.4: the auxiliary functions F, G, H and I, F and G in forms with the same
    // values and fewer steps after u.
    const auto f = [](uint32_t u, uint32_t v, uint32_t w) { return ((v ^ w) & u) ^ w; };
    const auto g = [](uint32_t u, uint32_t v, uint32_t w) { return (v & ~w) + (u & w); };
    const auto h = [](uint32_t u, uint32_t v, uint32_t w) { return u ^ v ^ w; };
    const auto i = [](uint32_t u, uint32_t v, uint32_t w) { return v ^ (u | ~w); };
    RoundSteps<0>(f, x, a, b, c, d);
    RoundSteps<1>(g, x, a, b, c, d);
    RoundSteps<2>(h, x, a, b, c, d);
    RoundSteps<3>(i, x, a, b, c, d);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

void Md5Init(Md5Context& context) {
    context.state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    context.count = {0, 0};
    context.buffer.fill(0);
}

void Md5Update(Md5Context& context, const uint8_t* input, uint16_t length) {
    if (length == 0) return;
    std::size_t index = (context.count[0] >> 3) & 0x3F;
    const uint32_t bits = uint32_t(length) << 3;
    context.count[0] += bits;
    if (context.count[0] < bits) ++context.count[1];
    context.count[1] += uint32_t(length) >> 29;

    std::size_t done = 0;
    const std::size_t room = 64 - index;
    if (length >= room) {
        std::memcpy(context.buffer.data() + index, input, room);
        Transform(context.state, context.buffer.data());
        for (done = room; done + 63 < length; done += 64) Transform(context.state, input + done);
        index = 0;
    }
    std::memcpy(context.buffer.data() + index, input + done, length - done);
}

void Md5Final(std::array<uint8_t, kMd5DigestSize>& digest, Md5Context& context) {
    std::array<uint8_t, 8> bits;
    StoreLittleEndian(context.count[0], bits.data());
    StoreLittleEndian(context.count[1], bits.data() + 4);

    // Pad with 0x80 and zeros to 56 octets modulo 64, then append the bit count.
    static constexpr std::array<uint8_t, 64> kPadding = {0x80};
    const std::size_t index = (context.count[0] >> 3) & 0x3F;
    const std::size_t padLength = index < 56 ? 56 - index : 120 - index;
    Md5Update(context, kPadding.data(), uint16_t(padLength));
    Md5Update(context, bits.data(), uint16_t(bits.size()));

    for (int i = 0; i < 4; ++i) StoreLittleEndian(context.state[i], digest.data() + 4 * i);
    std::memset(&context, 0, sizeof context);
}

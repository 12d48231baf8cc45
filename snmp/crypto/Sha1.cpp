#include "snmp/crypto/Sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

// The 80 words of the schedule are kept in a ring of 16 (FIPS 180-1 method 2), and the rounds
// run in four loops of 20 so that each uses one function and one constant. The working
// variables stay locals, which lets them live in registers.
template <int First, typename F>
void Rounds(uint32_t constant, F f, uint32_t (&w)[16], uint32_t& a, uint32_t& b, uint32_t& c,
            uint32_t& d, uint32_t& e) {
    // Unrolled, the ring's indices are constants and the words stay in registers.
#pragma GCC unroll 20
    for (int t = First; t < First + 20; ++t) {
        uint32_t& word = w[t & 15];
        if (t >= 16) {
            word = std::rotl(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ word, 1);
        }
        const uint32_t temp = std::rotl(a, 5) + f(b, c, d) + e + word + constant;
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
}

void ProcessMessageBlock(Sha1Context& context) {
    uint32_t w[16];
    for (int t = 0; t < 16; ++t) {
        const uint8_t* p = context.messageBlock.data() + 4 * t;
        w[t] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
    auto& h = context.intermediateHash;
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    const auto choose = [](uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); };
    const auto parity = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };
    const auto majority = [](uint32_t x, uint32_t y, uint32_t z) {
        return (x & y) | (x & z) | (y & z);
    };
    Rounds<0>(0x5A827999, choose, w, a, b, c, d, e);
    Rounds<20>(0x6ED9EBA1, parity, w, a, b, c, d, e);
    Rounds<40>(0x8F1BBCDC, majority, w, a, b, c, d, e);
    Rounds<60>(0xCA62C1D6, parity, w, a, b, c, d, e);
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
    h[4] += e;
    context.blockIndex = 0;
}

// RFC 3174 6.1: a 0x80 octet, zeros, and the 64-bit message length at the end of a block.
void PadMessage(Sha1Context& context) {
    auto& block = context.messageBlock;
    block[context.blockIndex++] = 0x80;
    if (context.blockIndex > 56) {
        while (context.blockIndex < 64) block[context.blockIndex++] = 0;
        ProcessMessageBlock(context);
    }
    while (context.blockIndex < 56) block[context.blockIndex++] = 0;
    for (int i = 0; i < 4; ++i) {
        block[56 + i] = uint8_t(context.lengthHigh >> (24 - 8 * i));
        block[60 + i] = uint8_t(context.lengthLow >> (24 - 8 * i));
    }
    ProcessMessageBlock(context);
}

}  // namespace

int Sha1Reset(Sha1Context* context) {
    if (context == nullptr) return kShaNull;
    context->intermediateHash = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    context->lengthLow = 0;
    context->lengthHigh = 0;
    context->blockIndex = 0;
    context->messageBlock.fill(0);
    context->computed = 0;
    context->corrupted = 0;
    return kShaSuccess;
}

int Sha1Input(Sha1Context* context, const uint8_t* message, std::size_t length) {
    if (context == nullptr || message == nullptr || length == 0) return kShaSuccess;
    if (context->computed || context->corrupted) return kShaSuccess;

    while (length > 0) {
        const std::size_t take = std::min<std::size_t>(64 - context->blockIndex, length);
        const uint32_t bits = uint32_t(take * 8);
        context->lengthLow += bits;
        if (context->lengthLow < bits && ++context->lengthHigh == 0) {
            context->corrupted = kShaInputTooLong;  // the bit count wrapped
            break;
        }
        std::memcpy(context->messageBlock.data() + context->blockIndex, message, take);
        context->blockIndex = int16_t(context->blockIndex + take);
        message += take;
        length -= take;
        if (context->blockIndex == 64) ProcessMessageBlock(*context);
    }
    return kShaSuccess;
}

int Sha1Result(Sha1Context* context, std::array<uint8_t, kSha1DigestSize>* digest) {
    if (context == nullptr || digest == nullptr) return kShaNull;
    if (context->corrupted) return context->corrupted;
    if (!context->computed) {
        PadMessage(*context);
        context->messageBlock.fill(0);  // the message is not kept after the result
        context->lengthLow = 0;
        context->lengthHigh = 0;
        context->computed = 1;
    }
    for (int i = 0; i < 20; ++i) {
        (*digest)[i] = uint8_t(context->intermediateHash[i / 4] >> (24 - 8 * (i % 4)));
    }
    return kShaSuccess;
}

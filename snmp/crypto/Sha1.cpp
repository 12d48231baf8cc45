#include "snmp/crypto/Sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

void ProcessMessageBlock(Sha1Context& context) {
    static constexpr std::array<uint32_t, 4> kRoundConstant = {
        0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};

    std::array<uint32_t, 80> w;
    for (int t = 0; t < 16; ++t) {
        const uint8_t* p = context.messageBlock.data() + 4 * t;
        w[t] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
    for (int t = 16; t < 80; ++t) w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

    uint32_t a = context.intermediateHash[0], b = context.intermediateHash[1],
             c = context.intermediateHash[2], d = context.intermediateHash[3],
             e = context.intermediateHash[4];
    for (int t = 0; t < 80; ++t) {
        uint32_t f;
        if (t < 20) f = (b & c) | (~b & d);
        else if (t < 40) f = b ^ c ^ d;
        else if (t < 60) f = (b & c) | (b & d) | (c & d);
        else f = b ^ c ^ d;
        const uint32_t temp = std::rotl(a, 5) + f + e + w[t] + kRoundConstant[t / 20];
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
    context.intermediateHash[0] += a;
    context.intermediateHash[1] += b;
    context.intermediateHash[2] += c;
    context.intermediateHash[3] += d;
    context.intermediateHash[4] += e;
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

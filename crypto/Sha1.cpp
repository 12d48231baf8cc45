#include "crypto/Sha1.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "crypto/CryptoPaths.h"
#include "crypto/Sha1Blocks.h"

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
        // The terms that wait for no earlier round's result first.
        const uint32_t temp = (e + word + constant) + f(b, c, d) + std::rotl(a, 5);
        e = d;
        d = c;
        c = std::rotl(b, 30);
        b = a;
        a = temp;
    }
}

void ProcessBlock(std::array<uint32_t, 5>& h, const uint8_t* block) {
    uint32_t w[16];
    for (int t = 0; t < 16; ++t) {
        const uint8_t* p = block + 4 * t;
        w[t] = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    }
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    // FIPS 180-1's f functions, choose and majority in forms with the same values and fewer
    // steps.
    const auto choose = [](uint32_t x, uint32_t y, uint32_t z) { return ((y ^ z) & x) ^ z; };
    const auto parity = [](uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; };
    const auto majority = [](uint32_t x, uint32_t y, uint32_t z) {
        return (x & y) | (z & (x | y));
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
}

// Adds the input's bits to the 64-bit message length; false when that would pass 2^64 - 1.
bool CountBits(Sha1Context& context, std::size_t length) {
    const uint64_t counted = uint64_t(context.lengthHigh) << 32 | context.lengthLow;
    if (length > (std::numeric_limits<uint64_t>::max() - counted) / 8) return false;
    const uint64_t total = counted + uint64_t(length) * 8;
    context.lengthLow = uint32_t(total);
    context.lengthHigh = uint32_t(total >> 32);
    return true;
}

// Most significant octet first; a fixed count, so the compiler makes it one store.
void StoreBigEndian(uint32_t word, uint8_t* out) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(word >> (24 - 8 * i));
}

// RFC 3174 6.1: a 0x80 octet, zeros, and the 64-bit message length at the end of a block.
void PadMessage(Sha1BlockFunction blocks, Sha1Context& context) {
    auto& block = context.messageBlock;
    std::size_t at = std::size_t(context.blockIndex);
    block[at++] = 0x80;
    if (at > 56) {
        std::fill(block.begin() + at, block.end(), 0);
        blocks(context.intermediateHash, block.data(), 1);
        at = 0;
    }
    std::fill(block.begin() + at, block.begin() + 56, 0);
    StoreBigEndian(context.lengthHigh, block.data() + 56);
    StoreBigEndian(context.lengthLow, block.data() + 60);
    blocks(context.intermediateHash, block.data(), 1);
    context.blockIndex = 0;
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

void Sha1PortableBlocks(std::array<uint32_t, 5>& hash, const uint8_t* blocks, std::size_t count) {
    for (; count > 0; --count, blocks += 64) ProcessBlock(hash, blocks);
}

Sha1BlockFunction Sha1FastestBlocks() {
    // A fact about the processor, chosen once for the process: held by an object, the
    // choice would have to travel into every hash.
    static const Sha1BlockFunction fastest = [] {
        const Sha1BlockFunction shaNi =
            CryptoPathLimit() == CryptoPaths::kAll ? Sha1ShaNiBlocks() : nullptr;
        return shaNi != nullptr ? shaNi : Sha1PortableBlocks;
    }();
    return fastest;
}

// Whole blocks are hashed where they lie in the caller's buffer; only a partial block is
// copied, to wait for the rest.
int Sha1InputUsing(Sha1BlockFunction blocks, Sha1Context* context, const uint8_t* message,
                   std::size_t length) {
    if (context == nullptr || message == nullptr || length == 0) return kShaSuccess;
    if (context->computed || context->corrupted) return kShaSuccess;
    if (!CountBits(*context, length)) {
        context->corrupted = kShaInputTooLong;
        return kShaSuccess;
    }
    auto& block = context->messageBlock;
    if (context->blockIndex > 0) {
        const std::size_t take = std::min<std::size_t>(64 - context->blockIndex, length);
        std::memcpy(block.data() + context->blockIndex, message, take);
        context->blockIndex = int16_t(context->blockIndex + take);
        message += take;
        length -= take;
        if (context->blockIndex < 64) return kShaSuccess;
        blocks(context->intermediateHash, block.data(), 1);
    }
    const std::size_t whole = length / 64;
    if (whole > 0) blocks(context->intermediateHash, message, whole);
    context->blockIndex = int16_t(length % 64);
    std::memcpy(block.data(), message + 64 * whole, length % 64);
    return kShaSuccess;
}

int Sha1ResultUsing(Sha1BlockFunction blocks, Sha1Context* context,
                    std::array<uint8_t, kSha1DigestSize>* digest) {
    if (context == nullptr || digest == nullptr) return kShaNull;
    if (context->corrupted) return context->corrupted;
    if (!context->computed) {
        PadMessage(blocks, *context);
        context->messageBlock.fill(0);  // the message is not kept after the result
        context->lengthLow = 0;
        context->lengthHigh = 0;
        context->computed = 1;
    }
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(context->intermediateHash[i], digest->data() + 4 * i);
    return kShaSuccess;
}

int Sha1Input(Sha1Context* context, const uint8_t* message, std::size_t length) {
    return Sha1InputUsing(Sha1FastestBlocks(), context, message, length);
}

int Sha1Result(Sha1Context* context, std::array<uint8_t, kSha1DigestSize>* digest) {
    return Sha1ResultUsing(Sha1FastestBlocks(), context, digest);
}

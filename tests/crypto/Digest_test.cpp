#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/Md5.h"
#include "crypto/Sha1.h"
#include "crypto/Sha1Blocks.h"
#include "support/HexOctets.h"

namespace {

struct DigestVector {
    std::string message;
    std::string_view digest;
};

const std::string kMillionA(1'000'000, 'a');

// Feeds the message in pieces of the given sizes, cycling, so that pieces straddle blocks.
std::string Md5Hex(std::string_view message, std::vector<std::size_t> pieces = {65535}) {
    Md5Context context;
    Md5Init(context);
    for (std::size_t at = 0, n = 0; at < message.size(); ++n) {
        const std::size_t take = std::min(pieces[n % pieces.size()], message.size() - at);
        Md5Update(context, reinterpret_cast<const uint8_t*>(message.data() + at), uint16_t(take));
        at += take;
    }
    std::array<uint8_t, kMd5DigestSize> digest;
    Md5Final(digest, context);
    return ToHex(digest, digest.size());
}

std::string Sha1Hex(std::string_view message, std::vector<std::size_t> pieces = {1 << 20},
                    Sha1BlockFunction blocks = Sha1FastestBlocks()) {
    Sha1Context context;
    EXPECT_EQ(Sha1Reset(&context), kShaSuccess);
    for (std::size_t at = 0, n = 0; at < message.size(); ++n) {
        const std::size_t take = std::min(pieces[n % pieces.size()], message.size() - at);
        EXPECT_EQ(Sha1InputUsing(blocks, &context,
                                 reinterpret_cast<const uint8_t*>(message.data() + at), take),
                  kShaSuccess);
        at += take;
    }
    std::array<uint8_t, kSha1DigestSize> digest;
    EXPECT_EQ(Sha1ResultUsing(blocks, &context, &digest), kShaSuccess);
    return ToHex(digest, digest.size());
}

// RFC 1321 A.5 test suite; the million 'a' value is the commonly published one.
const DigestVector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
    {kMillionA, "7707d6ae4e027c70eea2a935c2296f21"},
};

// FIPS 180-1 appendices A-C and RFC 3174 7.3 test 4; the empty message is commonly published.
const DigestVector kFips180_1[] = {
    {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {kMillionA, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {[] {
         std::string s;
         for (int i = 0; i < 10; ++i)
             s += "0123456701234567012345670123456701234567012345670123456701234567";
         return s;
     }(),
     "dea356a2cddd90c7a7ecedc5ebb563934f460452"},
};

}  // namespace

TEST(Md5, GivesTheRfc1321Vectors) {
    for (const auto& v : kRfc1321) EXPECT_EQ(Md5Hex(v.message), v.digest) << v.message.size();
}

TEST(Md5, SplitUpdatesGiveTheSameDigest) {
    // Pieces of 1, 63 and 64 octets cross every block boundary position.
    for (const auto& v : kRfc1321) {
        EXPECT_EQ(Md5Hex(v.message, {1, 63, 64, 7}), v.digest) << v.message.size();
    }
}

TEST(Md5, FinalZeroesTheContext) {
    Md5Context context;
    Md5Init(context);
    Md5Update(context, reinterpret_cast<const uint8_t*>("abc"), 3);
    std::array<uint8_t, kMd5DigestSize> digest;
    Md5Final(digest, context);
    const Md5Context zero{};
    EXPECT_EQ(context.state, zero.state);
    EXPECT_EQ(context.count, zero.count);
    EXPECT_EQ(context.buffer, zero.buffer);
}

TEST(Sha1, GivesTheFips180_1Vectors) {
    for (const auto& v : kFips180_1) EXPECT_EQ(Sha1Hex(v.message), v.digest) << v.message.size();
}

TEST(Sha1, SplitInputsGiveTheSameDigest) {
    for (const auto& v : kFips180_1) {
        EXPECT_EQ(Sha1Hex(v.message, {1, 63, 64, 7}), v.digest) << v.message.size();
    }
}

TEST(Sha1, ShaExtensionsAgreeWithThePortableBlocks) {
    const Sha1BlockFunction shaNi = Sha1ShaNiBlocks();
    if (shaNi == nullptr) GTEST_SKIP() << "this CPU lacks the SHA extensions";
    // Every length up to 16 blocks, each fed in its own random pieces, some longer than a block.
    std::mt19937 random(3174);
    std::uniform_int_distribution<int> octet(0, 255);
    std::uniform_int_distribution<std::size_t> pieceSize(1, 150);
    std::string message;
    for (std::size_t length = 0; length <= 1030; ++length) {
        std::vector<std::size_t> pieces(8);
        for (auto& size : pieces) size = pieceSize(random);
        EXPECT_EQ(Sha1Hex(message, pieces, shaNi), Sha1Hex(message, {1 << 20}, Sha1PortableBlocks))
            << length;
        message.push_back(char(octet(random)));
    }
}

TEST(Sha1, ResultCanBeReadAgainAndLaterInputIsIgnored) {
    Sha1Context context;
    ASSERT_EQ(Sha1Reset(&context), kShaSuccess);
    ASSERT_EQ(Sha1Input(&context, reinterpret_cast<const uint8_t*>("abc"), 3), kShaSuccess);
    std::array<uint8_t, kSha1DigestSize> first, second;
    ASSERT_EQ(Sha1Result(&context, &first), kShaSuccess);
    EXPECT_EQ(Sha1Input(&context, reinterpret_cast<const uint8_t*>("def"), 3), kShaSuccess);
    ASSERT_EQ(Sha1Result(&context, &second), kShaSuccess);
    EXPECT_EQ(ToHex(second, second.size()), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(first, second);
}

TEST(Sha1, MissingArgumentsAndEmptyInput) {
    EXPECT_EQ(Sha1Reset(nullptr), kShaNull);
    std::array<uint8_t, kSha1DigestSize> digest;
    EXPECT_EQ(Sha1Result(nullptr, &digest), kShaNull);

    Sha1Context context;
    ASSERT_EQ(Sha1Reset(&context), kShaSuccess);
    EXPECT_EQ(Sha1Input(&context, nullptr, 5), kShaSuccess);
    EXPECT_EQ(Sha1Input(&context, reinterpret_cast<const uint8_t*>("x"), 0), kShaSuccess);
    EXPECT_EQ(Sha1Result(&context, nullptr), kShaNull);
    ASSERT_EQ(Sha1Result(&context, &digest), kShaSuccess);
    EXPECT_EQ(ToHex(digest, digest.size()), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(Sha1, MessageBeyondTwoToTheSixtyFourBitsCorruptsTheContext) {
    Sha1Context context;
    ASSERT_EQ(Sha1Reset(&context), kShaSuccess);
    // Stand at 2^64 - 8 bits: one more octet makes the bit count wrap.
    context.lengthHigh = 0xFFFFFFFF;
    context.lengthLow = 0xFFFFFFF8;
    const uint8_t octet = 'a';
    EXPECT_EQ(Sha1Input(&context, &octet, 1), kShaSuccess);
    std::array<uint8_t, kSha1DigestSize> digest;
    EXPECT_EQ(Sha1Result(&context, &digest), kShaInputTooLong);
}

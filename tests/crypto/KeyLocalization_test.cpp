#include <gtest/gtest.h>

#include <string>

#include "crypto/KeyLocalization.h"
#include "crypto/UsmDigest.h"
#include "support/HexOctets.h"

namespace {

constexpr std::string_view kPassword = "maplesyrup";
constexpr std::string_view kEngineId = "000000000000000000000002";

std::string LocalizedHex(int protocol, std::string_view password, std::string_view engineId) {
    UsmKey key{};
    const int length = LocalizeKey(protocol, password, engineId, key);
    return ToHex(key, std::size_t(length));
}

}  // namespace

// MD5 and SHA-1: RFC 3414 A.3.1 and A.3.2. SHA-2: the same inputs, the algorithm of A.2
// with the SHA-2 function (RFC 7860); expected keys computed once with Python's hashlib.
TEST(LocalizeKey, GivesTheKeysOfTheRfc3414A3Inputs) {
    const struct {
        int protocol;
        std::string_view key;
    } kKeys[] = {
        {kAuthHmacMd5, "526f5eed9fcce26f8964c2930787d82b"},
        {kAuthHmacSha1, "6695febc9288e36282235fc7151f128497b38f3f"},
        {kAuthHmacSha224, "0bd8827c6e29f8065e08e09237f177e410f69b90e1782be682075674"},
        {kAuthHmacSha256, "8982e0e549e866db361a6b625d84cccc11162d453ee8ce3a6445c2d6776f0f8b"},
        {kAuthHmacSha384,
         "3b298f16164a11184279d5432bf169e2d2a48307de02b3d3f7e2b4f36eb6f045"
         "5a53689a3937eea07319a633d2ccba78"},
        {kAuthHmacSha512,
         "22a5a36cedfcc085807a128d7bc6c2382167ad6c0dbc5fdff856740f3d84c099"
         "ad1ea87a8db096714d9788bd544047c9021e4229ce27e4c0a69250adfcffbb0b"},
    };
    for (const auto& k : kKeys)
        EXPECT_EQ(LocalizedHex(k.protocol, kPassword, kEngineId), k.key) << k.protocol;
}

TEST(LocalizeKey, NoKeyWithoutPasswordOrForAnotherProtocol) {
    UsmKey key{};
    key.fill(0xAA);
    EXPECT_EQ(LocalizeKey(kAuthHmacMd5, "", kEngineId, key), 0);
    EXPECT_EQ(LocalizeKey(kAuthNone, kPassword, kEngineId, key), 0);
    EXPECT_EQ(LocalizeKey(kAuthHmacSha512 + 1, kPassword, kEngineId, key), 0);
}

TEST(LocalizeKey, UnreadableEngineIdLocalizesOverKuAndKu) {
    // Ku of RFC 3414 A.3.1, then MD5(Ku || Ku).
    const auto ku = HexOctets("9faf3283884e92834ebc9847d8edd963");
    UsmDigest digest(kAuthHmacMd5);
    digest.Feed(ku);
    digest.Feed(ku);
    UsmKey expected{};
    digest.Finish(expected);

    for (std::string_view text : {"00000000000000000000000", "0000000000000000000000020",
                                  "00000000000000000000000g", "0x000000000000000000000002"}) {
        EXPECT_EQ(LocalizedHex(kAuthHmacMd5, kPassword, text), ToHex(expected, 16)) << text;
    }
    EXPECT_EQ(LocalizedHex(kAuthHmacMd5, kPassword, ""), ToHex(expected, 16));
}

TEST(EngineIdFromText, ConvertsPairsHighNibbleFirst) {
    std::array<uint8_t, kMaxEngineIdOctets> octets{};
    ASSERT_EQ(EngineIdFromText("80001F8880aBcD", octets), 7);
    EXPECT_EQ(ToHex(octets, 7), "80001f8880abcd");

    EXPECT_EQ(EngineIdFromText("abc", octets), 0);
    EXPECT_EQ(EngineIdFromText("zz", octets), 0);
    EXPECT_EQ(EngineIdFromText("", octets), 0);
}

TEST(EngineIdFromText, TakesThirtyTwoOctetsAndRefusesMoreThanItsRoom) {
    std::array<uint8_t, kMaxEngineIdOctets> octets{};
    const std::string full(64, 'f');
    EXPECT_EQ(EngineIdFromText(full, octets), 32);
    EXPECT_EQ(octets.back(), 0xFF);

    std::array<uint8_t, 40> canary{};
    EXPECT_EQ(EngineIdFromText(full + "ff", std::span(canary).first(32)), 0);
    EXPECT_EQ(canary, (std::array<uint8_t, 40>{}));
}

#include <gtest/gtest.h>

#include <string>

#include "snmp/crypto/KeyLocalization.h"
#include "snmp/crypto/UsmDigest.h"
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

// RFC 3414 A.3.1 and A.3.2.
TEST(LocalizeKey, GivesTheRfc3414A3Keys) {
    EXPECT_EQ(LocalizedHex(kAuthHmacMd5, kPassword, kEngineId),
              "526f5eed9fcce26f8964c2930787d82b");
    EXPECT_EQ(LocalizedHex(kAuthHmacSha1, kPassword, kEngineId),
              "6695febc9288e36282235fc7151f128497b38f3f");
}

TEST(LocalizeKey, NoKeyWithoutPasswordOrForAnotherProtocol) {
    UsmKey key{};
    key.fill(0xAA);
    EXPECT_EQ(LocalizeKey(kAuthHmacMd5, "", kEngineId, key), 0);
    EXPECT_EQ(LocalizeKey(kAuthNone, kPassword, kEngineId, key), 0);
    EXPECT_EQ(LocalizeKey(3, kPassword, kEngineId, key), 0);
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

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "crypto/Hmac.h"
#include "support/HexOctets.h"

namespace {

struct HmacVector {
    int protocol;
    std::string_view keyHex;  // zero-padded to the key length: HMAC pads keys with zeros anyway
    std::string data;
    std::string_view mac;
};

UsmKey KeyOf(std::string_view hex) {
    UsmKey key{};
    const auto octets = HexOctets(hex);
    std::copy(octets.begin(), octets.end(), key.begin());
    return key;
}

// RFC 2202 sections 2 and 3, the cases whose keys fit 16 (MD5) and 20 (SHA-1) octets.
const HmacVector kRfc2202[] = {
    {kAuthHmacMd5, "0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b", "Hi There",
     "9294727a3638bb1c13f48ef8158bfc9d"},
    {kAuthHmacMd5, "4a656665", "what do ya want for nothing?", "750c783e6ab0b503eaa86e310a5db738"},
    {kAuthHmacMd5, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", std::string(50, '\xdd'),
     "56be34521d144c88dbb8c733f0e8b3f6"},
    {kAuthHmacMd5, "0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c", "Test With Truncation",
     "56461ef2342edc00f9bab995690efd4c"},
    {kAuthHmacSha1, "0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b", "Hi There",
     "b617318655057264e28bc0b6fb378c8ef146be00"},
    {kAuthHmacSha1, "4a656665", "what do ya want for nothing?",
     "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
    {kAuthHmacSha1, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", std::string(50, '\xdd'),
     "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
    {kAuthHmacSha1, "0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c0c", "Test With Truncation",
     "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
};

// RFC 4231 4.2, 4.3 and 4.5 (test cases 1, 2 and 4), whose keys are no longer than a
// localized SHA-224 key.
const std::string_view kKey1 = "0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b";
const std::string_view kKey4 = "0102030405060708090a0b0c0d0e0f10111213141516171819";
const std::string kData2 = "what do ya want for nothing?";
const std::string kData4(50, '\xcd');
const HmacVector kRfc4231[] = {
    {kAuthHmacSha224, kKey1, "Hi There",
     "896fb1128abbdf196832107cd49df33f47b4b1169912ba4f53684b22"},
    {kAuthHmacSha256, kKey1, "Hi There",
     "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
    {kAuthHmacSha384, kKey1, "Hi There",
     "afd03944d84895626b0825f4ab46907f15f9dadbe4101ec682aa034c7cebc59c"
     "faea9ea9076ede7f4af152e8b2fa9cb6"},
    {kAuthHmacSha512, kKey1, "Hi There",
     "87aa7cdea5ef619d4ff0b4241a1d6cb02379f4e2ce4ec2787ad0b30545e17cde"
     "daa833b7d6b8a702038b274eaea3f4e4be9d914eeb61f1702e696c203a126854"},
    {kAuthHmacSha224, "4a656665", kData2,
     "a30e01098bc6dbbf45690f3a7e9e6d0f8bbea2a39e6148008fd05e44"},
    {kAuthHmacSha256, "4a656665", kData2,
     "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
    {kAuthHmacSha384, "4a656665", kData2,
     "af45d2e376484031617f78d2b58a6b1b9c7ef464f5a01b47e42ec3736322445e"
     "8e2240ca5e69e2c78b3239ecfab21649"},
    {kAuthHmacSha512, "4a656665", kData2,
     "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea250554"
     "9758bf75c05a994a6d034f65f8f0e6fdcaeab1a34d4a6b4b636e070a38bce737"},
    {kAuthHmacSha224, kKey4, kData4, "6c11506874013cac6a2abc1bb382627cec6a90d86efc012de7afec5a"},
    {kAuthHmacSha256, kKey4, kData4,
     "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
    {kAuthHmacSha384, kKey4, kData4,
     "3e8a69b7783c25851933ab6290af6ca77a9981480850009cc5577c6e1f573b4e"
     "6801dd23c4a7d679ccf8a386c674cffb"},
    {kAuthHmacSha512, kKey4, kData4,
     "b0ba465637458c6990e5a8c5f61d4af7e576d97ff94b872de76f8050361ee3db"
     "a91ca5c11aa25eb4d679275cc5788063a5f19741120c4f2de2adebeb10a298dd"},
};

std::span<const uint8_t> OctetsOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

TEST(Hmac96, GivesTheRfc2202AndRfc4231Vectors) {
    for (std::span<const HmacVector> vectors :
         {std::span<const HmacVector>(kRfc2202), std::span<const HmacVector>(kRfc4231)}) {
        for (const auto& v : vectors) {
            UsmKey mac{};
            ASSERT_TRUE(Hmac96(v.protocol, KeyOf(v.keyHex), OctetsOf(v.data), mac));
            EXPECT_EQ(ToHex(mac, v.mac.size() / 2), v.mac) << v.protocol << " " << v.data;
        }
    }
}

// The prepared key restores its pad states for every message, for our digests and
// libcrypto's alike.
TEST(HmacKey, SignsMessageAfterMessageFromItsPreparedState) {
    for (const auto& v : {kRfc2202[1], kRfc4231[5], kRfc4231[7]}) {
        HmacKey key(v.protocol, KeyOf(v.keyHex));
        UsmKey first{}, second{};
        ASSERT_TRUE(key.Sign(OctetsOf("another message"), first));
        ASSERT_TRUE(key.Sign(OctetsOf(v.data), second));
        EXPECT_EQ(ToHex(second, v.mac.size() / 2), v.mac) << v.protocol;
        EXPECT_NE(first, second);
    }
}

TEST(Hmac96, Md5UsesOnlyTheFirstSixteenKeyOctets) {
    UsmKey key = KeyOf("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b");
    key[16] = 0xFF;  // would change the MAC if it were used
    const std::string data = "Hi There";
    UsmKey mac{};
    Hmac96(kAuthHmacMd5, key, OctetsOf(data), mac);
    EXPECT_EQ(ToHex(mac, 16), "9294727a3638bb1c13f48ef8158bfc9d");
}

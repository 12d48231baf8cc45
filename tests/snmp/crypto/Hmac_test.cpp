#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "snmp/crypto/Hmac.h"
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

}  // namespace

TEST(Hmac96, GivesTheRfc2202Vectors) {
    for (const auto& v : kRfc2202) {
        UsmKey mac{};
        Hmac96(v.protocol, KeyOf(v.keyHex),
               {reinterpret_cast<const uint8_t*>(v.data.data()), v.data.size()}, mac);
        EXPECT_EQ(ToHex(mac, v.mac.size() / 2), v.mac) << v.protocol << " " << v.data;
    }
}

TEST(Hmac96, Md5UsesOnlyTheFirstSixteenKeyOctets) {
    UsmKey key = KeyOf("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b");
    key[16] = 0xFF;  // would change the MAC if it were used
    const std::string data = "Hi There";
    UsmKey mac{};
    Hmac96(kAuthHmacMd5, key, {reinterpret_cast<const uint8_t*>(data.data()), data.size()}, mac);
    EXPECT_EQ(ToHex(mac, 16), "9294727a3638bb1c13f48ef8158bfc9d");
}

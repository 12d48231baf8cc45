#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "crypto/KeyLocalization.h"
#include "snmp/UsmKeyCache.h"

namespace {

struct Request {
    int protocol;
    std::string password;
    std::string engineId;
};

void ExpectSameAsLocalizeKey(UsmKeyCache& cache, const Request& r) {
    UsmKey direct{};
    const int directLength = LocalizeKey(r.protocol, r.password, r.engineId, direct);
    const auto cached = cache.Localize(r.protocol, r.password, r.engineId);
    ASSERT_EQ(bool(cached), directLength != 0);
    if (!cached) return;
    EXPECT_EQ(cached->length, directLength);
    EXPECT_EQ(cached->key, direct) << r.protocol << " " << r.password << " " << r.engineId;
    // The prepared HMAC key signs as Hmac96 does with the key.
    const std::array<uint8_t, 3> message = {1, 2, 3};
    UsmKey expected{}, signed_{};
    ASSERT_TRUE(Hmac96(r.protocol, direct, message, expected));
    ASSERT_TRUE(cached->hmac.Sign(message, signed_));
    EXPECT_EQ(signed_, expected);
}

}  // namespace

// More distinct keys than the cache holds, asked for twice in turn, so that every answer
// after the first round comes from a slot that was reused for another key.
TEST(UsmKeyCache, GivesTheKeysOfLocalizeKeyAcrossEviction) {
    std::vector<Request> requests;
    for (std::size_t i = 0; i < kUsmKeyCacheSize + 3; ++i) {
        const int protocol = i % 2 ? kAuthHmacMd5 : kAuthHmacSha1;
        const std::string engineId = "80000001" + std::to_string(i % 3 * 11);
        requests.push_back({protocol, "password" + std::to_string(i / 3), engineId});
    }
    const auto cache = std::make_unique<UsmKeyCache>();
    for (int round = 0; round < 2; ++round) {
        for (const Request& r : requests) ExpectSameAsLocalizeKey(*cache, r);
    }
}

TEST(UsmKeyCache, KeysDifferBySeparateProtocolPasswordAndEngineId) {
    const auto cache = std::make_unique<UsmKeyCache>();
    // Same password under both digests, and prefixes of password and engine ID.
    for (const Request& r :
         std::vector<Request>{{kAuthHmacMd5, "maplesyrup", "000000000000000000000002"},
                              {kAuthHmacSha1, "maplesyrup", "000000000000000000000002"},
                              {kAuthHmacSha256, "maplesyrup", "000000000000000000000002"},
                              {kAuthHmacSha512, "maplesyrup", "000000000000000000000002"},
                              {kAuthHmacMd5, "maplesyrup", "0000000000000000000000"},
                              {kAuthHmacMd5, "maplesyru", "000000000000000000000002"},
                              {kAuthHmacMd5, "maplesyrup", "00000000000000000000000A"},
                              {kAuthHmacMd5, "maplesyrup", "00000000000000000000000a"},
                              {kAuthHmacMd5, "maplesyrup", "not hex"},
                              {kAuthHmacMd5, "", "000000000000000000000002"},
                              {kAuthNone, "maplesyrup", "000000000000000000000002"}}) {
        ExpectSameAsLocalizeKey(*cache, r);
        ExpectSameAsLocalizeKey(*cache, r);
    }
}

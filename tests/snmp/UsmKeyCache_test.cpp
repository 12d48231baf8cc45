#include <gtest/gtest.h>

#include <string>

#include "snmp/UsmKeyCache.h"
#include "snmp/crypto/KeyLocalization.h"

namespace {

struct Request {
    int protocol;
    std::string password;
    std::string engineId;
};

void ExpectSameAsLocalizeKey(const Request& r) {
    UsmKey direct{}, cached{};
    const int directLength = LocalizeKey(r.protocol, r.password, r.engineId, direct);
    EXPECT_EQ(CachedLocalizeKey(r.protocol, r.password, r.engineId, cached), directLength)
        << r.protocol << " " << r.password << " " << r.engineId;
    EXPECT_EQ(cached, direct) << r.protocol << " " << r.password << " " << r.engineId;
}

}  // namespace

// More distinct keys than the cache holds, asked for twice in turn, so that every answer
// after the first round comes from a slot that was reused for another key.
TEST(UsmKeyCache, GivesTheKeysOfLocalizeKeyAcrossEviction) {
    std::vector<Request> requests;
    for (std::size_t i = 0; i < kUsmKeyCacheSize + 3; ++i) {
        const int protocol = i % 2 ? kAuthHmacMd5 : kAuthHmacSha1;
        requests.push_back({protocol, "password" + std::to_string(i / 3), "80000001" +
                                                                            std::to_string(i % 3 * 11)});
    }
    for (int round = 0; round < 2; ++round) {
        for (const Request& r : requests) ExpectSameAsLocalizeKey(r);
    }
}

TEST(UsmKeyCache, KeysDifferBySeparateProtocolPasswordAndEngineId) {
    // Same password under both digests, and prefixes of password and engine ID.
    for (const Request& r : std::vector<Request>{
             {kAuthHmacMd5, "maplesyrup", "000000000000000000000002"},
             {kAuthHmacSha1, "maplesyrup", "000000000000000000000002"},
             {kAuthHmacMd5, "maplesyrup", "0000000000000000000000"},
             {kAuthHmacMd5, "maplesyru", "000000000000000000000002"},
             {kAuthHmacMd5, "maplesyrup", "00000000000000000000000A"},
             {kAuthHmacMd5, "maplesyrup", "00000000000000000000000a"},
             {kAuthHmacMd5, "maplesyrup", "not hex"},
             {kAuthHmacMd5, "", "000000000000000000000002"},
             {kAuthNone, "maplesyrup", "000000000000000000000002"}}) {
        ExpectSameAsLocalizeKey(r);
        ExpectSameAsLocalizeKey(r);
    }
}

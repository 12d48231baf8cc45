#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "mail/Base64.h"

TEST(Base64, MatchesTheRfc4648TestVectors) {
    // RFC 4648 section 10.
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"a", "YQ=="},
        {"ab", "YWI="},
        {"abc", "YWJj"},
    };
    for (const auto& [plain, encoded] : vectors) EXPECT_EQ(Base64Encode(plain), encoded) << plain;
}

TEST(Base64, UsesTheLastTwoLettersAndEncodesEveryByteValue) {
    EXPECT_EQ(Base64Encode("\xFB\xEF\xFF"), "++//");
    EXPECT_EQ(Base64Encode(std::string("\0\0\0", 3)), "AAAA");
    EXPECT_EQ(Base64Encode("\x1B$B$\"\x1B(B"), "GyRCJCIbKEI=");
}

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/Encoding.h"

TEST(Encoding, RoundTripsJapaneseThroughCp932) {
    const std::string utf8 = "サービス起動中～①";
    const std::string cp932 = Utf8ToCp932(utf8);
    EXPECT_EQ(cp932.size(), 18u);  // nine two-byte characters
    EXPECT_EQ(static_cast<unsigned char>(cp932[0]), 0x83);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
}

TEST(Encoding, PrefixNeverSplitsATwoByteCharacter) {
    const std::string text = "a" + Utf8ToCp932("あい");  // 1 + 2 + 2 bytes
    EXPECT_EQ(Cp932PrefixLength(text, 0), 0u);
    EXPECT_EQ(Cp932PrefixLength(text, 1), 1u);
    EXPECT_EQ(Cp932PrefixLength(text, 2), 1u);
    EXPECT_EQ(Cp932PrefixLength(text, 3), 3u);
    EXPECT_EQ(Cp932PrefixLength(text, 4), 3u);
    EXPECT_EQ(Cp932PrefixLength(text, 99), 5u);
    // A lone lead byte at the end is not a whole character.
    EXPECT_EQ(Cp932PrefixLength(std::string("ab\x82", 3), 3), 2u);
    // A long plain run first, then two-byte characters and a lone lead byte.
    const std::string longer =
        std::string(17, 'x') + Utf8ToCp932("あい") + "\x82";  // 17 + 2 + 2 + 1
    for (const auto& [limit, length] : std::vector<std::pair<std::size_t, std::size_t>>{{8, 8},
                                                                                        {16, 16},
                                                                                        {17, 17},
                                                                                        {18, 17},
                                                                                        {19, 19},
                                                                                        {20, 19},
                                                                                        {21, 21},
                                                                                        {22, 21},
                                                                                        {99, 21}})
        EXPECT_EQ(Cp932PrefixLength(longer, limit), length) << limit;
}

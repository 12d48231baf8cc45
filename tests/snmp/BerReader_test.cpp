#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "snmp/BerReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct HeaderCase {
    const char* what;
    Bytes octets;
    int result;
    int32_t tag;
    std::size_t contentLength;
    std::size_t bytesLeftAfter;  // header octets consumed on success
};

TEST(BerReader, ReadsHeadersAndRefusesLengthsThatLeaveTheBuffer) {
    const HeaderCase cases[] = {
        {"short form", {0x04, 0x02, 'a', 'b'}, 0, 0x04, 2, 2},
        {"empty content", {0x05, 0x00}, 0, 0x05, 0, 0},
        {"context tag is sign-extended", {0xA7, 0x00}, 0, -89, 0, 0},
        {"one long-form octet", {0x30, 0x81, 0x01, 0xFF}, 0, 0x30, 1, 1},
        {"four long-form octets", {0x30, 0x84, 0, 0, 0, 1, 0xFF}, 0, 0x30, 1, 1},
        {"fewer than two octets", {0x30}, 1, 0, 0, 0},
        {"indefinite length", {0x30, 0x80, 0x05, 0x00, 0x00, 0x00}, 1, 0, 0, 0},
        {"five length octets", {0x30, 0x85, 0, 0, 0, 0, 1, 0xFF}, 1, 0, 0, 0},
        {"length octets missing", {0x30, 0x82, 0x01}, 1, 0, 0, 0},
        {"content beyond the data", {0x04, 0x03, 'a', 'b'}, 1, 0, 0, 0},
        {"negative 16-bit length", {0x04, 0x82, 0x80, 0x01, 'a'}, 1, 0, 0, 0},
        // Kept to 16 bits this would read as a length of 1.
        {"length over 16 bits", {0x04, 0x83, 0x01, 0x00, 0x01, 'a'}, 1, 0, 0, 0},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes octets = c.octets;
        BerReader reader(octets);
        BerHeader header;
        ASSERT_EQ(reader.ReadHeader(header), c.result);
        if (c.result != 0) {
            EXPECT_EQ(reader.BytesLeft(), octets.size()) << "position moved on failure";
            continue;
        }
        EXPECT_EQ(header.tag, c.tag);
        EXPECT_EQ(header.content.size(), c.contentLength);
        EXPECT_EQ(reader.BytesLeft(), c.bytesLeftAfter);
        EXPECT_EQ(header.content.data(), reader.Rest().data());
    }
}

TEST(BerReader, ElementsAreReadInTurnAndAWrongTagLeavesThePosition) {
    Bytes octets = {0x02, 0x01, 0x07, 0x04, 0x01, 'x'};
    BerReader reader(octets);
    BerHeader header;
    EXPECT_EQ(reader.ReadElement(0x04, header), 1);
    EXPECT_EQ(reader.BytesLeft(), 6u);
    ASSERT_EQ(reader.ReadElement(0x02, header), 0);
    EXPECT_EQ(header.content[0], 0x07);
    ASSERT_EQ(reader.ReadElement(0x04, header), 0);
    EXPECT_EQ(header.content[0], 'x');
    EXPECT_EQ(reader.BytesLeft(), 0u);
    EXPECT_EQ(reader.ReadHeader(header), 1);
}

TEST(BerReader, UnsignedReadersKeepTheLastOctetsWithoutSignExtension) {
    const Bytes ff = {0xFF};
    const Bytes five = {0x01, 0x12, 0x34, 0x56, 0x78};
    const Bytes nine = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ReadUnsigned32({}), 0u);
    EXPECT_EQ(ReadUnsigned32(ff), 255u);
    EXPECT_EQ(ReadUnsigned32(five), 0x12345678u);
    EXPECT_EQ(ReadUnsigned64(ff), 255u);
    EXPECT_EQ(ReadUnsigned64(nine), 0x0102030405060708u);
}

struct OidCase {
    Bytes content;
    std::string text;
};

TEST(BerReader, OidToTextWritesDottedArcs) {
    const OidCase cases[] = {
        {{0x2B, 0x06, 0x01, 0x04, 0x01}, "1.3.6.1.4.1"},
        {{0x2B, 0x81, 0x00}, "1.3.128"},
        {{0x2B, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, "1.3.4294967295"},
        {{0x2B}, "1.3"},
        {{0x00}, "0.0"},
        {{0x88, 0x37, 0x01}, "2.999.1"},  // X.690 8.19.4: the first arcs can span octets
        {{0x7F}, "2.47"},
        {{}, ""},
        // Sub-identifiers that cannot be read whole are left off.
        {{0x2B, 0x06, 0x81}, "1.3.6"},
        {{0x2B, 0x06, 0x90, 0x80, 0x80, 0x80, 0x00, 0x05}, "1.3.6"},
    };
    for (const OidCase& c : cases) {
        std::array<char, 128> text;
        text.fill('#');
        OidToText(c.content, text);
        EXPECT_STREQ(text.data(), c.text.c_str());
    }
}

TEST(BerReader, OidTextIsCutAtAWholeArcToFitItsRoom) {
    Bytes content = {0x2B};
    for (int i = 0; i < 30; ++i) content.insert(content.end(), {0x81, 0x80, 0x00});  // 16384
    std::array<char, 20> text;
    text.fill('#');
    OidToText(content, text);
    EXPECT_STREQ(text.data(), "1.3.16384.16384");  // another ".16384" would need 22 octets
    std::array<char, 1> none;
    OidToText(content, none);
    EXPECT_EQ(none[0], '\0');
}

}  // namespace

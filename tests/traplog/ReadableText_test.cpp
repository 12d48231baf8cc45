#include "traplog/ReadableText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* hex;
    const char* text;  // UTF-8; empty: not readable
};

}  // namespace

TEST(ReadableText, PrintableOctetsGiveTheirTextAndAnythingElseNone) {
    const Case cases[] = {
        {"0x6C 69 6E 6B 20 64 6F 77 6E ", "link down"},
        {"0x6C 69 6E 6B 00 00 ", "link"},   // trailing NULs dropped
        {"0x61 09 62 0D 0A ", "a\tb\r\n"},  // tab and line ends are text
        {"0xE7 AB AF E6 9C AB ", "端末"},   // UTF-8
        {"0x92 5B 96 96 ", "端末"},         // Shift_JIS
        {"0xB1 B2 ", "ｱｲ"},                 // half-width katakana
        {"0x81 5C ", "―"},                  // a trail byte in the ASCII range
        {"0x00 00 ", ""},
        {"", ""},
        {"0x", ""},
        {"0x00 1A 2B 3C ", ""},  // binary
        {"0x61 1B 62 ", ""},     // escape
        {"0x61 7F ", ""},        // delete
        {"0xC2 85 ", ""},        // C1 control in UTF-8
        {"0xC0 80 ", ""},        // overlong
        {"0xED A0 80 ", ""},     // surrogate
        {"0xF0 9F 98 ", ""},     // cut UTF-8 that is no Shift_JIS
        {"0x92 ", ""},           // lead byte without trail
        {"0x92 7F ", ""},        // trail byte out of range
        {"0x80 81 ", ""},        // 0x80 is neither
        {"0x1.3.6.1", ""},       // not a hex value
        {"0x6C 6", ""},
        {"12345", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadableText(c.hex), c.text) << c.hex;
}

TEST(ReadableText, BindingsListOnlyTheirReadableValuesWithTheirNames) {
    const std::string cell =
        "1.3.6.1.2.1.2.2.1.2.3,0x65 74 68 30 ,1.3.6.1.2.1.2.2.1.1.3,3,"
        "1.3.6.1.4.1.9.1,0x00 FF ,1.3.6.1.4.1.9.2,0x92 5B 96 96 ,";
    EXPECT_EQ(ReadableBindings(cell), "1.3.6.1.2.1.2.2.1.2.3: eth0\n1.3.6.1.4.1.9.2: 端末");
    EXPECT_EQ(ReadableBindings("1.3.6.1.2.1.1.3.0,0:00:01,"), "");
    EXPECT_EQ(ReadableBindings(""), "");
}

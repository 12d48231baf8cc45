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
        {"6C 69 6E 6B 20 64 6F 77 6E ", "link down"},
        {"6C 69 6E 6B 00 00 ", "link"},   // trailing NULs dropped
        {"61 09 62 0D 0A ", "a\tb\r\n"},  // tab and line ends are text
        {"E7 AB AF E6 9C AB ", "端末"},   // UTF-8
        {"92 5B 96 96 ", "端末"},         // Shift_JIS
        {"B1 B2 ", "ｱｲ"},                 // half-width katakana
        {"81 5C ", "―"},                  // a trail byte in the ASCII range
        {"00 00 ", ""},
        {"", ""},
        {"00 1A 2B 3C ", ""},  // binary
        {"61 1B 62 ", ""},     // escape
        {"61 7F ", ""},        // delete
        {"C2 85 ", ""},        // C1 control in UTF-8
        {"C0 80 ", ""},        // overlong
        {"ED A0 80 ", ""},     // surrogate
        {"F0 9F 98 ", ""},     // cut UTF-8 that is no Shift_JIS
        {"92 ", ""},           // lead byte without trail
        {"92 7F ", ""},        // trail byte out of range
        {"80 81 ", ""},        // 0x80 is neither
        // Values of other types are no hex, even where their digits would be text.
        {"41", ""},  // INTEGER 41
        {"4142", ""},
        {"41 42", ""},
        {"1.3.6.1", ""},
        {"00:00:41", ""},
        {"0x41 42 ", ""},
        {"6C 6", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadableText(c.hex), c.text) << c.hex;
}

TEST(ReadableText, BindingsListOnlyTheirReadableValuesWithTheirNames) {
    const std::string cell =
        "1.3.6.1.2.1.2.2.1.2.3,65 74 68 30 ,1.3.6.1.2.1.2.2.1.1.3,41,"
        "1.3.6.1.4.1.9.1,00 FF ,1.3.6.1.4.1.9.2,92 5B 96 96 ,";
    EXPECT_EQ(ReadableBindings(cell), "1.3.6.1.2.1.2.2.1.2.3: eth0\n1.3.6.1.4.1.9.2: 端末");
    EXPECT_EQ(ReadableBindings("1.3.6.1.2.1.1.3.0,0:00:01,"), "");
    EXPECT_EQ(ReadableBindings(""), "");

    // For a copied row: the cell as it is, each readable value followed by its text.
    EXPECT_EQ(BindingsWithReadableText(cell),
              "1.3.6.1.2.1.2.2.1.2.3,65 74 68 30 \"eth0\",1.3.6.1.2.1.2.2.1.1.3,41,"
              "1.3.6.1.4.1.9.1,00 FF ,1.3.6.1.4.1.9.2,92 5B 96 96 \"端末\",");
    EXPECT_EQ(BindingsWithReadableText("1.3.6.1.4.1.9.2,92 5B 96 96 ,1.3.6.1.4.1.9.3,65 7"),
              "1.3.6.1.4.1.9.2,92 5B 96 96 \"端末\",1.3.6.1.4.1.9.3,65 7");  // cut at the end
}

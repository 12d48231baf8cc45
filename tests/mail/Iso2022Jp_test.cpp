#include <gtest/gtest.h>

#include <iconv.h>

#include <array>
#include <string>
#include <vector>

#include "mail/Iso2022Jp.h"
#include "platform/Encoding.h"

namespace {

std::string Convert(std::string_view sjis, std::size_t outSize = 1024) {
    std::vector<char> out(outSize, '#');
    const std::size_t length = SjisToIso2022Jp(sjis, out);
    EXPECT_LT(length, outSize);
    EXPECT_EQ(out[length], '\0');
    return std::string(out.data(), length);
}

std::string Jis(std::string_view twoByteCodes) {
    return std::string(kEscapeToJisX0208) + std::string(twoByteCodes) + std::string(kEscapeToAscii);
}

// glibc's own CP932 -> ISO-2022-JP conversion of one character, or "" when it refuses it.
std::string IconvJis(std::string_view sjis) {
    iconv_t cd = iconv_open("ISO-2022-JP", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::array<char, 32> buffer{};
    char* in = const_cast<char*>(sjis.data());
    size_t inLeft = sjis.size();
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    std::string result;
    if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
        iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1))
        result.assign(buffer.data(), out);
    iconv_close(cd);
    return result;
}

}  // namespace

TEST(Iso2022Jp, ConvertsKanaAndKanjiBetweenAsciiRuns) {
    EXPECT_EQ(Convert("\x82\xA0"), "\x1B$B$\"\x1B(B");  // あ
    EXPECT_EQ(Convert(Utf8ToCp932("アイウ")), Jis("%\"%$%&"));
    EXPECT_EQ(Convert(Utf8ToCp932("ab漢字c\r\n")), "ab" + Jis("4A;z") + "c\r\n");
    // Every switch back to ASCII comes before the ASCII byte, and the end is in ASCII.
    EXPECT_EQ(Convert(Utf8ToCp932("x障害y発生")), "x" + Jis(">c32") + "y" + Jis("H/@8"));
    EXPECT_EQ(Convert("plain ascii"), "plain ascii");
    EXPECT_EQ(Convert(""), "");
}

TEST(Iso2022Jp, TakesHalfWidthKatakanaAndLoneLeadBytesAsTheArithmeticGivesThem) {
    // A half-width katakana byte is the first byte of a pair with whatever follows.
    EXPECT_EQ(Convert("\xB1"
                      "A"),
              Jis("\x01\""));  // ｱ then 'A'
    EXPECT_EQ(Convert("\xB1\xB2"), Jis("\x02"
                                       "4"));  // ｱｲ
    // A lead byte at the end has no second byte and is passed on unchanged.
    EXPECT_EQ(Convert("a\x82"), "a" + Jis("\x82"));
    // The input ends at its first zero byte.
    EXPECT_EQ(Convert(std::string("a\0b", 3)), "a");
    EXPECT_EQ(Convert(std::string("\x82\0b", 3)), Jis("\x82"));
}

TEST(Iso2022Jp, AgreesWithIconvOnEveryJisX0208Character) {
    int compared = 0;
    for (int s1 = 0x81; s1 <= 0xEF; ++s1) {
        if (s1 >= 0xA0 && s1 < 0xE0) continue;
        for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
            if (s2 == 0x7F) continue;
            const std::string sjis{static_cast<char>(s1), static_cast<char>(s2)};
            const std::string expected = IconvJis(sjis);
            // NEC row 13 duplicates JIS X 0208 symbols at other codes: iconv maps those
            // through Unicode, the arithmetic by position.
            if (expected.empty() || s1 == 0x87) continue;
            ASSERT_EQ(Convert(sjis), expected) << std::hex << s1 << ' ' << s2;
            ++compared;
        }
    }
    EXPECT_GT(compared, 6800);
}

TEST(Iso2022Jp, StopsBetweenCharactersAndStillReturnsToAscii) {
    const std::string text = Utf8ToCp932("あい");  // whole: 3 + 2 + 2 + 3 bytes
    const std::string whole = Jis("$\"$$");
    const std::string first = Jis("$\"");
    EXPECT_EQ(Convert(text, whole.size() + 1), whole);
    EXPECT_EQ(Convert(text, whole.size()), first);
    EXPECT_EQ(Convert(text, first.size() + 1), first);
    EXPECT_EQ(Convert(text, first.size()), "");
    EXPECT_EQ(Convert(text, 1), "");
    // An ASCII byte after kanji needs the escape back before it.
    const std::string mixed = Utf8ToCp932("あb");
    EXPECT_EQ(Convert(mixed, 9), first);
    EXPECT_EQ(Convert(mixed, 10), first + "b");
    std::array<char, 1> sentinel{'#'};
    EXPECT_EQ(SjisToIso2022Jp(text, std::span<char>(sentinel.data(), 0)), 0u);
    EXPECT_EQ(sentinel[0], '#');
}

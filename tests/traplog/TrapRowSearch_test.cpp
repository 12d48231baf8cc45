#include "traplog/TrapRowSearch.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"

namespace {

TrapRow Row(int image, const char* version, std::string_view messageUtf8,
            std::string bindings = {}) {
    TrapRowTexts texts;
    texts.image = image;
    texts.columns[1] = "2024/03/02 09:05:03";
    texts.columns[2] = "192.168.1.20";
    texts.columns[4] = version;
    texts.columns[kMessageColumn] = Utf8ToCp932(messageUtf8);
    texts.columns[kBindingsColumn] = std::move(bindings);
    return PackTrapRow(texts);
}

TrapRowQuery Text(std::string_view utf8) { return TrapRowQuery{Utf8ToCp932(utf8), -1, 0}; }

}  // namespace

TEST(TrapRowSearch, TextEventAndVersionNarrowTheRows) {
    const TrapRow linkDown = Row(2, "2", "ポート 3 リンクダウン", "1.3.6.1.2.1.2.2.1.1.3,3,");
    EXPECT_TRUE(TrapRowMatches(linkDown, {}));
    EXPECT_TRUE(TrapRowMatches(linkDown, Text("リンク")));
    EXPECT_TRUE(TrapRowMatches(linkDown, Text("168.1.2")));      // inside a cell
    EXPECT_TRUE(TrapRowMatches(linkDown, Text("2.2.1.1.3,3")));  // the bindings column
    EXPECT_FALSE(TrapRowMatches(linkDown, Text("リンクアップ")));
    EXPECT_FALSE(TrapRowMatches(linkDown, Text("ダウン2024")));  // across two cells
    EXPECT_FALSE(TrapRowMatches(linkDown, Text("link")));        // bytes, not letter case
    EXPECT_TRUE(TrapRowMatches(linkDown, TrapRowQuery{"", 2, 2}));
    EXPECT_FALSE(TrapRowMatches(linkDown, TrapRowQuery{"", 3, 0}));
    EXPECT_FALSE(TrapRowMatches(linkDown, TrapRowQuery{"", -1, 3}));
    EXPECT_FALSE(TrapRowMatches(linkDown, TrapRowQuery{Utf8ToCp932("リンク"), 2, 1}));
    // "ソ" is 0x83 0x5C: its trail byte is a backslash, which must not match on its own.
    EXPECT_FALSE(TrapRowMatches(Row(6, "1", "ソフト"), TrapRowQuery{"\\", -1, 0}));
    EXPECT_TRUE(TrapRowMatches(Row(6, "1", "C:\\ソフト"), TrapRowQuery{"\\", -1, 0}));
}

// Octet strings are kept as hex; their readable text is searched as the detail shows it.
TEST(TrapRowSearch, TheReadableTextOfABindingAndTheNameAreSearchedToo) {
    const std::string utf8 =
        "E3 83 87 E3 82 A3 E3 82 B9 E3 82 AF E5 AE B9 E9 87 8F ";     // ディスク容量
    const std::string sjis = "83 66 83 42 83 58 83 4E 97 65 97 CA ";  // the same in Shift_JIS
    const TrapRow disk = Row(6, "2", "disk", "1.3.6.1.4.1.99.1," + utf8 + ",");
    const TrapRow sjisDisk = Row(
        6, "2", "disk",
        "1.3.6.1.2.1.1.3.0,00:00:42,1.3.6.1.4.1.99.2," + sjis + ",1.3.6.1.4.1.99.3,6C 69 6E 6B ,");
    EXPECT_TRUE(TrapRowMatches(disk, Text("ディスク容量")));
    EXPECT_TRUE(TrapRowMatches(disk, Text("容量")));
    EXPECT_TRUE(TrapRowMatches(sjisDisk, Text("スク容")));
    EXPECT_TRUE(TrapRowMatches(sjisDisk, Text("link")));
    EXPECT_FALSE(TrapRowMatches(sjisDisk, Text("容量link")));  // across two bindings
    EXPECT_FALSE(TrapRowMatches(disk, Text("不足")));
    EXPECT_FALSE(TrapRowMatches(disk, TrapRowQuery{Utf8ToCp932("容量"), -1, 1}));
    // Letters in either case when asked: in a cell, a readable text and the name.
    EXPECT_TRUE(TrapRowMatches(disk, TrapRowQuery{"DISK", -1, 0, true}));
    EXPECT_TRUE(TrapRowMatches(sjisDisk, TrapRowQuery{"LiNK", -1, 0, true}));
    EXPECT_FALSE(TrapRowMatches(sjisDisk, TrapRowQuery{"LiNK", -1, 0, false}));
    // Octets that hold the text's but are no text as a whole, and a number whose digits
    // would be "A", are not found.
    EXPECT_FALSE(TrapRowMatches(Row(6, "2", "x", "1.3.6.1.4.1.9,00 6C 69 6E 6B ,"), Text("link")));
    EXPECT_FALSE(TrapRowMatches(Row(6, "2", "x", "1.3.6.1.2.1.2.2.1.1.3,41,"), Text("A")));

    // The name is asked for only when no cell holds the text.
    int asked = 0;
    const auto name = [&](const TrapRow&) -> std::string_view {
        ++asked;
        return "IF-MIB::linkDown";
    };
    EXPECT_TRUE(TrapRowMatches(disk, Text("IF-MIB::link"), name));
    EXPECT_FALSE(TrapRowMatches(disk, Text("linkUp"), name));
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(TrapRowMatches(disk, TrapRowQuery{"if-mib::LINKDOWN", -1, 0, true}, name));
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(TrapRowMatches(disk, Text("disk"), name));
    EXPECT_FALSE(TrapRowMatches(disk, TrapRowQuery{"linkDown", 2, 0}, name));
    EXPECT_EQ(asked, 3);
}

TEST(TrapRowSearch, NumbersSortByValueBeforeText) {
    EXPECT_LT(CompareTrapCells("9", "10"), 0);
    EXPECT_GT(CompareTrapCells("10", "9"), 0);
    EXPECT_LT(CompareTrapCells("-1", "0"), 0);
    EXPECT_EQ(CompareTrapCells("42", "42"), 0);
    EXPECT_LT(CompareTrapCells("7", "0x01 "), 0);
    EXPECT_LT(CompareTrapCells("", "a"), 0);
    EXPECT_LT(CompareTrapCells("192.168.1.10", "192.168.1.9"), 0);  // text: byte order
}

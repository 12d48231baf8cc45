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

TEST(TrapRowSearch, NumbersSortByValueBeforeText) {
    EXPECT_LT(CompareTrapCells("9", "10"), 0);
    EXPECT_GT(CompareTrapCells("10", "9"), 0);
    EXPECT_LT(CompareTrapCells("-1", "0"), 0);
    EXPECT_EQ(CompareTrapCells("42", "42"), 0);
    EXPECT_LT(CompareTrapCells("7", "0x01 "), 0);
    EXPECT_LT(CompareTrapCells("", "a"), 0);
    EXPECT_LT(CompareTrapCells("192.168.1.10", "192.168.1.9"), 0);  // text: byte order
}

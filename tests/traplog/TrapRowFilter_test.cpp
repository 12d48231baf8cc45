#include "traplog/TrapRowFilter.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/Encoding.h"

namespace {

struct NamedRow {
    TrapRow row;
    std::string name;
    std::string oid;
};

NamedRow Row(const char* date, const char* source, const char* version, const char* user,
             std::string_view messageUtf8, std::string bindings, const char* name, const char* oid,
             int image) {
    TrapRowTexts texts;
    texts.image = image;
    texts.columns[1] = date;
    texts.columns[2] = source;
    texts.columns[3] = "core-sw1";
    texts.columns[4] = version;
    texts.columns[kMessageColumn] = Utf8ToCp932(messageUtf8);
    texts.columns[6] = "public";
    texts.columns[20] = user;
    texts.columns[kBindingsColumn] = std::move(bindings);
    return {PackTrapRow(texts), name, oid};
}

const std::array<NamedRow, 3>& Rows() {
    static const std::array<NamedRow, 3> rows = {{
        // linkDown of interface 3 (ifDescr "eth0" with a trailing NUL), a text in UTF-8.
        Row("2026/12/08 06:10:00", "192.0.2.7", "2", "", "アラーム: ポート 3 リンクダウン",
            "1.3.6.1.2.1.1.3.0,00:00:42,1.3.6.1.6.3.1.1.4.1.0,1.3.6.1.6.3.1.1.5.3,"
            "1.3.6.1.2.1.2.2.1.1.3,3,1.3.6.1.2.1.2.2.1.2.3,65 74 68 30 00 ,"
            "1.3.6.1.4.1.99.1,E3 83 87 E3 82 A3 E3 82 B9 E3 82 AF ,",
            "IF-MIB::linkDown", "1.3.6.1.6.3.1.1.5.3", 2),
        Row("2026/12/07 23:59:59", "198.51.100.9", "3", "alice", "Link up",
            "1.3.6.1.6.3.1.1.4.1.0,1.3.6.1.6.3.1.1.5.4,1.3.6.1.2.1.2.2.1.1.12,12,",
            "IF-MIB::linkUp", "1.3.6.1.6.3.1.1.5.4", 3),
        Row("2026/11/30 08:00:00", "192.0.2.200", "1", "", "cold start", "", "", "", 0),
    }};
    return rows;
}

std::string Lookup(std::string_view name) {
    if (name == "ifIndex" || name == "IF-MIB::ifIndex") return "1.3.6.1.2.1.2.2.1.1";
    if (name == "ifDescr") return ".1.3.6.1.2.1.2.2.1.2";
    return {};
}

// "ABC" as the rows the expression keeps: A, B and C in the order of Rows().
std::string Kept(std::string_view expression, bool ignoreCase = false) {
    auto compiled = TrapRowFilter::Compile(expression, ignoreCase, Lookup);
    if (const auto* error = std::get_if<TrapFilterError>(&compiled))
        return "error: " + error->message;
    const auto& filter = *std::get<std::shared_ptr<const TrapRowFilter>>(compiled);
    std::string kept;
    for (std::size_t i = 0; i < Rows().size(); ++i) {
        const NamedRow& row = Rows()[i];
        const TrapRowNames names{[&](const TrapRow&) -> std::string_view { return row.name; },
                                 [&](const TrapRow&) -> std::string_view { return row.oid; }};
        if (filter.Matches(row.row, names)) kept += static_cast<char>('A' + i);
    }
    return kept;
}

}  // namespace

TEST(TrapRowFilter, ExpressionsKeepTheRowsTheySay) {
    const struct {
        const char* expression;
        const char* kept;
    } cases[] = {
        {R"(source == 192.0.2.0/24 && trap ~ "linkDown" && ifIndex == 3)", "A"},
        {R"(text ~ "ディスク")", "A"},
        {R"(version == 3 && user == "alice")", "B"},
        {"source == 192.0.2.0/24", "AC"},
        {"source == 192.0.2.7", "A"},
        {"source != 192.0.2.0/25", "BC"},
        {"source == 192.0.2.128/25", "C"},
        {"source ~ 100", "B"},
        {"version >= 2", "AB"},
        {"version < 2 || user == alice", "BC"},
        {"!(version == 2)", "BC"},
        {"! version == 2 && message ~ start", "C"},
        {"(version == 1 || version == 3) && !(user ~ ali)", "C"},
        {"date >= 2026/12/07", "AB"},
        {"date == 2026/12/08", "A"},
        {"date < \"2026/12/07 23:59:59\"", "C"},
        {"date <= \"2026-12-7 23:59\"", "BC"},
        {"trap == linkUp", "B"},
        {"trap == \"IF-MIB::linkDown\"", "A"},
        {"trap == 1.3.6.1.6.3.1.1.5.4", "B"},
        {"trap ~ 1.3.6.1.6.3.1.1.5", "AB"},
        {"trap", "AB"},
        {"ifIndex", "AB"},                     // has the binding
        {"IF-MIB::ifIndex > 5", "B"},          // an instance of the column
        {"1.3.6.1.2.1.2.2.1.1 == 12", "B"},    // by OID
        {".1.3.6.1.2.1.2.2.1.1.3 == 3", "A"},  // the instance itself
        {"1.3.6.1.2.1.2.2.1 ~ 12", "B"},       // a prefix at a sub-identifier
        {"1.3.6.1.2.1.2.2.1.1.1 == 12", ""},   // not ".1.12"
        {"ifIndex != 3", "BC"},                // rows without it too
        {"ifDescr == eth0", "A"},              // its readable text, NULs dropped
        {"ifDescr ~ th", "A"},
        {"text == eth0", "A"},
        {"text ~ ETH", ""},
        {"message ~ \"リンク\"", "A"},
        {"message == \"Link up\"", "B"},
        {"message ~ link", ""},
        {"\"core-sw1\" && version == 1", "C"},  // a text alone searches every column
        {"any ~ public && event == 2", "A"},
        {"event >= 2", "AB"},
        {"host ~ \"sw\\\"\"", ""},               // an escaped quote is part of the text
        {"community == public && generic", ""},  // an empty cell is not there
    };
    for (const auto& c : cases) EXPECT_EQ(Kept(c.expression), c.kept) << c.expression;
}

TEST(TrapRowFilter, LettersMatchInEitherCaseWhenAsked) {
    EXPECT_EQ(Kept("message ~ LINK", true), "B");
    EXPECT_EQ(Kept("text ~ ETH", true), "A");
    EXPECT_EQ(Kept("ifDescr == ETH0", true), "A");
    EXPECT_EQ(Kept("trap == LINKDOWN", true), "A");
    EXPECT_EQ(Kept("user == ALICE", true), "B");
    EXPECT_EQ(Kept("\"CORE-SW1\"", true), "ABC");
    // A trail byte that looks like a letter is no letter: "ア" is 0x83 0x41.
    EXPECT_EQ(Kept("message ~ a", true), "C");
}

TEST(TrapRowFilter, SyntaxErrorsSayWhatAndWhere) {
    const struct {
        const char* expression;
        std::size_t position;
        const char* message;
    } cases[] = {
        {"version = 3", 8, "== で比べて"},
        {"version == 3 & user == a", 13, "&&"},
        {"version == 3 | 1", 13, "||"},
        {"user == \"alice", 8, "\" が閉じていません"},
        {"(version == 3", 0, ") がありません"},
        {"version == 3)", 12, "( がない )"},
        {"version ==", 8, "値がありません"},
        {"version == 3 &&", 15, "途中で終わって"},
        {"version 3", 8, "&& か || が要ります"},
        {"nosuchfield == 1", 0, "「nosuchfield」"},
        {"version > three", 10, "数値で"},
        {"date > yesterday", 7, "日付は"},
        {"source == 192.0.2.0/33", 10, "プレフィックス長"},
        {"trap < 3", 7, "== != ~"},
        {"&& version == 1", 0, "項目名"},
        {"", 0, "式がありません"},
        {"version == \"ポート\" && (", 27, "途中で終わって"},  // bytes, not characters
    };
    for (const auto& c : cases) {
        auto compiled = TrapRowFilter::Compile(c.expression, false, Lookup);
        const auto* error = std::get_if<TrapFilterError>(&compiled);
        ASSERT_NE(error, nullptr) << c.expression;
        EXPECT_EQ(error->position, c.position) << c.expression;
        EXPECT_NE(error->message.find(c.message), std::string::npos)
            << c.expression << ": " << error->message;
    }
    // Nesting is bounded, so a long run of parentheses is an error, not a deep recursion.
    const std::string deep = std::string(10000, '(') + "version == 1" + std::string(10000, ')');
    EXPECT_TRUE(std::holds_alternative<TrapFilterError>(TrapRowFilter::Compile(deep, false)));
}

TEST(TrapRowFilter, TheBoxTellsExpressionsFromTexts) {
    for (const char* expression :
         {"version == 3", "a != b", "x ~ y", "date < 2026", "a>1", "\"x\" && \"y\"", "a || b"})
        EXPECT_TRUE(LooksLikeFilterExpression(expression)) << expression;
    for (const char* text :
         {"linkDown", "Com = public", "\"a == b\"", "C:\\temp", "!important", "down(2)", "a & b"})
        EXPECT_FALSE(LooksLikeFilterExpression(text)) << text;
}

// The context menu's expression for a cell keeps the row the cell came from.
TEST(TrapRowFilter, TheExpressionForACellKeepsItsRow) {
    const NamedRow& row = Rows()[1];
    for (int column = 0; column <= kTrapListColumns; ++column) {
        const std::string value = column == 0                  ? std::to_string(row.row.image)
                                  : column == kTrapListColumns ? row.name
                                                               : Cp932ToUtf8(row.row.Cell(column));
        const std::string expression = FilterExpressionFor(column, value);
        ASSERT_FALSE(expression.empty()) << column;
        EXPECT_NE(Kept(expression).find('B'), std::string::npos) << expression;
    }
    EXPECT_EQ(FilterExpressionFor(2, "192.0.2.7"), "source == 192.0.2.7");
    EXPECT_EQ(FilterExpressionFor(5, "say \"hi\" C:\\"), R"(message == "say \"hi\" C:\\")");
}

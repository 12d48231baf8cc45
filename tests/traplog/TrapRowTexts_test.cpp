#include "traplog/TrapRowTexts.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "settings/AppSettings.h"
#include "support/TrapRecords.h"
#include "traplog/TrapText.h"

namespace {

std::tm ReceiveTime() {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 2;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    return t;
}

std::vector<std::string> Columns(const TrapRecord& record) {
    const TrapRowTexts row =
        BuildTrapRowTexts(record, ExpandTrapMessage(record, WithTestFormats()), ReceiveTime());
    return {row.columns.begin(), row.columns.end()};
}

std::vector<std::string> Expected(std::initializer_list<std::pair<int, std::string>> filled) {
    std::vector<std::string> columns(kTrapListColumns);
    for (const auto& [column, text] : filled) columns[static_cast<std::size_t>(column)] = text;
    return columns;
}

}  // namespace

TEST(TrapRowTexts, SnmpV1RowFillsTheV1ColumnsAndLeavesTheOthersEmpty) {
    const auto record = V1ColdStartishRecord();
    EXPECT_EQ(
        Columns(*record),
        Expected(
            {{1, "2024/03/02 09:05:03"},
             {2, "192.168.1.20"},
             {4, "1"},
             {5,
              "GID = 6 / SID = 3 /  { 1.3.6.1.2.1.2.2.1.1.1 = 42 / 1.3.6.1.4.1.9.1.1 = 41 42  } "},
             {6, "public"},
             {7, "1.3.6.1.4.1.9.1"},
             {8, "6"},
             {9, "3"},
             {10, "10.0.0.1"},
             {11, "00:01:40"},
             {32, "1.3.6.1.2.1.2.2.1.1.1,42,1.3.6.1.4.1.9.1.1,41 42 ,"}}));
    EXPECT_EQ(BuildTrapRowTexts(*record, "", ReceiveTime()).image, 6);
}

TEST(TrapRowTexts, SnmpV2cRowLeavesTheV1AndV3ColumnsEmpty) {
    EXPECT_EQ(Columns(*V2cRecord()), Expected({{1, "2024/03/02 09:05:03"},
                                               {2, "192.168.1.20"},
                                               {4, "2"},
                                               {5, "Com = private"},
                                               {6, "private"},
                                               {29, "7"},
                                               {30, "1"},
                                               {31, "2"},
                                               {32, "1.3.6.1.2.1.2.2.1.1.2,2,"}}));
}

TEST(TrapRowTexts, SnmpV3RowFillsTheV3ColumnsWithTheLengthsInDecimal) {
    std::string authText = "0x";
    for (int i = 0; i < 12; ++i) authText += "AB ";
    EXPECT_EQ(Columns(*V3Record()), Expected({{1, "2024/03/02 09:05:03"},
                                              {2, "192.168.1.20"},
                                              {4, "3"},
                                              {5, "User = user1"},
                                              {12, "100"},
                                              {13, "65507"},
                                              {14, "3"},
                                              {15, "3"},
                                              {16, "5"},
                                              {17, "0x80 00 1F 88 01 "},
                                              {18, "00:00:00"},
                                              {19, "00:01:00"},
                                              {20, "user1"},
                                              {21, "12"},
                                              {22, authText},
                                              {23, "8"},
                                              {24, "0x01 01 01 01 01 01 01 01 "},
                                              {25, "5"},
                                              {26, "0x80 00 1F 88 01 "},
                                              {27, "0"},
                                              {29, "9"},
                                              {30, "0"},
                                              {31, "0"},
                                              {32, "1.3.6.1.2.1.1.3.0,5,"}}));
}

TEST(TrapRowTexts, UnknownVersionGetsNoMessageAndNoBindingsGiveAnEmptyColumn) {
    auto record = NewTrapRecord(2);
    const auto columns = Columns(*record);
    EXPECT_EQ(columns[kMessageColumn], "");
    EXPECT_EQ(columns[kBindingsColumn], "");
    EXPECT_EQ(columns[4], "2");
}

TEST(TrapRowTexts, BindingsColumnIsCutAt2047Bytes) {
    auto record = NewTrapRecord(1);
    const std::string longHex = std::string(399, 'F');
    std::string full;
    for (int i = 0; i < 10; ++i) {
        AddOctetStringBinding(*record, "1.3.6.1.4.1.1", longHex.c_str());
        full += "1.3.6.1.4.1.1," + longHex + ",";
    }
    const std::string column = Columns(*record)[kBindingsColumn];
    EXPECT_EQ(column.size(), kBindingsLimit);
    EXPECT_EQ(column, full.substr(0, kBindingsLimit));
}

TEST(TrapRowTexts, ReadBackSlotsKeepTheirLimitsAndWholeCharacters) {
    std::vector<std::string> columns(kTrapListColumns);
    columns[1] = "2024/03/02 09:05:03";
    columns[5] = "message is not copied";
    columns[6] = std::string(40, 'c');    // community: 35 of 40
    columns[17] = std::string(200, 'e');  // engine id: 127 of 200
    columns[20] =
        Utf8ToCp932("ユーザユーザユーザユーザユーザユーザ");  // 36 bytes: 34, no half character
    columns[32] = std::string(3000, 'b');                     // bindings: 2047
    TrapListRow row;
    FillTrapListRow(
        [&](int column) { return std::string_view(columns[static_cast<std::size_t>(column)]); },
        row);
    EXPECT_STREQ(row.date.data(), "2024/03/02 09:05:03");
    EXPECT_EQ(std::string(row.community.data()), std::string(35, 'c'));
    EXPECT_EQ(std::string(row.engineId.data()), std::string(127, 'e'));
    EXPECT_EQ(Cp932ToUtf8(row.userName.data()), "ユーザユーザユーザユーザユーザユー");
    EXPECT_EQ(std::string(row.bindings.data()), std::string(2047, 'b'));
    EXPECT_STREQ(row.hostName.data(), "");
}

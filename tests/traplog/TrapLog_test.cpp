#include "traplog/TrapLog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "notify/records/DBLib.h"
#include "platform/Encoding.h"
#include "platform/FailPoint.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "support/MemoryRecordList.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "traplog/LogLine.h"
#include "traplog/TrapText.h"

namespace {

std::tm fakeNow{};
std::tm FakeClock() { return fakeNow; }

void SetNow(int year, int month, int day, int hour = 9, int minute = 3, int second = 7) {
    fakeNow = std::tm{};
    fakeNow.tm_year = year - 1900;
    fakeNow.tm_mon = month - 1;
    fakeNow.tm_mday = day;
    fakeNow.tm_hour = hour;
    fakeNow.tm_min = minute;
    fakeNow.tm_sec = second;
}

void NoSleep(std::chrono::milliseconds) {}

// The entry of record as the pipeline writes it, with the message of the settings now.
void WriteLogEntry(const TrapRecord& record) { WriteLogEntry(record, ExpandTrapMessage(record, ReadSettings())); }

std::unique_ptr<TrapRecord> V1Trap(std::array<uint8_t, 4> from, int generic, int specific) {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->sourceAddress = from;
    record->version = 0;
    record->genericTrap = generic;
    record->specificTrap = specific;
    return record;
}

// The log file's lines without their CR LF.
std::vector<std::string> Lines(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = file.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(file.substr(start, end - start));
    return lines;
}

class TrapLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = ReadSettings();
        AppSettings settings = saved_;
        SetFixedText(settings.formatV1, "GID = %G / SID = %S");
        SetFixedText(settings.formatV2c, "v2");
        settings.logRetention = 3;
        WriteSettings(settings);
        CloseLogFile();
        SetLogClock(FakeClock);
        SetNow(2017, 1, 5);
        DBLib::SetRetrySleep(NoSleep);
        ClearRecordedMessageBoxes();
        DBLib::MakeFolder("/log");
    }
    void TearDown() override {
        CloseLogFile();
        SetLogClock(nullptr);
        DBLib::SetRetrySleep(nullptr);
        DisarmFailPoints();
        WriteSettings(saved_);
    }
    void SetRetention(int months) {
        AppSettings settings = ReadSettings();
        settings.logRetention = months;
        WriteSettings(settings);
    }
    std::string Log() const { return folder.Read("log/log.log"); }
    // Replaces the log behind the module's back, so its stream is closed first.
    void WriteLog(const std::vector<std::string>& lines) {
        CloseLogFile();
        std::string bytes;
        for (const auto& line : lines) bytes += line + "\r\n";
        folder.Write("log/log.log", bytes);
    }
    // Reloads the whole log into a fresh list, as the dialog does.
    MemoryRecordList Load(int field = LogSearchAll, std::string_view key = "") {
        MemoryRecordList list(6);
        ReadLogEntries(list, field, key);
        return list;
    }

    TempProgramFolder folder;
    AppSettings saved_;
};

}  // namespace

TEST_F(TrapLogTest, LineFormatToTheByte) {
    auto trap = V1Trap({192, 168, 1, 20}, 6, 1);
    WriteLogEntry(*trap);
    SetFixedText(trap->hostName, "host.example");
    trap->version = 1;
    SetNow(2017, 11, 25, 23, 59, 0);
    WriteLogEntry(*trap);
    EXPECT_EQ(Log(),
              "6,2017/01/05 09:03:07,192.168.1.20,,1,GID = 6 / SID = 1,\r\n"
              "6,2017/11/25 23:59:00,192.168.1.20,host.example,2,v2,\r\n");
}

TEST_F(TrapLogTest, LineBreaksInTheMessageBecomeSpaces) {
    AppSettings settings = ReadSettings();
    SetFixedText(settings.formatV1, "a\\r\\nb\\nc");
    WriteSettings(settings);
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 0, 0));
    EXPECT_EQ(Log(), "0,2017/01/05 09:03:07,10.0.0.1,,1,a  b c,\r\n");
}

TEST_F(TrapLogTest, LongMessageIsCutAtACharacterBoundaryToFit2047Bytes) {
    AppSettings settings = ReadSettings();
    SetFixedText(settings.formatV1, "%C%C%C%C%C%C%C%C%C%C%C%C%C%C%C%C");
    WriteSettings(settings);
    auto trap = V1Trap({192, 168, 1, 20}, 6, 1);
    std::string twoByte;
    for (int i = 0; i < 63; ++i) twoByte += Utf8ToCp932("あ");
    SetFixedText(trap->community, "x" + twoByte);  // 127 bytes
    WriteLogEntry(*trap);

    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), 1u);
    // The 38-byte head leaves 2007 bytes, which end inside a character: 2006 are kept.
    const std::string head = "6,2017/01/05 09:03:07,192.168.1.20,,1,";
    ASSERT_EQ(lines[0].substr(0, head.size()), head);
    const std::string message = lines[0].substr(head.size(), lines[0].size() - head.size() - 1);
    EXPECT_EQ(message.size(), 2006u);
    EXPECT_EQ(Cp932PrefixLength(message, message.size()), message.size());
    EXPECT_EQ(lines[0].back(), ',');
    EXPECT_LE(lines[0].size() + 1, kMaxLogLine);  // with its line feed
}

TEST_F(TrapLogTest, ReadShowsNewestFirstAndCreatesAMissingLog) {
    EXPECT_EQ(Load().RowCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(folder.File("log/log.log")));

    WriteLog({"0,2017/01/05 09:03:07,10.0.0.1,,1,first,", "6,2017/01/06 10:00:00,10.0.0.2,h,2,second,"});
    MemoryRecordList list(6);
    EXPECT_EQ(ReadLogEntries(list, LogSearchAll, "ignored"), 2);
    EXPECT_EQ(list.Image(0), 6);
    EXPECT_EQ(list.Cell(0, 0), "");
    EXPECT_EQ(list.Cell(0, 1), "2017/01/06 10:00:00");
    EXPECT_EQ(list.Cell(0, 2), "10.0.0.2");
    EXPECT_EQ(list.Cell(0, 3), "h");
    EXPECT_EQ(list.Cell(0, 4), "2");
    EXPECT_EQ(list.Cell(0, 5), "second");
    EXPECT_EQ(list.Image(1), 0);
    EXPECT_EQ(list.Cell(1, 5), "first");
}

TEST_F(TrapLogTest, SearchByEachField) {
    WriteLog({
        "6,2017/01/05 09:03:07,10.0.0.1,alpha,1,a,",
        "6,2017/01/05 23:59:59,10.0.0.2,beta,2,b,",
        "0,2017/01/06 00:00:00,10.0.0.1,beta,3,c,",
        "6,2017/01/15 09:03:07,10.0.0.11,alpha,1,d,",
    });
    struct Case { int field; std::string key; std::string messages; };
    const std::vector<Case> cases = {
        {LogSearchEvent, "6", "dba"},
        {LogSearchEvent, "0", "c"},
        {LogSearchDate, "2017/01/05 12:00:00", "ba"},  // the whole day, whatever the time
        {LogSearchAddress, "10.0.0.1", "ca"},          // exact, not a prefix of 10.0.0.11
        {LogSearchHost, "beta", "cb"},
        {LogSearchHost, "Beta", ""},
        {LogSearchVersion, "1", "da"},
        {LogSearchAll, "", "dcba"},
    };
    for (const Case& c : cases) {
        MemoryRecordList list = Load(c.field, c.key);
        std::string messages;
        for (int row = 0; row < list.RowCount(); ++row) messages += list.Cell(row, 5);
        EXPECT_EQ(messages, c.messages) << c.field << " " << c.key;
    }
}

TEST_F(TrapLogTest, DeletingAfterASearchRemovesExactlyTheSelectedLines) {
    const std::string a = "6,2017/01/05 09:03:07,10.0.0.1,,1,same,";
    const std::string b = "6,2017/01/05 09:03:08,10.0.0.2,,1,other,";
    const std::string c = "6,2017/01/05 09:03:09,10.0.0.1,,1,third,";
    WriteLog({a, b, a, c, a});

    MemoryRecordList list = Load(LogSearchAddress, "10.0.0.1");  // newest first: a, c, a, a
    ASSERT_EQ(list.RowCount(), 4);
    ASSERT_EQ(list.Cell(1, 5), "third");
    list.Select(1);  // c
    list.Select(2);  // the middle one of the three identical lines
    EXPECT_EQ(DeleteLogLines(list), 2);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{a, b, a}));

    // The dialog drops the selected rows; the others still name their lines.
    list.RemoveRow(2);
    list.RemoveRow(1);
    ASSERT_EQ(list.RowCount(), 2);
    list.Select(1);  // the oldest line shown
    EXPECT_EQ(DeleteLogLines(list), 1);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{b, a}));
    list.RemoveRow(1);
    list.Select(0);
    EXPECT_EQ(DeleteLogLines(list), 1);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{b}));
}

TEST_F(TrapLogTest, DeletionKeepsLinesAppendedAfterTheLoad) {
    WriteLog({"6,2017/01/05 09:03:07,10.0.0.1,,1,x,"});
    MemoryRecordList list = Load();
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 6, 1));
    list.Select(0);
    EXPECT_EQ(DeleteLogLines(list), 1);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{"6,2017/01/05 09:03:07,10.0.0.1,,1,GID = 6 / SID = 1,"}));
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 1, 0));  // the log stays open for appending
    EXPECT_EQ(Lines(Log()).size(), 2u);
}

TEST_F(TrapLogTest, FailedReplacementLeavesTheLogWhole) {
    WriteLog({"6,2017/01/05 09:03:07,10.0.0.1,,1,x,", "6,2016/01/05 09:03:07,10.0.0.1,,1,y,"});
    const std::string before = Log();
    MemoryRecordList list = Load();
    list.Select(0);
    ArmFailPoint("DBLib::ReplaceFile");
    EXPECT_EQ(DeleteLogLines(list), 0);
    EXPECT_EQ(Log(), before);

    SetNow(2017, 6, 1);
    ArmFailPoint("DBLib::ReplaceFile");
    PurgeExpiredLogEntries();
    EXPECT_EQ(Log(), before);
    EXPECT_FALSE(std::filesystem::exists(folder.File("log/tmp.log")));
}

TEST_F(TrapLogTest, ClearLogEmptiesTheLogAndKeepsItOpen) {
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 6, 1));
    ClearLog();
    EXPECT_EQ(Log(), "");
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 6, 1));
    EXPECT_EQ(Lines(Log()).size(), 1u);
}

TEST(LogLineAge, RetentionByMonthsAcrossYearsAndEventWidths) {
    std::tm now{};
    now.tm_year = 2018 - 1900;
    now.tm_mon = 1;  // February 2018
    struct Case { std::string line; int retention; bool expired; };
    const std::vector<Case> cases = {
        {"6,2017/10/31 23:59:59,a,,1,m,", 3, true},   // four months back over the new year
        {"6,2017/11/01 00:00:00,a,,1,m,", 3, false},  // three months: kept through February
        {"6,2016/02/01 00:00:00,a,,1,m,", 0, false},  // retention 0 keeps everything
        {"6,2017/02/01 00:00:00,a,,1,m,", 12, false},
        {"6,2017/01/31 00:00:00,a,,1,m,", 12, true},
        {"12,2017/10/01 00:00:00,a,,1,m,", 3, true},  // a two-digit event number
        {"12,2017/11/01 00:00:00,a,,1,m,", 3, false},
        {"-1,2017/01/01 00:00:00,a,,1,m,", 3, true},
        {"garbage without a date", 3, false},          // never dropped unread
        {"6,20x7/01/01", 3, false},
    };
    for (const Case& c : cases) EXPECT_EQ(LogLineExpired(c.line, c.retention, now), c.expired) << c.line;
}

TEST_F(TrapLogTest, PurgeRemovesExpiredLinesOnlyWhenTheOldestHasExpired) {
    const std::string jan = "6,2017/01/31 09:03:07,10.0.0.1,,1,jan,";
    const std::string dec = "6,2016/12/01 09:03:07,10.0.0.1,,1,dec,";
    const std::string feb = "6,2017/02/01 09:03:07,10.0.0.1,,1,feb,";
    const std::string may = "12,2017/05/01 09:03:07,10.0.0.1,,1,may,";
    SetNow(2017, 5, 2);

    WriteLog({feb, jan, may});  // oldest line still within three months: nothing goes
    PurgeExpiredLogEntries();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{feb, jan, may}));

    WriteLog({jan, dec, feb, may});
    PurgeExpiredLogEntries();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{feb, may}));

    SetRetention(0);
    WriteLog({dec, jan});
    PurgeExpiredLogEntries();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{dec, jan}));
}

TEST_F(TrapLogTest, LeftoverCopyOfAnInterruptedRunIsNotMerged) {
    // With write-then-rename the log is always whole; a leftover tmp.log can only be an
    // unfinished copy of lines the log still holds.
    const std::string jan = "6,2017/01/31 09:03:07,10.0.0.1,,1,jan,";
    const std::string may = "6,2017/05/01 09:03:07,10.0.0.1,,1,may,";
    WriteLog({jan, may});
    folder.Write("log/tmp.log", may + "\r\n");
    SetNow(2017, 5, 2);
    PurgeExpiredLogEntries();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{may}));
    EXPECT_FALSE(std::filesystem::exists(folder.File("log/tmp.log")));
}

TEST_F(TrapLogTest, UnavailableLogDropsEntriesAndReadsNothing) {
    std::filesystem::remove_all(folder.File("log"));
    folder.Write("log", "not a folder");
    WriteLogEntry(*V1Trap({10, 0, 0, 1}, 6, 1));
    MemoryRecordList list(6);
    EXPECT_EQ(ReadLogEntries(list, LogSearchAll, ""), 0);
    EXPECT_EQ(RecordedMessageBoxes().size(), 2u);
}

TEST_F(TrapLogTest, WritersReadersAndMaintenanceShareTheLogSafely) {
    SetNow(2017, 5, 2);
    constexpr int kEntries = 150;
    std::thread writer([] {
        for (int i = 0; i < kEntries; ++i) WriteLogEntry(*V1Trap({10, 0, 0, 1}, 6, i));
    });
    std::thread maintenance([] {
        for (int i = 0; i < 20; ++i) PurgeExpiredLogEntries();
    });
    for (int i = 0; i < 20; ++i) {
        MemoryRecordList list(6);
        ReadLogEntries(list, LogSearchAll, "");
    }
    writer.join();
    maintenance.join();
    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kEntries));
    for (int i = 0; i < kEntries; ++i)
        EXPECT_EQ(lines[i], "6,2017/05/02 09:03:07,10.0.0.1,,1,GID = 6 / SID = " + std::to_string(i) + ",");
}

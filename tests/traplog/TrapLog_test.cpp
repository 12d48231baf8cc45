#include "traplog/TrapLog.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Encoding.h"
#include "platform/FailPoint.h"
#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "support/MemoryRecordList.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"
#include "traplog/LogLine.h"
#include "traplog/TrapText.h"

namespace {

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
        AppSettings settings{};
        SetFixedText(settings.formatV1, "GID = %G / SID = %S");
        SetFixedText(settings.formatV2c, "v2");
        settings.logRetention = 3;
        settings_.Replace(settings);
        SetNow(2017, 1, 5);
        DBLib::MakeFolder("/log");
    }
    void TearDown() override { log.Close(); }
    // The time the log's clock gives from now on.
    void SetNow(int year, int month, int day, int hour = 9, int minute = 3, int second = 7) {
        now_ = std::tm{};
        now_.tm_year = year - 1900;
        now_.tm_mon = month - 1;
        now_.tm_mday = day;
        now_.tm_hour = hour;
        now_.tm_min = minute;
        now_.tm_sec = second;
    }
    // The entry of record as the pipeline writes it, with the message of the settings now.
    void Write(const TrapRecord& record) {
        log.WriteEntry(record, ExpandTrapMessage(record, settings_.Snapshot()));
    }
    void SetRetention(int months) {
        AppSettings settings = settings_.Snapshot();
        settings.logRetention = months;
        settings_.Replace(settings);
    }
    std::string Log() const { return folder.Read("log/log.log"); }
    // Replaces the log behind the writer's back, so its stream is closed first.
    void WriteLog(const std::vector<std::string>& lines) {
        log.Close();
        std::string bytes;
        for (const auto& line : lines) bytes += line + "\r\n";
        folder.Write("log/log.log", bytes);
    }
    // Reloads the whole log into a fresh list, as the dialog does.
    MemoryRecordList Load(int field = LogSearchAll, std::string_view key = "") {
        MemoryRecordList list(6);
        log.ReadEntries(list, field, key);
        return list;
    }

    TempProgramFolder folder;
    SettingsSource settings_;
    LossCounters losses;
    std::tm now_{};
    MessageBoxRecorder boxes;
    FailPoints failPoints;
    TrapLog log{
        {.boxes = boxes, .failPoints = &failPoints}, losses, settings_, [this] { return now_; }};
};

}  // namespace

TEST_F(TrapLogTest, LineFormatToTheByte) {
    auto trap = NewV1Trap({192, 168, 1, 20}, 6, 1);
    Write(*trap);
    SetFixedText(trap->hostName, "host.example");
    trap->version = 1;
    SetNow(2017, 11, 25, 23, 59, 0);
    Write(*trap);
    EXPECT_EQ(Log(),
              "6,2017/01/05 09:03:07,192.168.1.20,,1,GID = 6 / SID = 1,\r\n"
              "6,2017/11/25 23:59:00,192.168.1.20,host.example,2,v2,\r\n");
}

TEST_F(TrapLogTest, LineBreaksInTheMessageBecomeSpaces) {
    AppSettings settings = settings_.Snapshot();
    SetFixedText(settings.formatV1, "a\\r\\nb\\nc");
    settings_.Replace(settings);
    Write(*NewV1Trap({10, 0, 0, 1}, 0, 0));
    EXPECT_EQ(Log(), "0,2017/01/05 09:03:07,10.0.0.1,,1,a  b c,\r\n");
}

TEST_F(TrapLogTest, LongMessageIsCutAtACharacterBoundaryToFit2047Bytes) {
    AppSettings settings = settings_.Snapshot();
    SetFixedText(settings.formatV1, "%C%C%C%C%C%C%C%C%C%C%C%C%C%C%C%C");
    settings_.Replace(settings);
    auto trap = NewV1Trap({192, 168, 1, 20}, 6, 1);
    std::string twoByte;
    for (int i = 0; i < 63; ++i) twoByte += Utf8ToCp932("あ");
    SetFixedText(trap->community, "x" + twoByte);  // 127 bytes
    Write(*trap);

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

    WriteLog(
        {"0,2017/01/05 09:03:07,10.0.0.1,,1,first,", "6,2017/01/06 10:00:00,10.0.0.2,h,2,second,"});
    MemoryRecordList list(6);
    EXPECT_EQ(log.ReadEntries(list, LogSearchAll, "ignored"), 2);
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
    struct Case {
        int field;
        std::string key;
        std::string messages;
    };
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
    EXPECT_EQ(log.DeleteLines(list), 2);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{a, b, a}));

    // The dialog drops the selected rows; the others still name their lines.
    list.RemoveRow(2);
    list.RemoveRow(1);
    ASSERT_EQ(list.RowCount(), 2);
    list.Select(1);  // the oldest line shown
    EXPECT_EQ(log.DeleteLines(list), 1);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{b, a}));
    list.RemoveRow(1);
    list.Select(0);
    EXPECT_EQ(log.DeleteLines(list), 1);
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{b}));
}

TEST_F(TrapLogTest, DeletionKeepsLinesAppendedAfterTheLoad) {
    WriteLog({"6,2017/01/05 09:03:07,10.0.0.1,,1,x,"});
    MemoryRecordList list = Load();
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    list.Select(0);
    EXPECT_EQ(log.DeleteLines(list), 1);
    EXPECT_EQ(Lines(Log()),
              (std::vector<std::string>{"6,2017/01/05 09:03:07,10.0.0.1,,1,GID = 6 / SID = 1,"}));
    Write(*NewV1Trap({10, 0, 0, 1}, 1, 0));  // the log stays open for appending
    EXPECT_EQ(Lines(Log()).size(), 2u);
}

TEST_F(TrapLogTest, FailedReplacementLeavesTheLogWhole) {
    WriteLog({"6,2017/01/05 09:03:07,10.0.0.1,,1,x,", "6,2016/01/05 09:03:07,10.0.0.1,,1,y,"});
    const std::string before = Log();
    MemoryRecordList list = Load();
    list.Select(0);
    failPoints.Arm("DBLib::ReplaceFile");
    EXPECT_EQ(log.DeleteLines(list), 0);
    EXPECT_EQ(Log(), before);

    SetNow(2017, 6, 1);
    failPoints.Arm("DBLib::ReplaceFile");
    log.PurgeExpired();
    EXPECT_EQ(Log(), before);
    EXPECT_FALSE(std::filesystem::exists(folder.File("log/tmp.log")));
}

TEST_F(TrapLogTest, ClearLogEmptiesTheLogAndKeepsItOpen) {
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    log.Clear();
    EXPECT_EQ(Log(), "");
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    EXPECT_EQ(Lines(Log()).size(), 1u);
}

TEST(LogLineAge, RetentionByMonthsAcrossYearsAndEventWidths) {
    std::tm now{};
    now.tm_year = 2018 - 1900;
    now.tm_mon = 1;  // February 2018
    struct Case {
        std::string line;
        int retention;
        bool expired;
    };
    const std::vector<Case> cases = {
        {"6,2017/10/31 23:59:59,a,,1,m,", 3, true},   // four months back over the new year
        {"6,2017/11/01 00:00:00,a,,1,m,", 3, false},  // three months: kept through February
        {"6,2016/02/01 00:00:00,a,,1,m,", 0, false},  // retention 0 keeps everything
        {"6,2017/02/01 00:00:00,a,,1,m,", 12, false},
        {"6,2017/01/31 00:00:00,a,,1,m,", 12, true},
        {"12,2017/10/01 00:00:00,a,,1,m,", 3, true},  // a two-digit event number
        {"12,2017/11/01 00:00:00,a,,1,m,", 3, false},
        {"-1,2017/01/01 00:00:00,a,,1,m,", 3, true},
        {"garbage without a date", 3, false},  // never dropped unread
        {"6,20x7/01/01", 3, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogLineExpired(c.line, c.retention, now), c.expired) << c.line;
}

TEST_F(TrapLogTest, PurgeRemovesExpiredLinesOnlyWhenTheOldestHasExpired) {
    const std::string jan = "6,2017/01/31 09:03:07,10.0.0.1,,1,jan,";
    const std::string dec = "6,2016/12/01 09:03:07,10.0.0.1,,1,dec,";
    const std::string feb = "6,2017/02/01 09:03:07,10.0.0.1,,1,feb,";
    const std::string may = "12,2017/05/01 09:03:07,10.0.0.1,,1,may,";
    SetNow(2017, 5, 2);

    WriteLog({feb, jan, may});  // oldest line still within three months: nothing goes
    log.PurgeExpired();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{feb, jan, may}));

    WriteLog({jan, dec, feb, may});
    log.PurgeExpired();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{feb, may}));

    SetRetention(0);
    WriteLog({dec, jan});
    log.PurgeExpired();
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
    log.PurgeExpired();
    EXPECT_EQ(Lines(Log()), (std::vector<std::string>{may}));
    EXPECT_FALSE(std::filesystem::exists(folder.File("log/tmp.log")));
}

TEST_F(TrapLogTest, UnavailableLogDropsEntriesAndReadsNothing) {
    std::filesystem::remove_all(folder.File("log"));
    folder.Write("log", "not a folder");
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    EXPECT_EQ(losses.Read(LossKind::kLogLinesLost), 1u);
    EXPECT_TRUE(boxes.Recorded().empty());  // the writer never waits for a box
    MemoryRecordList list(6);
    EXPECT_EQ(log.ReadEntries(list, LogSearchAll, ""), 0);
    EXPECT_EQ(boxes.Recorded().size(), 1u);
}

TEST_F(TrapLogTest, WritersReadersAndMaintenanceShareTheLogSafely) {
    // The first maintenance run rewrites a long log while the writer appends to it.
    constexpr int kKept = 100000;
    const std::string kept = "6,2017/05/01 00:00:00,10.0.0.9,,1,kept,";
    std::string bytes = "6,2016/01/01 00:00:00,10.0.0.9,,1,expired,\r\n";
    for (int i = 0; i < kKept; ++i) bytes += kept + "\r\n";
    log.Close();
    folder.Write("log/log.log", bytes);
    SetNow(2017, 5, 2);
    constexpr int kEntries = 150;
    std::thread writer([this] {
        for (int i = 0; i < kEntries; ++i) Write(*NewV1Trap({10, 0, 0, 1}, 6, i));
    });
    std::thread maintenance([this] {
        for (int i = 0; i < 20; ++i) log.PurgeExpired();
    });
    for (int i = 0; i < 5; ++i) {
        MemoryRecordList list(6);
        log.ReadEntries(list, LogSearchAddress, "10.0.0.1");
    }
    writer.join();
    maintenance.join();
    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kKept + kEntries));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kept), kKept);
    std::vector<std::string> written;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(written),
                 [&](const std::string& l) { return l != kept; });
    ASSERT_EQ(written.size(), static_cast<std::size_t>(kEntries));
    for (int i = 0; i < kEntries; ++i)
        EXPECT_EQ(written[i],
                  "6,2017/05/02 09:03:07,10.0.0.1,,1,GID = 6 / SID = " + std::to_string(i) + ",");
}

TEST_F(TrapLogTest, TheWriterFollowsThePathWhenTheLogIsRotatedOrRemoved) {
    const auto line = [](int sid) {
        return "6,2017/01/05 09:03:07,10.0.0.1,,1,GID = 6 / SID = " + std::to_string(sid) + ",";
    };
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    std::filesystem::rename(folder.File("log/log.log"), folder.File("log/old.log"));
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 2));
    EXPECT_EQ(Lines(folder.Read("log/old.log")), std::vector<std::string>{line(1)});
    EXPECT_EQ(Lines(Log()), std::vector<std::string>{line(2)});

    std::filesystem::remove(folder.File("log/log.log"));
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 3));
    EXPECT_EQ(Lines(Log()), std::vector<std::string>{line(3)});
}

namespace {

// Counts the rows a read adds without keeping them; at the first row it waits (bounded)
// until the test has written a line, and notes whether that happened while it waited.
class PausingRowCounter : public RecordList {
public:
    int RowCount() const override { return rows_; }
    void InsertRow(int, std::string_view, int) override {
        if (rows_++ > 0) return;
        std::unique_lock lock(mutex_);
        reading_ = true;
        changed_.notify_all();
        writtenDuringRead_ =
            changed_.wait_for(lock, std::chrono::seconds(30), [this] { return written_; });
    }
    void SetCell(int, int, std::string_view) override {}
    std::vector<int> SelectedRows() const override { return {}; }
    void SetRowKey(int, std::string) override {}
    std::string RowKey(int) const override { return {}; }

    bool AwaitReading() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return reading_; });
    }
    void MarkWritten() {
        std::lock_guard lock(mutex_);
        written_ = true;
        changed_.notify_all();
    }
    bool WrittenDuringRead() const { return writtenDuringRead_; }

private:
    int rows_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reading_ = false;
    bool written_ = false;
    bool writtenDuringRead_ = false;
};

}  // namespace

TEST_F(TrapLogTest, ALineIsWrittenWhileALongReadIsUnderWay) {
    constexpr int kLines = 300000;
    const std::string line = "6,2017/01/05 09:03:07,10.0.0.1,,1,x,\r\n";
    std::string bytes;
    bytes.reserve(line.size() * kLines);
    for (int i = 0; i < kLines; ++i) bytes += line;
    log.Close();
    folder.Write("log/log.log", bytes);

    PausingRowCounter rows;
    std::thread reader([&] { log.ReadEntries(rows, LogSearchAll, ""); });
    ASSERT_TRUE(rows.AwaitReading());
    // Were the read holding the log, this would wait until the reader gave up waiting.
    Write(*NewV1Trap({10, 0, 0, 1}, 6, 1));
    rows.MarkWritten();
    reader.join();
    EXPECT_TRUE(rows.WrittenDuringRead());
    EXPECT_EQ(rows.RowCount(), kLines);  // the log as it was when the read began
    EXPECT_EQ(Lines(Log()).size(), static_cast<std::size_t>(kLines + 1));
}

namespace {

constexpr int kNoPrivateMount = 77;

bool WriteFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// In a forked child: gives the child its own user and mount namespaces and mounts a small
// tmpfs on folder. False when this machine does not allow it.
bool MountSmallTmpfs(const std::string& folder) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    return unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && WriteFile("/proc/self/setgroups", "deny") &&
           WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1") &&
           mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
}

}  // namespace

TEST_F(TrapLogTest, AFullDiskLosesWholeLinesOnlyCountsThemAndWritingResumesAlsoInBatches) {
    // Lines that do not divide the tmpfs's pages, so the last one that fits is cut short.
    AppSettings settings = settings_.Snapshot();
    SetFixedText(settings.formatV1, "GID = %G / SID = %S / " + std::string(200, 'x'));
    settings_.Replace(settings);
    const auto line = [](int sid) {
        return "6,2017/01/05 09:03:07,10.0.0.1,,1,GID = 6 / SID = " + std::to_string(sid) + " / " +
               std::string(200, 'x') + ",";
    };
    log.Close();
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        alarm(60);
        const auto fail = [&](const std::string& why) {
            [[maybe_unused]] const ssize_t ignored = ::write(report[1], why.data(), why.size());
            _exit(1);
        };
        if (!MountSmallTmpfs(folder.File("log"))) _exit(kNoPrivateMount);
        folder.Write("log/filler", std::string(16384, 'f'));
        std::vector<std::string> expected;
        int attempts = 0;
        for (; attempts < 2000 && losses.Read(LossKind::kLogLinesLost) == 0; ++attempts) {
            Write(*NewV1Trap({10, 0, 0, 1}, 6, attempts));
            if (losses.Read(LossKind::kLogLinesLost) == 0) expected.push_back(line(attempts));
        }
        if (losses.Read(LossKind::kLogLinesLost) != 1) fail("the disk never filled");
        Write(*NewV1Trap({10, 0, 0, 1}, 6, attempts));  // still full
        if (losses.Read(LossKind::kLogLinesLost) != 2) fail("a second lost line was not counted");
        const std::string full = Log();
        if (Lines(full) != expected || full.size() < 2 || full.substr(full.size() - 2) != "\r\n")
            fail("the full log does not end in its last whole line");

        std::filesystem::remove(folder.File("log/filler"));
        Write(*NewV1Trap({10, 0, 0, 1}, 6, 99999));
        expected.push_back(line(99999));
        if (Lines(Log()) != expected) fail("writing did not resume whole after space was freed");
        if (losses.Read(LossKind::kLogLinesLost) != 2) fail("a written line was counted as lost");

        // A held batch goes in one write; one that only partly fits keeps its first lines
        // whole, in order, and counts the rest.
        HeldLogLines held;
        for (int sid = 100000; sid < 100100; ++sid) {
            const auto trap = NewV1Trap({10, 0, 0, 1}, 6, sid);
            log.HoldEntry(held, *trap, ExpandTrapMessage(*trap, settings_.Snapshot()));
        }
        if (Lines(Log()) != expected) fail("held lines were written before the batch ended");
        log.WriteHeld(held);
        const std::vector<std::string> after = Lines(Log());
        const std::size_t kept = after.size() - expected.size();
        const uint64_t lost = losses.Read(LossKind::kLogLinesLost) - 2;
        if (kept == 0 || lost == 0 || kept + lost != 100) fail("the batch was not split by lines");
        for (std::size_t i = 0; i < kept; ++i)
            if (after[expected.size() + i] != line(100000 + static_cast<int>(i)))
                fail("a kept line of the batch differs");
        if (Log().substr(Log().size() - 2) != "\r\n") fail("the batch left a cut line");
        _exit(0);
    }
    ::close(report[1]);
    std::string why;
    char buffer[256];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;)
        why.append(buffer, got);
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kNoPrivateMount)
        GTEST_SKIP() << "no private user and mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << why;
}

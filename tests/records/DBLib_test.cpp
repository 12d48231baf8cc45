#include "records/DBLib.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FailPoint.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"

namespace {

std::vector<std::chrono::milliseconds> sleeps;
void RecordSleep(std::chrono::milliseconds d) { sleeps.push_back(d); }

std::string Stored(std::string_view plain) {
    std::string out(2 * plain.size(), '\0');
    out.resize(DBLib::Convert(plain, out, kToStored));
    return out;
}

std::string Plain(std::string_view stored) {
    std::string out(stored.size() + 1, '\0');
    out.resize(DBLib::Convert(stored, out, kToPlain));
    return out;
}

class DBLibFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        sleeps.clear();
        DBLib::MakeFolder("/db");
    }

    std::string ReadBack(std::FILE* f) {
        std::rewind(f);
        std::string all;
        for (int c; (c = std::fgetc(f)) != EOF;) all.push_back(static_cast<char>(c));
        return all;
    }

    TempProgramFolder folder;
    MessageBoxRecorder boxes;
};

}  // namespace

TEST(DBLibConvert, StoredBytesOfTheDocumentedExamples) {
    struct Case {
        std::string plain, stored;
    };
    const std::vector<Case> cases = {
        {"\xD4", "\x56"},      // complement 0x2B, rotated 0x56
        {"\xE9", "\xFF\xD4"},  // becomes a comma: escaped
        {"y", "\xFF\xF3"},     // becomes a carriage return: escaped
        {"\xFA", "\xFF\xF6"},  // becomes a line feed: escaped
        {" ", "\xBF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Stored(c.plain), c.stored);
        EXPECT_EQ(Plain(c.stored), c.plain);
    }
}

TEST(DBLibConvert, EveryPlainByteRoundTripsAndNoLineBreakOrCommaIsStored) {
    std::string plain;
    for (int b = 1; b <= 0xFE; ++b)
        if (b != '\n') plain.push_back(static_cast<char>(b));
    const std::string stored = Stored(plain);
    EXPECT_EQ(stored.find_first_of(std::string("\n\r,", 3)), std::string::npos);
    EXPECT_EQ(Plain(stored), plain);
}

TEST(DBLibConvert, StopsAtLineFeedAndNeverSplitsAnEscapePair) {
    EXPECT_EQ(Plain(Stored("ab\ncd")), "ab");
    std::array<char, 2> target{};
    EXPECT_EQ(DBLib::Convert("ay", target, kToStored), 1u);  // "y" needs two bytes, one is left
    EXPECT_EQ(Plain(Stored("a") + "\xFF"), "a");             // a lone trailing escape ends the line
}

TEST(DBLibGetField, FieldsLimitsAndMissingFields) {
    std::array<char, 6> out;
    EXPECT_EQ(DBLib::GetField(1, "a,bcd,e,", out), 0);
    EXPECT_STREQ(out.data(), "bcd");
    EXPECT_EQ(DBLib::GetField(2, "a,b,last\nx,y", out), 0);  // ends at the line feed
    EXPECT_STREQ(out.data(), "last");
    EXPECT_EQ(DBLib::GetField(0, "123456789,", out), 1);  // cut to the room of out
    EXPECT_STREQ(out.data(), "12345");
    EXPECT_EQ(DBLib::GetField(0, "12345,", out), 0);  // exactly the limit
    EXPECT_EQ(DBLib::GetField(3, "a,b,", out), 1);
    EXPECT_STREQ(out.data(), "");
}

TEST_F(DBLibFileTest, ReadersNeverCreateAndWritersAppendOrRecreate) {
    folder.Write("db/f", "n\r\n\r\n");
    std::FILE* f = DBLib::OpenForReading("/db", "f");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadBack(f), "n\r\n\r\n");
    std::fclose(f);
    EXPECT_EQ(DBLib::OpenForReading("/db", "missing"), nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder.File("db/missing")));

    f = DBLib::Open("/db", "f", OpenMode::Append, boxes, RecordSleep);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(DBLib::WriteLine(f, "tail"));
    std::fclose(f);
    EXPECT_EQ(folder.Read("db/f"), "n\r\n\r\ntail\r\n");

    f = DBLib::Open("/db", "f", OpenMode::Recreate, boxes, RecordSleep);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_EQ(folder.Read("db/f"), "");
    EXPECT_TRUE(boxes.Recorded().empty());
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(DBLibFileTest, OpenRetriesFiveTimesThenPostsTheAccessError) {
    folder.Write("blocked", "a file where a folder is expected");
    EXPECT_EQ(DBLib::Open("/blocked", "EventDB.na", OpenMode::Recreate, boxes, RecordSleep),
              nullptr);
    using std::chrono::milliseconds;
    EXPECT_EQ(sleeps, (std::vector<milliseconds>{milliseconds(5000), milliseconds(10000),
                                                 milliseconds(20000), milliseconds(40000),
                                                 milliseconds(80000)}));
    const auto shown = boxes.Recorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, folder.File("blocked/EventDB.na") + " Access Error");
    EXPECT_EQ(shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(shown[0].caption, "Olix Trap Receiver - v3.03");
    // Posted, not awaited: the caller may hold a lock that the user interface waits for.
    EXPECT_EQ(shown[0].delivery, MessageDelivery::Post);
}

TEST_F(DBLibFileTest, ReadLineAcceptsCrLfBareLfAndAnUnfinishedLastLine) {
    folder.Write("db/lines", "one\r\ntwo\nthr\ree\r\nlast");
    std::FILE* f = DBLib::OpenForReading("/db", "lines");
    ASSERT_NE(f, nullptr);
    std::vector<std::string> lines;
    for (std::string line; DBLib::ReadLine(f, line);) lines.push_back(line);
    std::fclose(f);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "thr\ree", "last"}));
}

TEST_F(DBLibFileTest, ReplaceFileSwapsWholeOrLeavesTheTargetUntouched) {
    folder.Write("db/target", "old\r\n");
    std::FILE* next = DBLib::Open("/db", "next", OpenMode::Recreate, boxes, RecordSleep);
    ASSERT_NE(next, nullptr);
    DBLib::WriteLine(next, "new");
    FailPoints failPoints;
    failPoints.Arm("DBLib::ReplaceFile");
    EXPECT_EQ(DBLib::ReplaceFile(next, "/db", "next", "target", &failPoints), 1);
    EXPECT_EQ(folder.Read("db/target"), "old\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.File("db/next")));

    next = DBLib::Open("/db", "next", OpenMode::Recreate, boxes, RecordSleep);
    ASSERT_NE(next, nullptr);
    DBLib::WriteLine(next, "new");
    EXPECT_EQ(DBLib::ReplaceFile(next, "/db", "next", "target", &failPoints), 0);
    EXPECT_EQ(folder.Read("db/target"), "new\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.File("db/next")));
}

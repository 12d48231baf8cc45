#include "traplog/Export.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "platform/ProcessLauncher.h"
#include "support/Eventually.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "support/WorkingFolder.h"

namespace {

struct ListedTrap {
    const char* date;
    const char* address;
    const char* hostName;
    const char* version;
    const char* message;  // UTF-8
};

// The received trap list as the windows hand it to the exports.
class FakeTrapList : public TrapListReader {
public:
    explicit FakeTrapList(std::vector<ListedTrap> rows) : rows_(std::move(rows)) {}

    int ReadTrapRow(int index, TrapListRow& row) const override {
        if (index < 0 || index >= static_cast<int>(rows_.size())) return 1;
        row = TrapListRow{};
        SetFixedText(row.date, rows_[index].date);
        SetFixedText(row.sourceAddress, rows_[index].address);
        SetFixedText(row.hostName, Utf8ToCp932(rows_[index].hostName));
        SetFixedText(row.version, rows_[index].version);
        return 0;
    }

    std::string ReadTrapMessage(int index, std::size_t maxBytes) const override {
        const std::string message = Utf8ToCp932(rows_.at(index).message);
        return message.substr(0, Cp932PrefixLength(message, maxBytes));
    }

private:
    std::vector<ListedTrap> rows_;
};

const std::vector<ListedTrap> kRowsOfEachVersion = {
    {"2024/03/02 09:05:03", "192.168.1.20", "router1", "1", "Com = public / GID = 6 / SID = 1"},
    {"2024/03/02 09:05:04", "10.0.0.5", "", "2",
     "Com = \"x\" / VarBindings = 1.3.6.1.2.1.1.3.0 = 100,<b>"},
    {"2024/03/02 10:00:00", "172.16.0.9", "ホスト", "3", "User = 利用者 / eBoots = 1"},
};

PacketCountBlock SampleCounters() {
    PacketCountBlock counters{12, 3, 4, 5, 1, 0, 2, 6, {1, 0, 2, 0, 3, 0, 4, 3000000000u}};
    return counters;
}

std::string Expected(const std::string& name) {
    std::ifstream in(std::string(OLIXTRAP_TESTDATA_DIR) + "/export/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct ExportCase {
    ExportFormat format;
    bool withRows;
    const char* expectedFile;
};

class ExportFile : public ::testing::TestWithParam<ExportCase> {
protected:
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
};

TEST_P(ExportFile, MatchesTheExpectedFileByteForByte) {
    const ExportCase& param = GetParam();
    FakeTrapList list(param.withRows ? kRowsOfEachVersion : std::vector<ListedTrap>{});
    const std::string path = folder.File("out");
    // Written twice: the second export replaces the first.
    ASSERT_EQ(WriteExport(param.format, path, PacketCountBlock{}, list, boxes), 0);
    ASSERT_EQ(WriteExport(param.format, path, SampleCounters(), list, boxes), 0);
    EXPECT_EQ(folder.Read("out"), Expected(param.expectedFile));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExportFile,
                         ::testing::Values(ExportCase{ExportFormat::Csv, false, "empty.csv"},
                                           ExportCase{ExportFormat::Csv, true, "rows.csv"},
                                           ExportCase{ExportFormat::Html, false, "empty.html"},
                                           ExportCase{ExportFormat::Html, true, "rows.html"}));

TEST(Export, FileThatCannotBeCreatedGivesItsMessage) {
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    FakeTrapList list({});
    const std::string missingFolder = folder.File("missing/OlixTrap.csv");
    EXPECT_EQ(WriteExport(ExportFormat::Csv, missingFolder, SampleCounters(), list, boxes), 1);
    EXPECT_EQ(WriteExport(ExportFormat::Html, missingFolder, SampleCounters(), list, boxes), 1);
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"CSV File Open Error。", "HTML File Open Error。"}));
    EXPECT_EQ(boxes.Recorded()[1].icon, MessageIcon::Stop);
}

TEST(Export, NoProgramToOpenTheFileTellsWhereItWasWritten) {
    TempProgramFolder program;
    // An xdg-open that finds no application, as on a desktop without one for CSV.
    program.Write("bin/xdg-open", "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions(program.File("bin/xdg-open"), std::filesystem::perms::owner_all);
    const std::string savedPath = std::getenv("PATH");
    setenv("PATH", (program.File("bin") + ":" + savedPath).c_str(), 1);
    MessageBoxRecorder boxes;
    ProgramLauncher launcher;
    FakeTrapList list({});
    const PacketCounters counters;
    {
        WorkingFolder start(program.Path() + "/start");
        EXPECT_EQ(ExportTrapList(ExportFormat::Csv, counters, list, launcher, boxes), 0);
    }
    const bool told = Eventually([&] { return !boxes.Recorded().empty(); });
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_TRUE(told);
    EXPECT_EQ(Cp932ToUtf8(boxes.Recorded()[0].text),
              "ファイルを開くプログラムがありません。次の場所に書き出しました。\n" +
                  program.Path() + "/start/OlixTrap.csv");
}

TEST(Export, FilesGoToTheStartFolderButNeverOverTheHelpDocument) {
    TempProgramFolder program;
    {
        WorkingFolder start(program.Path() + "/start");
        EXPECT_EQ(ExportFilePath(ExportFormat::Csv), program.Path() + "/start/OlixTrap.csv");
    }
    WorkingFolder start(program.Path());
    EXPECT_EQ(ExportFilePath(ExportFormat::Html), program.Path() + "/tmp/OlixTrap.html");
}

}  // namespace

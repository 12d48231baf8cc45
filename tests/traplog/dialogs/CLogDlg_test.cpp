#include "traplog/dialogs/CLogDlg.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMenuBar>
#include <QTest>

#include "platform/qt/ReportListCtrl.h"
#include "support/DialogTesting.h"
#include "trap/LossCounters.h"
#include "traplog/TrapLog.h"

namespace {

// Oldest first, as the log holds them.
const char* const kLogLines[] = {
    "6,2017/01/05 09:03:07,192.168.1.20,,1,GID = 6 / SID = 1,",
    "0,2017/01/05 23:59:59,10.0.0.5,host5,2,cold,",
    "6,2017/01/06 00:00:00,10.0.0.5,host5,3,v3 specific,",
    "3,2017/01/06 08:00:00,192.168.1.20,,2,link up,",
    "6,2017/01/07 10:00:00,10.0.0.5,host5,1,same text,",
    "6,2017/01/07 10:00:00,10.0.0.5,host5,1,same text,",
};

std::string LogFile(std::initializer_list<int> lineIndexes) {
    std::string file;
    for (int index : lineIndexes) file += std::string(kLogLines[index]) + "\r\n";
    return file;
}

// The list is filled on the user interface thread's events as the reader brings rows.
bool Loaded(const CLogDlg& dialog) {
    return QTest::qWaitFor([&] { return !dialog.Loading(); }, 10000);
}

struct WrittenLog {
    explicit WrittenLog(const StoreFolder& stores) {
        stores.folder.Write("log/log.log", LogFile({0, 1, 2, 3, 4, 5}));
    }
};

class LogDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Loaded(dialog)); }
    CReportListCtrl* List() { return dialog.List(); }
    QString TitleLine() { return ControlById<QLabel>(&dialog, CLogDlg::kTitleLine)->text(); }
    QString CountLine() { return ControlById<QLabel>(&dialog, CLogDlg::kCountLine)->text(); }
    std::string Log() { return stores.folder.Read("log/log.log"); }

    StoreFolder stores;
    WrittenLog written{stores};
    LossCounters losses;
    SettingsSource settings;
    TrapLog log{{.boxes = stores.boxes}, losses, settings};
    CLogDlg dialog{log, stores.boxes};
};

TEST_F(LogDialog, ListsEveryLineNewestFirst) {
    EXPECT_EQ(dialog.windowTitle(), "Olix Trap Receiver: Log");
    EXPECT_EQ(TitleLine(), "すべてのデータ");
    ASSERT_EQ(List()->RowCount(), 6);
    EXPECT_EQ(List()->horizontalHeaderItem(2)->text(), "IP Address");
    EXPECT_EQ(List()->CellText(5, CLogDlg::kDateColumn), "2017/01/05 09:03:07");
    EXPECT_EQ(List()->CellText(0, CLogDlg::kMessageColumn), "same text");
    EXPECT_EQ(List()->CellText(0, CLogDlg::kEventColumn), "");
    EXPECT_EQ(List()->RowImage(2), 3);
    EXPECT_FALSE(List()->item(2, 0)->icon().isNull());
    EXPECT_EQ(CountLine(), " 0 /  6");
    List()->SelectRows({2});
    EXPECT_EQ(CountLine(), " 3 /  6");
}

TEST_F(LogDialog, SearchesNeedASelectedRow) {
    for (auto search : {&CLogDlg::OnSearchDate, &CLogDlg::OnSearchAddress, &CLogDlg::OnSearchHost,
                        &CLogDlg::OnSearchVersion, &CLogDlg::OnSearchEvent}) {
        stores.boxes.Clear();
        (dialog.*search)();
        EXPECT_EQ(stores.boxes.Texts(),
                  std::vector<std::string>{"表示する項目を選択してください。"});
        EXPECT_EQ(List()->RowCount(), 6);
    }
}

TEST_F(LogDialog, DateSearchListsTheWholeDay) {
    List()->SelectRows({5});  // 2017/01/05 09:03:07
    dialog.OnSearchDate();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "日付 = 2017/01/05");
    ASSERT_EQ(List()->RowCount(), 2);
    EXPECT_EQ(List()->CellText(0, CLogDlg::kDateColumn), "2017/01/05 23:59:59");
    EXPECT_EQ(CountLine(), " 0 /  2");
}

TEST_F(LogDialog, EventSearchListsTheEventWhateverTheVersion) {
    List()->SelectRows({3});  // event 6, version 3
    dialog.OnSearchEvent();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "Event = Enterprise Specific");
    ASSERT_EQ(List()->RowCount(), 4);
    for (int row = 0; row < 4; ++row) EXPECT_EQ(List()->RowImage(row), 6);

    dialog.OnShowAll();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "すべてのデータ");
    EXPECT_EQ(List()->RowCount(), 6);
}

TEST_F(LogDialog, HostAndVersionSearchesMatchExactly) {
    List()->SelectRows({5});  // empty host name, version 1
    dialog.OnSearchHost();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "Host Name = ");
    EXPECT_EQ(List()->RowCount(), 2);
    List()->SelectRows({0});
    dialog.OnSearchVersion();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "Version = 2");
    EXPECT_EQ(List()->RowCount(), 2);
}

TEST_F(LogDialog, DeletingRowsOfASearchRemovesExactlyTheirLines) {
    List()->SelectRows({1});  // 10.0.0.5
    dialog.OnSearchAddress();
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(TitleLine(), "IP Address = 10.0.0.5");
    ASSERT_EQ(List()->RowCount(), 4);
    // Rows 0 and 1 are the two identical lines of 01/07; take one of them and the 01/05 line.
    List()->SelectRows({1, 3});
    stores.boxes.QueueAnswer(MessageAnswer::Ok);
    dialog.OnDeleteSelected();
    EXPECT_EQ(stores.boxes.Texts(),
              std::vector<std::string>{"選択データを削除します。よろしいですか？"});
    EXPECT_EQ(stores.boxes.Recorded().front().buttons, MessageButtons::OkCancel);
    EXPECT_EQ(Log(), LogFile({0, 2, 3, 4}));
    ASSERT_EQ(List()->RowCount(), 2);
    EXPECT_EQ(CountLine(), " 0 /  4");

    // The rows left still name their lines.
    List()->SelectRows({0});
    dialog.OnDeleteSelected();
    EXPECT_EQ(Log(), LogFile({0, 2, 3}));
}

TEST_F(LogDialog, DeletionsAskFirstAndCancelChangesNothing) {
    dialog.OnDeleteSelected();
    EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{"削除するデータを選択してください。"});

    List()->SelectRows({0});
    stores.boxes.QueueAnswer(MessageAnswer::Cancel);
    dialog.OnDeleteSelected();
    stores.boxes.QueueAnswer(MessageAnswer::Cancel);
    dialog.OnDeleteAll();
    EXPECT_EQ(stores.boxes.Texts().back(), "すべてのデータを削除します。よろしいですか？");
    EXPECT_EQ(List()->RowCount(), 6);
    EXPECT_EQ(Log(), LogFile({0, 1, 2, 3, 4, 5}));

    dialog.OnDeleteAll();
    EXPECT_EQ(List()->RowCount(), 0);
    EXPECT_EQ(Log(), "");
}

TEST_F(LogDialog, MenusAndLayout) {
    QStringList menus;
    for (QAction* menu : dialog.MenuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"ファイル(&F)", "表示(&D)", "削除(&D)"}));
    EXPECT_EQ(dialog.MenuBar()->actions()[1]->menu()->actions().size(), 7);

    dialog.resize(700, 400);
    dialog.show();
    const QRect list = List()->geometry();
    EXPECT_EQ(list.left(), 14);
    EXPECT_EQ(list.right(), 700 - 14 - 1);
    EXPECT_EQ(list.bottom() + 1, 400 - 30);
    const QRect count = ControlById<QLabel>(&dialog, CLogDlg::kCountLine)->geometry();
    EXPECT_EQ(count.top(), list.bottom() + 1 + 4);
    EXPECT_EQ(count.height(), 20);
}

TEST(LogDialogLarge, OpensAtOnceAndFillsTheListNewestFirstInSteps) {
    StoreFolder stores;
    constexpr int kLines = 45000;  // more than two steps of the reader
    std::string file;
    for (int i = 0; i < kLines; ++i)
        file += "6,2017/01/05 09:03:07,10.0.0.1,,1,m" + std::to_string(i) + ",\r\n";
    stores.folder.Write("log/log.log", file);
    LossCounters losses;
    SettingsSource settings;
    TrapLog log({.boxes = stores.boxes}, losses, settings);
    CLogDlg dialog(log, stores.boxes);
    EXPECT_TRUE(dialog.Loading());  // the window is up before the log is read
    ASSERT_TRUE(Loaded(dialog));
    ASSERT_EQ(dialog.List()->RowCount(), kLines);
    for (int row : {0, 1, 24999, 25000, kLines - 1})
        EXPECT_EQ(dialog.List()->CellText(row, CLogDlg::kMessageColumn),
                  "m" + std::to_string(kLines - 1 - row));
    EXPECT_EQ(ControlById<QLabel>(&dialog, CLogDlg::kCountLine)->text(), " 0 / 45000");
}

TEST(LogDialogEmpty, EmptyLogShowsNoRowsAndZeroCounts) {
    StoreFolder stores;
    LossCounters losses;
    SettingsSource settings;
    TrapLog log({.boxes = stores.boxes}, losses, settings);
    CLogDlg dialog(log, stores.boxes);
    ASSERT_TRUE(Loaded(dialog));
    EXPECT_EQ(dialog.List()->RowCount(), 0);
    EXPECT_EQ(ControlById<QLabel>(&dialog, CLogDlg::kCountLine)->text(), " 0 /  0");
}

}  // namespace

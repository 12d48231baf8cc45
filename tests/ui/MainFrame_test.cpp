#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTreeWidget>
#include <filesystem>

#include "FrameFixture.h"
#include "records/StoreReadFailures.h"
#include "support/DialogTesting.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"
#include "ui/ExSplitter3Wnd.h"
#include "ui/TrapListFinder.h"
#include "ui/WindowState.h"

namespace {

QString ClockAfter(CMainFrame& frame, int ticks) {
    for (int i = 0; i < ticks; ++i) frame.OnClockTick();
    return frame.findChild<QLabel*>("pane1")->text();
}

}  // namespace

TEST_F(FrameTest, ClockRollsOverSecondsMinutesAndHours) {
    EXPECT_EQ(ClockAfter(*frame, 59), "00：00：59");
    EXPECT_EQ(ClockAfter(*frame, 1), "00：01：00");
    EXPECT_EQ(ClockAfter(*frame, 59 * 60 - 1), "00：59：59");
    EXPECT_EQ(ClockAfter(*frame, 1), "01：00：00");
    EXPECT_EQ(ClockAfter(*frame, 99 * 3600), "100：00：00") << "hours grow without bound";
    EXPECT_EQ(frame->findChild<QLabel*>("pane0")->text(), "");
    EXPECT_EQ(frame->findChild<QLabel*>("pane1")->width(), CMainFrame::kClockPaneWidth);
}

TEST_F(FrameTest, StaysHiddenUntilTheSplashHasEndedAndKeepsItsTitle) {
    frame->show();
    frame->setVisible(true);
    EXPECT_FALSE(frame->isVisible());
    frame->AllowShowing();
    frame->show();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "Olix Trap Receiver - v3.03");
}

TEST_F(FrameTest, CreatesTheDataFoldersAndTheThreePanesOfLayout3) {
    for (const char* sub : {"db", "tmp", "log"})
        EXPECT_TRUE(std::filesystem::is_directory(folder.File(sub))) << sub;
    CExSplitter3Wnd* splitter = frame->Splitter();
    ASSERT_EQ(splitter->count(), 2);
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);
    EXPECT_EQ(splitter->widget(0), splitter->NestedSplitter());
    EXPECT_EQ(splitter->widget(1), &List());
    EXPECT_EQ(splitter->NestedSplitter()->widget(0), Counters().parentWidget());
    EXPECT_EQ(splitter->NestedSplitter()->widget(1), &Detail());
    frame->AllowShowing();
    frame->resize(800, 600);
    frame->show();
    EXPECT_EQ(splitter->sizes().at(0), 220) << "the top row starts 220 pixels high";
    EXPECT_EQ(splitter->NestedSplitter()->sizes().at(0), 500);
}

TEST_F(FrameTest, MenuCarriesEveryCommandWithItsIdTextAndAccelerator) {
    struct Command {
        int id;
        const char* text;
        const char* shortcut;
    };
    const Command commands[] = {
        {32771, "保存\tCtrl+S", "Ctrl+S"},
        {32772, "HTML(&H)", ""},
        {32773, "CSV(&C)", ""},
        {32774, "終了(&E)", ""},
        {32775, "表示データクリア(&C)", ""},
        {32788, "受信拒否メッセージ(&R)", ""},
        {32776, "トラップ受信 設定\tCtrl+E", "Ctrl+E"},
        {32787, "ユーザ設定(&U)", ""},
        {32777, "トラップ ログ\tCtrl+L", "Ctrl+L"},
        {32778, "オプション(&O)", ""},
        {32789, "転送設定…", ""},
        {57664, "バージョン(&V)", ""},
        {32780, "ヘルプ(&H)", ""},
    };
    for (const Command& command : commands) {
        auto* action = frame->findChild<QAction*>(QString::number(command.id));
        ASSERT_NE(action, nullptr) << command.id;
        EXPECT_EQ(action->text(), QString::fromUtf8(command.text)) << command.id;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(command.shortcut)))
            << command.id;
    }
}

TEST_F(FrameTest, ClearCommandAsksAndOnOkEmptiesCountersAndBothLists) {
    Settings().Replace(WithTestFormats(Settings().Snapshot()));
    AddTrapRow(*V1ColdStartishRecord());
    AddTrapRow(*V2cRecord());
    program.Counters().CountPacket(kPacketV1);
    program.Counters().CountGenericTrap(6);
    EXPECT_EQ(Counter(1000), "0") << "counters are shown on the tick, not as they change";
    ASSERT_TRUE(QTest::qWaitFor([&] { return Counter(1000) == "1"; }, 5000));
    SelectRow(0);
    Detail().ShowSelectedTrap();
    const int detailRows = Detail().List()->topLevelItemCount();
    ASSERT_GT(detailRows, 0);

    boxes.QueueAnswer(MessageAnswer::Cancel);
    frame->findChild<QAction*>("32775")->trigger();
    ASSERT_EQ(boxes.Texts(),
              std::vector<std::string>{"表示データをクリアします。よろしいですか？"});
    EXPECT_EQ(boxes.Recorded()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(boxes.Recorded()[0].icon, MessageIcon::Information);
    EXPECT_EQ(List().RowCount(), 2);
    EXPECT_EQ(Detail().List()->topLevelItemCount(), detailRows);
    EXPECT_EQ(Counter(1000), "1");
    EXPECT_EQ(Counter(1013), "1");

    boxes.QueueAnswer(MessageAnswer::Ok);
    frame->findChild<QAction*>("32775")->trigger();
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(Detail().List()->topLevelItemCount(), 0);
    for (int id : kCounterFieldIds) EXPECT_EQ(Counter(id), "0") << id;
    const PacketCountBlock snapshot = program.Counters().Snapshot();
    EXPECT_EQ(snapshot.allPackets + snapshot.snmpV1Packets + snapshot.genericTrapCounts[6], 0u);
}

TEST_F(FrameTest, StatusBarShowsEachLossCountAboveZeroBesideTheClock) {
    LossCounters& counts = program.Losses();
    frame->OnRefreshTick();
    auto* losses = frame->findChild<QLabel*>("lossPane");
    EXPECT_TRUE(losses->isHidden());
    counts.Set(LossKind::kKernelDrops, 12);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !losses->isHidden(); }, 5000));
    EXPECT_EQ(losses->text(), "受信破棄 (カーネル): 12");
    counts.Count(LossKind::kProgramsSkipped, 2);
    frame->OnRefreshTick();
    EXPECT_EQ(losses->text(), "受信破棄 (カーネル): 12 | プログラム起動省略: 2");
    counts.Count(LossKind::kLogLinesLost, 3);
    frame->OnRefreshTick();
    EXPECT_EQ(losses->text(), "受信破棄 (カーネル): 12 | プログラム起動省略: 2 | ログ書込失敗: 3");
    StoreReadFailures& readFailures = program.ReadFailures();
    readFailures.CountFailure(StoreKind::kUsers);
    readFailures.CountFailure(StoreKind::kUsers);
    frame->OnRefreshTick();
    EXPECT_EQ(
        losses->text(),
        "受信破棄 (カーネル): 12 | プログラム起動省略: 2 | ログ書込失敗: 3 | ユーザー読込失敗: 2");
    readFailures.ReadAgain(StoreKind::kUsers);  // shown only while the file cannot be read
    frame->OnRefreshTick();
    EXPECT_EQ(losses->text(), "受信破棄 (カーネル): 12 | プログラム起動省略: 2 | ログ書込失敗: 3");
    counts.Count(LossKind::kForwardDropped, 4);
    frame->OnRefreshTick();
    EXPECT_EQ(losses->text(),
              "受信破棄 (カーネル): 12 | プログラム起動省略: 2 | ログ書込失敗: 3 | 転送破棄: 4");
    // Rows trimmed at the ceiling are no lost traps: they have a pane of their own.
    auto* trimmed = frame->findChild<QLabel*>("rowsPane");
    counts.Count(LossKind::kRowsRemoved, 500);
    frame->OnRefreshTick();
    EXPECT_EQ(trimmed->text(), "一覧上限で除外: 500");
    EXPECT_EQ(losses->text(),
              "受信破棄 (カーネル): 12 | プログラム起動省略: 2 | ログ書込失敗: 3 | 転送破棄: 4");
    // Clearing the display starts the panes from zero; the tooltip keeps the totals.
    boxes.QueueAnswer(MessageAnswer::Ok);
    frame->OnViewClear();
    EXPECT_TRUE(losses->isHidden());
    EXPECT_TRUE(trimmed->isHidden());
    counts.Count(LossKind::kKernelDrops, 1);
    frame->OnRefreshTick();
    EXPECT_EQ(losses->text(), "受信破棄 (カーネル): 1");
    EXPECT_TRUE(losses->toolTip().contains("受信破棄 (カーネル): 1 (13)"))
        << losses->toolTip().toStdString();
    EXPECT_EQ(ClockAfter(*frame, 1), "00：00：01");
}

TEST_F(FrameTest, SaveWritesTheSettingsFileAndSaysSo) {
    std::filesystem::remove(folder.File("OlixTrap.ini"));
    frame->findChild<QAction*>("32771")->trigger();
    EXPECT_NE(folder.Read("OlixTrap.ini").find("RECVP=" + std::to_string(port)), std::string::npos);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"設定データを保存しました。"});
    EXPECT_EQ(boxes.Recorded()[0].icon, MessageIcon::Information);
}

TEST_F(FrameTest, SaveThatCannotWriteNamesTheFileAndClaimsNoSuccess) {
    // A folder in the file's place: the file can be neither read nor replaced.
    std::filesystem::remove(folder.File("OlixTrap.ini"));
    std::filesystem::create_directory(folder.File("OlixTrap.ini"));
    frame->findChild<QAction*>("32771")->trigger();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"設定ファイルに書き込めませんでした。\n" +
                                                      folder.File("OlixTrap.ini")});
    EXPECT_EQ(boxes.Recorded()[0].icon, MessageIcon::Stop);
    EXPECT_TRUE(std::filesystem::is_directory(folder.File("OlixTrap.ini")));
}

TEST_F(FrameTest, HelpWithoutTheDocumentGivesTheErrorBoxAndGoesOn) {
    frame->findChild<QAction*>("32780")->trigger();
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(
        boxes.Texts()[0].starts_with("ヘルプファイル(OlixTrap.html)を開くことができません。"));
    EXPECT_FALSE(frame.isNull());
}

TEST_F(FrameTest, ExitStopsTheClockAndTheServiceWindowAndDestroysTheFrame) {
    frame->AllowShowing();
    frame->show();
    const QPointer<CEventView> list = &List();
    const QPointer<CCountDlg> counters = &Counters();
    EXPECT_TRUE(frame->ServiceWindow().IsRunning());
    frame->findChild<QAction*>("32774")->trigger();
    EXPECT_FALSE(frame->ServiceWindow().IsRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.isNull(); }, 2000));
    EXPECT_TRUE(list.isNull());
    EXPECT_TRUE(counters.isNull());
    EXPECT_EQ(app.MainFrame(), nullptr);
}

TEST_F(FrameTest, WindowStateIsKeptInTheUserConfigurationAndNotInTheSettingsFile) {
    const std::string settingsBefore = folder.Read("OlixTrap.ini");
    frame->close();
    delete frame.data();  // the close deletes it only later
    EXPECT_FALSE(std::filesystem::exists(folder.File("config/olixtrap/window.conf")))
        << "a frame closed before the splash showed it keeps no layout";
    NewFrame();
    frame->AllowShowing();
    frame->show();
    frame->setGeometry(10, 20, 760, 560);
    frame->Splitter()->setSizes({300, 300});
    frame->Splitter()->NestedSplitter()->setSizes({200, 600});
    QHeaderView* header = List().List()->horizontalHeader();
    header->resizeSection(2, 170);
    header->moveSection(header->visualIndex(5), 0);
    header->resizeSection(7, 150);
    ChooseColumnCommand(7, "column7");
    ChooseColumnCommand(3, "moveColumnRight");
    ASSERT_TRUE(header->isSectionHidden(7));
    const int hostNameAt = header->visualIndex(3);
    List().Finder()->SearchFor("version == 2");
    List().Finder()->SetIgnoreCase(true);
    const QList<int> rows = frame->Splitter()->sizes();
    const QList<int> top = frame->Splitter()->NestedSplitter()->sizes();
    frame->close();
    delete frame.data();  // the close deletes it only later
    EXPECT_EQ(WindowStatePath().toStdString(), folder.File("config") + "/olixtrap/window.conf");
    EXPECT_TRUE(std::filesystem::exists(folder.File("config/olixtrap/window.conf")));
    EXPECT_EQ(folder.Read("OlixTrap.ini"), settingsBefore);

    NewFrame();
    frame->AllowShowing();
    frame->show();
    RestoreWindowState(*frame);
    EXPECT_EQ(frame->geometry().size(), QSize(760, 560));
    EXPECT_EQ(frame->Splitter()->sizes(), rows);
    EXPECT_EQ(frame->Splitter()->NestedSplitter()->sizes(), top);
    header = List().List()->horizontalHeader();
    EXPECT_EQ(header->sectionSize(2), 170);
    EXPECT_EQ(header->logicalIndex(0), 5);
    EXPECT_EQ(header->visualIndex(3), hostNameAt);
    EXPECT_TRUE(header->isSectionHidden(7));
    ChooseColumnCommand(0, "showAllColumns");
    EXPECT_EQ(header->sectionSize(7), 150) << "a hidden column comes back as wide as it was";
    EXPECT_EQ(List().Finder()->History(), QStringList{"version == 2"});
    EXPECT_TRUE(List().Finder()->IgnoreCase());
}

TEST_F(FrameTest, ColumnsKeptBeforeColumnsCouldBeHiddenStillApply) {
    const auto keep = [&](const QString& order) {
        QSettings state(WindowStatePath(), QSettings::IniFormat);
        state.clear();
        QStringList widths;
        for (int column = 0; column <= kTrapListColumns; ++column) widths << "90";
        state.setValue("trapList/widths", widths);
        state.setValue("trapList/order", order.split(','));
    };
    const auto restored = [&] {
        delete frame.data();
        NewFrame();
        RestoreWindowState(*frame);
        return List().List()->horizontalHeader();
    };
    QStringList identity;
    for (int column = 0; column <= kTrapListColumns; ++column) identity << QString::number(column);
    keep(identity.join(','));
    QHeaderView* header = restored();
    EXPECT_EQ(header->sectionSize(4), 90);
    EXPECT_EQ(header->logicalIndex(2), kTrapListColumns) << "the old first order gives way";
    EXPECT_EQ(header->hiddenSectionCount(), 0);

    identity.move(5, 0);
    keep(identity.join(','));
    header = restored();
    EXPECT_EQ(header->logicalIndex(0), 5) << "an order the user chose stays";
    EXPECT_EQ(header->logicalIndex(kTrapListColumns), kTrapListColumns);

    keep(identity.join(',').replace(",2,", ",5,"));  // no arrangement of the columns
    header = restored();
    EXPECT_EQ(header->logicalIndex(2), kTrapListColumns);
    EXPECT_EQ(header->sectionSize(4), 60);
}

TEST_F(FrameTest, TheListAndTheServiceBarKeepTheirRoomWhenTheWindowShrinks) {
    frame->AllowShowing();
    frame->show();
    frame->resize(1280, 1000);
    frame->Splitter()->setSizes({2000, 0});  // the splitter moved down as far as it goes
    frame->close();
    delete frame.data();

    NewFrame();
    frame->AllowShowing();
    frame->show();
    RestoreWindowState(*frame);
    frame->resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_GE(List().height(), List().minimumHeight());
    const QWidget* stop = List().findChild<QWidget*>("1505");
    EXPECT_TRUE(stop->isVisible());
    EXPECT_TRUE(List().rect().contains(stop->geometry()));
    const QTableView* table = List().List();
    EXPECT_GE(table->viewport()->height(), 3 * table->verticalHeader()->defaultSectionSize());
}

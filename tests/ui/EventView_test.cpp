#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFont>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>
#include <tuple>

#include "FrameFixture.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "support/DialogTesting.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"
#include "traplog/Export.h"
#include "traplog/TrapText.h"
#include "ui/TrapListFinder.h"

namespace {

class TrapListTest : public FrameTest {
protected:
    // Rows whose community names them, so that their order can be read back.
    void AddRows(int count) {
        for (int i = 0; i < count; ++i) {
            auto record = V2cRecord();
            SetFixedText(record->community, "row" + std::to_string(i));
            AddTrapRow(*record);
        }
    }
    // Rows from..to-1 named as by AddRows, taken in as one batch.
    void AddBatch(int from, int to) {
        auto record = V2cRecord();
        for (int i = from; i < to; ++i) {
            SetFixedText(record->community, "row" + std::to_string(i));
            ASSERT_EQ(program.Rows().QueueReceivedTrapRow(
                          *record, ExpandTrapMessage(*record, Settings().Snapshot())),
                      0);
        }
        List().InsertQueuedRows();
    }
    std::vector<std::string> Communities() {
        std::vector<std::string> names;
        for (int row = 0; row < List().Finder()->ShownRowCount(); ++row)
            names.emplace_back(List().CellText(row, 6));
        return names;
    }
    QWidget* Control(int id) { return List().findChild<QWidget*>(QString::number(id)); }
};

}  // namespace

TEST_F(TrapListTest, ControlsStartWithStopEnabledAndTheRunningTextAndFollowTheViewsSize) {
    EXPECT_FALSE(Control(1504)->isEnabled());
    EXPECT_TRUE(Control(1505)->isEnabled());
    EXPECT_EQ(static_cast<QLabel*>(Control(1503))->text(), "サービス起動中");
    EXPECT_EQ(static_cast<QLabel*>(Control(1502))->text(), "サービス:");
    EXPECT_EQ(static_cast<QPushButton*>(Control(1504))->text(), "開始");
    EXPECT_EQ(static_cast<QPushButton*>(Control(1505))->text(), "停止");
    EXPECT_EQ(Control(1503)->font().pixelSize(), 12);

    frame->AllowShowing();
    frame->resize(800, 600);
    frame->show();
    const int right = List().width();
    const int bottom = List().height();
    ASSERT_GT(bottom, 50);
    EXPECT_EQ(Control(1501)->geometry(), QRect(0, 0, right, 50));
    // The search bar sits between the band and the list.
    EXPECT_EQ(List().findChild<QWidget*>("trapSearch")->geometry(), QRect(0, 50, right, 28));
    EXPECT_EQ(Control(1500)->geometry(), QRect(0, 78, right, bottom - 78));
    EXPECT_EQ(Control(1505)->geometry(), QRect(right - 90, 20, 80, 22));
    EXPECT_EQ(Control(1504)->geometry(), QRect(right - 176, 20, 80, 22));
    EXPECT_EQ(Control(1503)->geometry(), QRect(10, 20, right - 192, 22));
    EXPECT_EQ(Control(1502)->geometry(), QRect(12, 6, 88, 14));
}

TEST_F(TrapListTest, ServiceWindowsFromAnotherThreadChangeTheStatusAndCommands) {
    std::thread receiver([this] {
        program.Windows().Installed()->SetServiceStatus(Utf8ToCp932("サービス停止"));
        program.Windows().Installed()->EnableServiceCommands(true, false);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Control(1505)->isEnabled(); }, 5000));
    receiver.join();
    EXPECT_EQ(static_cast<QLabel*>(Control(1503))->text(), "サービス停止");
    EXPECT_TRUE(Control(1504)->isEnabled());
}

TEST_F(TrapListTest, QueuedRowsArriveInBatchesInArrivalOrderAndAreAllReadBack) {
    std::vector<std::pair<int, int>> insertions;
    QObject::connect(
        List().List()->model(), &QAbstractItemModel::rowsInserted,
        [&](const QModelIndex&, int first, int last) { insertions.emplace_back(first, last); });
    // The receiver thread queues; the list takes the rows on its tick.
    const AppSettings settings = Settings().Snapshot();
    const auto queue = [this, &settings](int from, int to) {
        std::thread receiver([=, this] {
            for (int i = from; i < to; ++i) {
                auto record = V2cRecord();
                SetFixedText(record->community, "row" + std::to_string(i));
                EXPECT_EQ(program.Rows().QueueReceivedTrapRow(*record,
                                                              ExpandTrapMessage(*record, settings)),
                          0);
            }
        });
        receiver.join();
    };
    queue(0, 5);
    EXPECT_EQ(List().RowCount(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().RowCount() == 5; }, 5000));
    queue(5, 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().RowCount() == 8; }, 5000));
    EXPECT_EQ(insertions, (std::vector<std::pair<int, int>>{{0, 4}, {5, 7}}));
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row0", "row1", "row2", "row3", "row4",
                                                       "row5", "row6", "row7"}));
    TrapListRow row;
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(List().ReadTrapRow(i, row), 0);
        EXPECT_EQ(std::string(row.community.data()), "row" + std::to_string(i));
    }
    EXPECT_EQ(List().ReadTrapRow(8, row), 1);
}

TEST_F(TrapListTest, ReadTrapRowCopiesExistingRowsOnlyWithinTheSlotLimits) {
    TrapListRow row;
    EXPECT_EQ(List().ReadTrapRow(0, row), 1) << "empty list";
    AddRows(4);
    auto record = V2cRecord();
    SetFixedText(record->community, std::string(40, 'x'));
    AddTrapRow(*record);
    EXPECT_EQ(List().CellText(4, 6), std::string(40, 'x')) << "the list shows the whole community";
    ASSERT_EQ(List().ReadTrapRow(4, row), 0);
    EXPECT_EQ(std::string(row.community.data()), std::string(35, 'x'));
    EXPECT_STREQ(row.version.data(), "2");
    EXPECT_STREQ(row.requestId.data(), "7");
    EXPECT_EQ(List().ReadTrapRow(5, row), 1);
    EXPECT_EQ(List().ReadTrapRow(-1, row), 1);
    EXPECT_EQ(List().ReadTrapMessage(4, 8), "v2 xxxxx");
}

TEST_F(TrapListTest, RightClickWithoutASelectedRowOpensNoMenu) {
    AddRows(2);
    List().OnListRightClick(QPoint(5, 5));
    EXPECT_FALSE(List().ContextMenu()->isVisible());
    SelectRow(1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            List().List()->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(List().List()->viewport(), &event);
    EXPECT_TRUE(List().ContextMenu()->isVisible());
    QStringList texts;
    for (QAction* action : List().ContextMenu()->actions())
        texts << action->objectName() + "=" + action->text();
    EXPECT_EQ(texts, QStringList({"32794=選択データ削除", "32795=すべてのデータ削除", "=",
                                  "copyRows=コピー", "filterOnValue=この値で絞り込み"}));
    List().ContextMenu()->close();
}

TEST_F(TrapListTest, SearchNarrowsTheRowsAndSortCyclesBackToArrivalOrder) {
    AddRows(12);
    CTrapListFinder& finder = *List().Finder();
    finder.TextBox()->setText("row1");
    finder.ApplySearch();
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row1", "row10", "row11"}));
    // The exports read the shown rows.
    TrapListRow row{};
    ASSERT_EQ(List().ReadTrapRow(1, row), 0);
    EXPECT_STREQ(row.community.data(), "row10");
    EXPECT_EQ(List().ReadTrapRow(3, row), 1);
    // Rows that arrive while searching are shown only when they match.
    AddBatch(12, 14);
    EXPECT_EQ(Communities(),
              (std::vector<std::string>{"row1", "row10", "row11", "row12", "row13"}));

    finder.VersionChoice()->setCurrentIndex(3);  // SNMPv3: these are v2c traps
    EXPECT_TRUE(Communities().empty());
    finder.VersionChoice()->setCurrentIndex(0);
    finder.TextBox()->clear();
    finder.ApplySearch();
    std::vector<std::string> arrival;
    for (int i = 0; i < 14; ++i) arrival.push_back("row" + std::to_string(i));
    EXPECT_EQ(Communities(), arrival);

    finder.OnHeaderClicked(6);
    EXPECT_EQ(Communities().front(), "row0");
    EXPECT_EQ(Communities()[2], "row10");
    finder.OnHeaderClicked(6);
    EXPECT_EQ(Communities().front(), "row9");
    finder.OnHeaderClicked(6);
    EXPECT_EQ(Communities(), arrival);

    // The name column and the text of an octet string are searched as they are shown.
    auto linkDown = V1ColdStartishRecord();
    linkDown->genericTrap = 2;
    SetFixedText(linkDown->community, "down");
    AddTrapRow(*linkDown);
    auto disk = V2cRecord();
    SetFixedText(disk->community, "disk");
    AddOctetStringBinding(*disk, "1.3.6.1.4.1.99.1", "83 66 83 42 83 58 83 4E 97 65 97 CA ");
    AddTrapRow(*disk);
    const std::pair<QString, std::vector<std::string>> searches[] = {
        {"linkDown", {"down"}}, {"IF-MIB::", {"down"}}, {"ディスク容量", {"disk"}},
        {"AB", {"down"}},  // its other binding, 41 42
        {"linkUp", {}},
    };
    for (const auto& [text, rows] : searches) {
        finder.TextBox()->setText(text);
        finder.ApplySearch();
        EXPECT_EQ(Communities(), rows) << text.toStdString();
    }
}

// An expression typed into the box narrows the rows once typing pauses; a broken one says
// what is wrong and where, and leaves the rows as they were; the context menu filters on
// the cell right-clicked; settled searches go into the history.
TEST_F(TrapListTest, AFilterExpressionTypedIntoTheBoxNarrowsTheRows) {
    AddRows(3);
    auto port = V2cRecord();
    SetFixedText(port->community, "Port");
    AddIntegerBinding(*port, "1.3.6.1.2.1.2.2.1.1.3", 3);
    AddOctetStringBinding(*port, "1.3.6.1.2.1.2.2.1.2.3", "65 74 68 30 ");
    AddTrapRow(*port);
    CTrapListFinder& finder = *List().Finder();
    finder.TextBox()->setFocus();
    QTest::keyClicks(finder.TextBox(), "ifIndex == 3 || community == row1");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Communities().size() == 2; }, 3000));
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row1", "Port"}));

    finder.TextBox()->setText("ifDescr == eth0 && (community ~ port");
    finder.ApplySearch();
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row1", "Port"}));
    EXPECT_TRUE(finder.ErrorText().contains("20 文字目")) << finder.ErrorText().toStdString();
    EXPECT_TRUE(finder.ErrorText().contains("を閉じる ) がありません"));
    EXPECT_TRUE(List().findChild<QLabel*>("searchCount")->isHidden());

    finder.IgnoreCaseChoice()->setChecked(true);
    finder.TextBox()->setText("ifDescr == ETH0 && (community ~ port)");
    QTest::keyClick(finder.TextBox(), Qt::Key_Return);
    EXPECT_TRUE(finder.ErrorText().isEmpty());
    EXPECT_EQ(Communities(), (std::vector<std::string>{"Port"}));
    finder.IgnoreCaseChoice()->setChecked(false);
    EXPECT_TRUE(Communities().empty());

    finder.TextBox()->clear();
    finder.ApplySearch();
    frame->AllowShowing();
    frame->resize(800, 600);
    frame->show();
    SelectRow(2);
    List().List()->scrollToTop();
    const QRect cell = List().List()->visualRect(List().List()->model()->index(2, 6));
    List().OnListRightClick(cell.center());
    List().ContextMenu()->findChild<QAction*>("filterOnValue")->trigger();
    List().ContextMenu()->close();
    EXPECT_EQ(finder.TextBox()->text(), "community == \"row2\"");
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row2"}));
    EXPECT_EQ(finder.History(),
              QStringList({"community == \"row2\"", "ifDescr == ETH0 && (community ~ port)"}));
}

TEST_F(TrapListTest, ALongSearchRunsInSlicesAndFollowsTheRowsThatComeAndGoMeanwhile) {
    constexpr int kRows = 30000;  // two slices
    AppSettings settings = Settings().Snapshot();
    settings.maxRows = kRows;
    Settings().Replace(settings);
    AddBatch(0, kRows);
    CTrapListFinder& finder = *List().Finder();
    finder.TextBox()->setText("row2");
    finder.ApplySearch();
    EXPECT_TRUE(finder.Searching());
    EXPECT_EQ(List().Finder()->ShownRowCount(), kRows)
        << "the list stays as it was until the search is done";
    // At the ceiling the oldest 1 % leave while the second slice is still to come.
    AddBatch(kRows, kRows + 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finder.Searching(); }, 20000));
    std::vector<std::string> expected;
    for (int i = kRows / 100; i < kRows + 10; ++i) {
        const std::string name = "row" + std::to_string(i);
        if (name.find("row2") != std::string::npos) expected.push_back(name);
    }
    EXPECT_EQ(Communities(), expected);
}

TEST_F(TrapListTest, CopyGivesTheSelectedRowsAsTabSeparatedTextUnderTheHeaders) {
    AddRows(3);
    List().List()->selectionModel()->select(
        List().List()->model()->index(2, 0),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List().List()->selectionModel()->select(
        List().List()->model()->index(0, 0),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List().OnCopySelected();
    const QStringList lines = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(lines.size(), 4);  // headers, two rows, and the final line end
    EXPECT_TRUE(lines[0].startsWith(
        "Event\tDate\tIP Adress\tHost Name\tVersion\tTrap Message\tCommunity\t"));
    EXPECT_TRUE(lines[0].endsWith("\tError index\tObject ID = Value\tPDU\tトラップ名"));
    const QStringList first = lines[1].split('\t');
    ASSERT_EQ(first.size(), kTrapListColumns + 1);
    EXPECT_EQ(first[4], "2");
    EXPECT_EQ(first[6], "row0");
    EXPECT_EQ(first[1], QString::fromLatin1(List().CellText(0, 1)));
    EXPECT_EQ(lines[2].split('\t')[6], "row2");
    EXPECT_EQ(lines[3], "");
}

TEST_F(TrapListTest, DeleteSelectedAsksAndRemovesExactlyTheSelectedRows) {
    AddRows(6);
    for (int row : {0, 1, 3, 5}) SelectRow(row);
    boxes.QueueAnswer(MessageAnswer::Cancel);
    List().findChild<QAction*>("32794")->trigger();
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"選択されているデータを削除します。よろしいですか？"});
    EXPECT_EQ(List().RowCount(), 6);

    boxes.QueueAnswer(MessageAnswer::Ok);
    List().findChild<QAction*>("32794")->trigger();
    EXPECT_EQ(Communities(), (std::vector<std::string>{"row2", "row4"}));
}

TEST_F(TrapListTest, DeleteAllAsksAndKeepsTheDetailView) {
    AddRows(3);
    SelectRow(2);
    List().OnListClick();
    const int detailRows = Detail().List()->topLevelItemCount();
    ASSERT_GT(detailRows, 0);

    boxes.QueueAnswer(MessageAnswer::Cancel);
    List().findChild<QAction*>("32795")->trigger();
    EXPECT_EQ(List().RowCount(), 3);
    boxes.QueueAnswer(MessageAnswer::Ok);
    List().findChild<QAction*>("32795")->trigger();
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"すべてのデータを削除します。よろしいですか？",
                                        "すべてのデータを削除します。よろしいですか？"}));
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(Detail().List()->topLevelItemCount(), detailRows);
}

TEST_F(TrapListTest, ClickingARowOrMovingToItWithTheKeysShowsItInTheDetailView) {
    AddRows(3);
    frame->AllowShowing();
    frame->show();
    QTableView* table = List().List();
    const QRect cell = table->visualRect(table->model()->index(1, 6));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_GT(Detail().List()->topLevelItemCount(), 7);
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(1), "row1");

    QTest::keyClick(table, Qt::Key_Down);
    ASSERT_GT(Detail().List()->topLevelItemCount(), 7);
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(1), "row2");
}

TEST_F(TrapListTest, AtTheCeilingTheOldestRowsLeaveAndSelectionDetailAndExportFollow) {
    AppSettings settings = Settings().Snapshot();
    settings.maxRows = 1000;
    Settings().Replace(settings);
    std::vector<std::pair<int, int>> removals;
    QObject::connect(
        List().List()->model(), &QAbstractItemModel::rowsRemoved,
        [&](const QModelIndex&, int first, int last) { removals.emplace_back(first, last); });
    AddBatch(0, 995);
    SelectRow(500);
    List().OnListClick();
    ASSERT_GT(Detail().List()->topLevelItemCount(), 7);
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(1), "row500");

    // Five rows over the ceiling remove 1 % of it, the oldest first.
    AddBatch(995, 1000 + 5);
    EXPECT_EQ(removals, (std::vector<std::pair<int, int>>{{0, 9}}));
    EXPECT_EQ(program.Losses().Read(LossKind::kRowsRemoved), 10u);
    ASSERT_EQ(List().RowCount(), 995);
    EXPECT_EQ(List().CellText(0, 6), "row10");
    EXPECT_EQ(List().CellText(994, 6), "row1004");
    EXPECT_EQ(List().FirstSelectedRow(), 490);
    List().OnListClick();
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(1), "row500");

    const std::string path = folder.File("list.csv");
    ASSERT_EQ(WriteExport(ExportFormat::Csv, path, program.Counters().Snapshot(), List(), boxes),
              0);
    const std::string csv = folder.Read("list.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7 + 995);
    const std::size_t firstRow = csv.find("\"v2 row");
    EXPECT_EQ(csv.substr(firstRow, 10), "\"v2 row10\"");

    // A batch longer than the ceiling leaves only its newest rows.
    AddBatch(2000, 3500);
    ASSERT_EQ(List().RowCount(), 1000);
    EXPECT_EQ(List().CellText(0, 6), "row2500");
    EXPECT_EQ(List().FirstSelectedRow(), -1);
    EXPECT_EQ(program.Losses().Read(LossKind::kRowsRemoved), 10u + 995 + 500);
}

TEST_F(TrapListTest, TheTrapNameShowsThirdWhileTheModelTheCopyAndTheExportsKeepTheirOrder) {
    const QHeaderView* header = List().List()->horizontalHeader();
    EXPECT_EQ(header->logicalIndex(0), 0);
    EXPECT_EQ(header->logicalIndex(1), 1);
    EXPECT_EQ(header->logicalIndex(2), kTrapListColumns);
    EXPECT_EQ(header->logicalIndex(3), 2);
    EXPECT_EQ(header->logicalIndex(kTrapListColumns), kTrapListColumns - 1);
    const QAbstractItemModel* model = List().List()->model();
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "IP Adress");
    EXPECT_EQ(model->headerData(kTrapListColumns, Qt::Horizontal).toString(), "トラップ名");

    AddRows(2);
    SelectRow(1);
    auto exported = [&] {
        List().OnCopySelected();
        EXPECT_EQ(WriteExport(ExportFormat::Csv, folder.File("list.csv"),
                              program.Counters().Snapshot(), List(), boxes),
                  0);
        EXPECT_EQ(WriteExport(ExportFormat::Html, folder.File("list.html"),
                              program.Counters().Snapshot(), List(), boxes),
                  0);
        return std::make_tuple(QApplication::clipboard()->text(), folder.Read("list.csv"),
                               folder.Read("list.html"));
    };
    const auto before = exported();
    EXPECT_NE(std::get<1>(before).find("\"192.168.1.20\",\"\",\"2\",\"v2 row1\""),
              std::string::npos)
        << std::get<1>(before);
    ChooseColumnCommand(2, "hideColumn");
    ChooseColumnCommand(6, "moveColumnLeft");
    ChooseColumnCommand(kTrapListColumns, "moveColumnRight");
    EXPECT_TRUE(header->isSectionHidden(2));
    EXPECT_EQ(header->logicalIndex(3), 3);
    EXPECT_EQ(header->logicalIndex(4), kTrapListColumns) << "passed over the hidden column";
    EXPECT_EQ(header->visualIndex(6), header->visualIndex(5) - 1);
    EXPECT_EQ(exported(), before);
}

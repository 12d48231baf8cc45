// The alarm window on an engine of its own: rows and their colours, the filters, the
// user's calls through the window's dialogs, muting, updates in place, the history.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "alarms/AlarmStore.h"
#include "alarms/dialogs/AlarmListModel.h"
#include "alarms/dialogs/AlarmNoteDlg.h"
#include "alarms/dialogs/AlarmPane.h"
#include "alarms/dialogs/AlarmWindow.h"
#include "settings/SettingsSource.h"
#include "snmp/BerTags.h"
#include "support/DialogTesting.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"

namespace {

constexpr std::string_view kLinkDown = "1.3.6.1.6.3.1.1.5.3";
constexpr std::string_view kLinkUp = "1.3.6.1.6.3.1.1.5.4";
constexpr std::string_view kColdStart = "1.3.6.1.6.3.1.1.5.1";
constexpr std::string_view kAuthFailure = "1.3.6.1.6.3.1.1.5.5";

// The instance column without MIB names: the binding's OID and its value.
QString Instance(int ifIndex) { return QStringLiteral("1.3.6.1.2.1.2.2.1.1.%1=%1").arg(ifIndex); }

class AlarmWindowTest : public ::testing::Test {
protected:
    void Tap(const TrapRecord& record) { engine_.Tap(record, TappedDatagram{}, true); }

    // The cell of the visible row whose sender and instance are these.
    int RowOf(const QString& sender, const QString& instance) {
        const QAbstractItemModel* model = window_.List()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            if (model->index(row, static_cast<int>(AlarmColumn::kSender)).data() == sender &&
                model->index(row, static_cast<int>(AlarmColumn::kInstance)).data() == instance)
                return row;
        return -1;
    }
    QString Cell(int row, AlarmColumn column) {
        return window_.List()->model()->index(row, static_cast<int>(column)).data().toString();
    }
    void Select(int row) { window_.List()->selectRow(row); }

    SettingsSource settings_;
    LossCounters losses_;
    AlarmEngine engine_{{.settings = settings_, .mib = nullptr, .losses = losses_}};
    CAlarmWindow window_{engine_, std::string()};
};

TEST_F(AlarmWindowTest, RowsAreColouredBySeveritySortedAndFiltered) {
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    Tap(*NewV2cNotification({10, 0, 0, 2}, kColdStart));
    Tap(*NewV2cNotification({10, 0, 0, 3}, kAuthFailure));
    window_.Tick();
    QTableView* list = window_.List();
    ASSERT_EQ(list->model()->rowCount(), 3);
    // Most severe first: major, minor, warning.
    EXPECT_EQ(Cell(0, AlarmColumn::kSeverity), QStringLiteral("重要"));
    EXPECT_EQ(Cell(1, AlarmColumn::kSeverity), QStringLiteral("軽微"));
    EXPECT_EQ(Cell(2, AlarmColumn::kSeverity), QStringLiteral("警告"));
    EXPECT_EQ(Cell(0, AlarmColumn::kCount), QStringLiteral("2"));
    EXPECT_EQ(Cell(0, AlarmColumn::kState), QStringLiteral("発生"));
    EXPECT_EQ(Cell(0, AlarmColumn::kInstance), Instance(2));
    const auto colour = [&](int row, AlarmColumn column) {
        return list->model()
            ->index(row, static_cast<int>(column))
            .data(Qt::BackgroundRole)
            .value<QBrush>()
            .color();
    };
    EXPECT_EQ(colour(0, AlarmColumn::kSeverity), QColor::fromRgb(0xF57C00));
    EXPECT_EQ(colour(2, AlarmColumn::kSeverity), QColor::fromRgb(0x29B6F6));
    EXPECT_EQ(colour(0, AlarmColumn::kMessage), QColor::fromRgb(0xF57C00).lighter(165));

    // The sender sorts as a number, not as a text: 10.0.0.3 before 10.0.0.20.
    Tap(*NewV2cNotification({10, 0, 0, 20}, kColdStart));
    window_.Tick();
    list->sortByColumn(static_cast<int>(AlarmColumn::kSender), Qt::AscendingOrder);
    EXPECT_EQ(Cell(2, AlarmColumn::kSender), QStringLiteral("10.0.0.3"));
    EXPECT_EQ(Cell(3, AlarmColumn::kSender), QStringLiteral("10.0.0.20"));

    window_.SeverityFilter()->setCurrentIndex(3);  // 軽微以上
    EXPECT_EQ(list->model()->rowCount(), 2);
    window_.SeverityFilter()->setCurrentIndex(0);
    window_.SearchBox()->setText(QStringLiteral("10.0.0.2"));  // also 10.0.0.20
    EXPECT_EQ(list->model()->rowCount(), 2);
    window_.SearchBox()->clear();

    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2));
    window_.Tick();
    window_.StateFilter()->setCurrentIndex(4);  // 解除
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_EQ(Cell(0, AlarmColumn::kState), QStringLiteral("解除"));
    window_.StateFilter()->setCurrentIndex(1);  // 未解除
    EXPECT_EQ(list->model()->rowCount(), 3);
}

TEST_F(AlarmWindowTest, AcknowledgeWithANoteClearByHandAndRemoveCleared) {
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 3));
    window_.Tick();
    Select(RowOf(QStringLiteral("10.0.0.1"), Instance(2)));
    {
        ModalScript<CAlarmNoteDlg> script([](CAlarmNoteDlg& dialog) {
            dialog.NoteBox()->setText(QStringLiteral("回線業者に連絡済み"));
            ControlById<QPushButton>(&dialog, 1)->click();
        });
        window_.OnAcknowledge();
        EXPECT_EQ(script.opened, 1);
    }
    int row = RowOf(QStringLiteral("10.0.0.1"), Instance(2));
    EXPECT_EQ(Cell(row, AlarmColumn::kState), QStringLiteral("確認済"));
    EXPECT_EQ(Cell(row, AlarmColumn::kAck),
              QString::fromStdString(AlarmUserName()) + QStringLiteral(": 回線業者に連絡済み"));
    EXPECT_EQ(Cell(RowOf(QStringLiteral("10.0.0.1"), Instance(3)), AlarmColumn::kState),
              QStringLiteral("発生"));

    // A cancelled note changes nothing.
    {
        ModalScript<CAlarmNoteDlg> script(
            [](CAlarmNoteDlg& dialog) { ControlById<QPushButton>(&dialog, 2)->click(); });
        window_.OnUnacknowledge();
    }
    EXPECT_EQ(Cell(row, AlarmColumn::kState), QStringLiteral("確認済"));
    {
        ModalScript<CAlarmNoteDlg> script(
            [](CAlarmNoteDlg& dialog) { ControlById<QPushButton>(&dialog, 1)->click(); });
        window_.OnClearByHand();
    }
    row = RowOf(QStringLiteral("10.0.0.1"), Instance(2));
    EXPECT_EQ(Cell(row, AlarmColumn::kState), QStringLiteral("解除"));
    window_.OnRemoveCleared();
    EXPECT_EQ(window_.List()->model()->rowCount(), 1);
    EXPECT_EQ(RowOf(QStringLiteral("10.0.0.1"), Instance(2)), -1);
}

TEST_F(AlarmWindowTest, MutingASenderCountsItsTrapsUntilUnmuted) {
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    window_.Tick();
    Select(0);
    {
        ModalScript<CAlarmMuteDlg> script([](CAlarmMuteDlg& dialog) {
            EXPECT_TRUE(dialog.RuleChoice()->isEnabled());  // the alarm has its rule
            dialog.PeriodBox()->setCurrentIndex(CAlarmMuteDlg::kFourHours);
            ControlById<QPushButton>(&dialog, 1)->click();
        });
        window_.OnMute();
    }
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 5));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2));
    window_.Tick();
    QTableWidget* mutes = window_.Mutes();
    ASSERT_EQ(mutes->rowCount(), 1);
    EXPECT_EQ(mutes->item(0, 0)->text(), QStringLiteral("送信元 10.0.0.1"));
    EXPECT_EQ(mutes->item(0, 2)->text(), QStringLiteral("2"));
    const QDateTime until =
        QDateTime::fromString(mutes->item(0, 1)->text(), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    EXPECT_NEAR(QDateTime::currentDateTime().secsTo(until), 4 * 3600, 60);
    // Neither the new interface nor the clear reached the alarms.
    EXPECT_EQ(window_.List()->model()->rowCount(), 1);
    EXPECT_EQ(Cell(0, AlarmColumn::kState), QStringLiteral("発生"));

    mutes->selectRow(0);
    window_.OnUnmute();
    EXPECT_EQ(mutes->rowCount(), 0);
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2));
    window_.Tick();
    EXPECT_EQ(Cell(0, AlarmColumn::kState), QStringLiteral("解除"));
}

TEST_F(AlarmWindowTest, UpdatesInPlaceKeepTheSelectionAndThePane) {
    for (int index = 1; index <= 50; ++index)
        Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, index));
    window_.Tick();
    window_.List()->sortByColumn(static_cast<int>(AlarmColumn::kInstance), Qt::AscendingOrder);
    const int row = RowOf(QStringLiteral("10.0.0.1"), Instance(17));
    Select(row);
    int resets = 0;
    QObject::connect(window_.Model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    for (int round = 0; round < 3; ++round) {
        for (int index = 1; index <= 50; ++index)
            Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, index));
        Tap(*NewV2cNotification({10, 0, 0, 9}, kColdStart));
        window_.Tick();
    }
    EXPECT_EQ(resets, 0);
    const QModelIndexList selected = window_.List()->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().siblingAtColumn(static_cast<int>(AlarmColumn::kInstance)).data(),
              Instance(17));
    EXPECT_EQ(selected.front().siblingAtColumn(static_cast<int>(AlarmColumn::kCount)).data(),
              QStringLiteral("4"));

    CAlarmPane pane;
    pane.Show(engine_.Snapshot());
    EXPECT_EQ(pane.text(), QStringLiteral("アラーム 重大 0 | 重要 50 | 軽微 0 | 警告 1 | 不明 0"));
    EXPECT_EQ(pane.palette().color(QPalette::Window), QColor::fromRgb(0xF57C00));
}

TEST(AlarmWindowHistory, TheDetailListsTheAlarmsHistoryFromTheStore) {
    TempProgramFolder folder;
    SettingsSource settings;
    LossCounters losses;
    AlarmEngine engine{{.settings = settings, .mib = nullptr, .losses = losses}};
    AlarmStore store(engine, settings);
    ASSERT_EQ(store.Open(folder.File("alarms.sqlite")), "");
    for (int i = 0; i < 3; ++i)
        engine.Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2), {}, true);
    engine.Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2), {}, true);
    store.WriteNow();
    CAlarmWindow window(engine, store.Path());
    window.ShowDetail(engine.Snapshot().alarms.front().facts->id);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.ReadingHistory(); }, 10000));
    window.Tick();
    QTableWidget* history = window.History();
    // Raised, two repeats, cleared (in the same millisecond here, so in any order).
    QStringList events;
    for (int row = 0; row < history->rowCount(); ++row)
        events << history->item(row, 1)->text() + ' ' + history->item(row, 2)->text();
    events.sort();
    EXPECT_EQ(events,
              (QStringList{QStringLiteral("トラップ 重要"), QStringLiteral("トラップ 重要"),
                           QStringLiteral("発生 重要"), QStringLiteral("解除 (トラップ) 解除")}))
        << events.join('|').toStdString();
    EXPECT_TRUE(window.Facts()->text().contains(QStringLiteral("送信元 10.0.0.1")));
}

}  // namespace

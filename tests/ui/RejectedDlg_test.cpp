#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "FrameFixture.h"
#include "ui/RejectedDlg.h"
#include "ui/RejectedListModel.h"

namespace {

class RejectedWindowTest : public FrameTest {
protected:
    CRejectedDlg* OpenWindow() {
        QAction* command = frame->findChild<QAction*>(QStringLiteral("32788"));
        EXPECT_NE(command, nullptr);
        if (command) command->trigger();
        return frame->findChild<CRejectedDlg*>();
    }

    void Record(RejectReason reason, int8_t version, uint16_t offset, std::string_view user,
                std::vector<uint8_t> octets, uint32_t length) {
        program.Rejected().Record(ArrivedDatagram(octets, {10, 0, 0, 1}, 1111, length), reason,
                                  version, offset, user);
    }
};

}  // namespace

TEST_F(RejectedWindowTest, ShowsNewestFirstAndClearEmptiesTheListButKeepsTheCounts) {
    Record(RejectReason::kMalformed, 1, 4, {}, {0x30, 0x03, 0x02, 0x01, 0x05}, 5);
    Record(RejectReason::kAuthFailure, 3, 80, "alice", {0x30}, 1);
    Record(RejectReason::kTooLarge, -1, 0, {}, std::vector<uint8_t>(100, 0xAB), 1500);

    CRejectedDlg* window = OpenWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->findChild<QTimer*>(QStringLiteral("tickTimer"))->isActive());
    const RejectedListModel& rows = *window->Model();
    ASSERT_EQ(rows.rowCount(), 3);
    EXPECT_EQ(rows.CellText(0, RejectedListModel::kReasonColumn), "サイズ超過 (1500 オクテット)");
    EXPECT_EQ(rows.CellText(0, RejectedListModel::kVersionColumn), "");
    EXPECT_EQ(rows.CellText(0, RejectedListModel::kOctetsColumn).size(), 64 * 3 - 1);
    EXPECT_EQ(rows.CellText(1, RejectedListModel::kReasonColumn), "認証失敗");
    EXPECT_EQ(rows.CellText(1, RejectedListModel::kUserColumn), "alice");
    EXPECT_EQ(rows.CellText(1, RejectedListModel::kVersionColumn), "3");
    EXPECT_EQ(rows.CellText(2, RejectedListModel::kReasonColumn), "形式不正 (オフセット 4)");
    EXPECT_EQ(rows.CellText(2, RejectedListModel::kVersionColumn), "2");
    EXPECT_EQ(rows.CellText(2, RejectedListModel::kAddressColumn), "10.0.0.1");
    EXPECT_EQ(rows.CellText(2, RejectedListModel::kPortColumn), "1111");
    EXPECT_EQ(rows.CellText(2, RejectedListModel::kOctetsColumn), "30 03 02 01 05");
    EXPECT_EQ(window->CountLabel(RejectReason::kAuthFailure)->text(), "認証失敗: 1");

    // The counter view counts an unknown user among decryption failures; the tip says so.
    EXPECT_EQ(window->CountLabel(RejectReason::kUnknownUser)->toolTip(),
              "カウンタ表示の「DecFail Packets」と「Total Recv Packets」に数えます");
    window->List()->selectRow(2);
    window->List()->selectionModel()->select(
        rows.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->CopyOctets();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              rows.CellText(0, RejectedListModel::kOctetsColumn) + "\n30 03 02 01 05");

    Record(RejectReason::kFiltered, 0, 0, {}, {0x30}, 1);
    program.Rejected().Record(ArrivedDatagram(std::vector<uint8_t>{0x30}, {10, 0, 0, 1}, 1111, 1),
                              RejectReason::kFiltered, 1, 0, {},
                              {.enterprise = "1.3.6.1.4.1.8072",
                               .trapOid = "1.3.6.1.4.1.8072.4.0.2",
                               .genericTrap = 7,
                               .specificTrap = 0});
    window->OnTick();
    ASSERT_EQ(rows.rowCount(), 5);
    EXPECT_EQ(rows.CellText(1, RejectedListModel::kReasonColumn), "受信フィルタで拒否");
    EXPECT_EQ(rows.CellText(0, RejectedListModel::kReasonColumn),
              "受信フィルタで拒否 (トラップ OID 1.3.6.1.4.1.8072.4.0.2, エンタープライズ "
              "1.3.6.1.4.1.8072 汎用 7 固有 0)");

    window->findChild<QPushButton*>(QString::number(CRejectedDlg::kClearButton))->click();
    EXPECT_EQ(rows.rowCount(), 0);
    window->OnTick();
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(window->CountLabel(RejectReason::kAuthFailure)->text(), "認証失敗: 1");
    EXPECT_EQ(window->CountLabel(RejectReason::kFiltered)->text(), "受信フィルタで拒否: 2");

    // The command brings the one window back; hidden, it stops reading the ring.
    EXPECT_EQ(OpenWindow(), window);
    EXPECT_EQ(frame->findChildren<CRejectedDlg*>().size(), 1);
    window->hide();
    EXPECT_FALSE(window->findChild<QTimer*>(QStringLiteral("tickTimer"))->isActive());
}

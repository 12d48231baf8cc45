#include "forward/dialogs/CForwardDlg.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "forward/ForwardTransport.h"
#include "forward/Forwarder.h"
#include "settings/SettingsSource.h"
#include "support/DialogTesting.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"

namespace {

class ForwardDialog : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("OlixTrap.ini", "[INIT]\r\nRECVP=162\r\n");
        settings_.Load();
    }

    QLineEdit* Edit(CForwardDlg& dialog, int row, int column) {
        return ControlById<QLineEdit>(&dialog, CForwardDlg::Id(row, column));
    }

    TempProgramFolder folder_;
    SettingsSource settings_;  // the senders' formats
    LossCounters losses_;
    Forwarder forwarder_{settings_, losses_};
    MessageBoxRecorder boxes_;
};

TEST_F(ForwardDialog, OkPutsTheDestinationsInForceAndWritesOnlyTheirKeys) {
    CForwardDlg dialog(forwarder_, boxes_);
    ControlById<QComboBox>(&dialog, CForwardDlg::Id(1, CForwardDlg::kKindCombo))
        ->setCurrentIndex(3);  // json
    Edit(dialog, 1, CForwardDlg::kPathEdit)->setText(QStringLiteral("no/such/folder/traps.json"));
    Edit(dialog, 1, CForwardDlg::kDaysEdit)->setText(QStringLiteral("30"));
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(folder_.Read("OlixTrap.ini"),
              "[INIT]\r\nRECVP=162\r\n[FORWARD]\r\nKIND2=json\r\nPATH2=no/such/folder/"
              "traps.json\r\nDAYS2=30\r\n");
    EXPECT_EQ(forwarder_.CurrentForwardSettings()[1].kind, ForwardKind::kJson);
}

TEST_F(ForwardDialog, AnOutOfRangeValueIsRefusedAndADestinationsErrorIsShown) {
    ForwardSettings settings;
    settings[0].kind = ForwardKind::kSyslogTcp;
    settings[0].host = "no-such-host.invalid";
    forwarder_.ApplyForwardSettings(settings);
    CForwardDlg dialog(forwarder_, boxes_);
    Edit(dialog, 0, CForwardDlg::kSeverityEdit)->setText(QStringLiteral("8"));
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_EQ(boxes_.Texts(), std::vector<std::string>{"重要度が不正です。(0 ～ 7)"});

    // The error shows once the sender has tried a trap.
    forwarder_.Tap(*V2cRecord(), TappedDatagram{{}, {127, 0, 0, 1}, 1162}, true);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            dialog.ShowStatus();
            return ControlById<QLabel>(&dialog, CForwardDlg::Id(0, CForwardDlg::kStateLabel))
                ->text()
                .startsWith(QStringLiteral("ホスト名を解決できません"));
        },
        10000));
}

// What a destination is sent is chosen where it means something (syslog, JSON) and written
// only once it is not traps.
TEST_F(ForwardDialog, TheContentChoiceShowsTheSettingAndOkWritesIt) {
    ForwardSettings settings;
    settings[0].kind = ForwardKind::kJson;
    settings[0].path = "a.json";
    settings[0].content = ForwardContent::kBoth;
    settings[1].kind = ForwardKind::kSnmp;
    settings[1].host = "192.0.2.1";
    forwarder_.ApplyForwardSettings(settings);
    CForwardDlg dialog(forwarder_, boxes_);
    const auto content = [&](int row) {
        return ControlById<QComboBox>(&dialog, CForwardDlg::Id(row, CForwardDlg::kContentCombo));
    };
    EXPECT_EQ(content(0)->currentText(), QStringLiteral("両方"));
    EXPECT_TRUE(content(0)->isEnabled());
    EXPECT_FALSE(content(1)->isEnabled());
    EXPECT_FALSE(content(2)->isEnabled());
    content(0)->setCurrentIndex(1);
    ASSERT_TRUE(PressOk(dialog));
    EXPECT_EQ(content(0)->currentText(), QStringLiteral("アラームの変化"));
    EXPECT_NE(folder_.Read("OlixTrap.ini").find("CONTENT1=alarms\r\n"), std::string::npos);
    EXPECT_EQ(folder_.Read("OlixTrap.ini").find("CONTENT2"), std::string::npos);
    EXPECT_TRUE(forwarder_.TakesAlarmChanges());
}

// A relay to the program's own trap port is neither taken by OK nor used when the settings
// load; a relay that another stopped going round shows how often.
TEST_F(ForwardDialog, ARelayToTheOwnTrapPortIsRefusedAndWhatALoopStoppedIsShown) {
    ForwardSettings settings;
    settings[0].kind = ForwardKind::kSnmp;
    settings[0].host = "127.0.0.1";
    settings[0].port = 9;
    settings[1] = settings[0];
    settings[1].host = "localhost";
    settings[1].port = 162;
    forwarder_.ApplyForwardSettings(settings);
    const std::vector<uint8_t> datagram(60, 7);
    forwarder_.Tap(*V2cRecord(), TappedDatagram{datagram, {127, 0, 0, 1}, 1162}, true);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(forwarder_.CameBack(datagram));

    CForwardDlg dialog(forwarder_, boxes_);
    const auto label = [&](int row, int column) {
        return ControlById<QLabel>(&dialog, CForwardDlg::Id(row, column))->text();
    };
    EXPECT_EQ(label(0, CForwardDlg::kLoopStoppedLabel), QStringLiteral("2"));
    EXPECT_EQ(label(1, CForwardDlg::kStateLabel),
              QStringLiteral("自身の受信ポートのため使用しません (転送がループします)"));
    EXPECT_EQ(label(1, CForwardDlg::kLoopStoppedLabel), QStringLiteral("0"));
    EXPECT_FALSE(PressOk(dialog));
    Edit(dialog, 1, CForwardDlg::kHostEdit)->setText(QStringLiteral("0.0.0.0"));
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_EQ(
        boxes_.Texts(),
        std::vector<std::string>(2, "SNMP の転送先に自身の受信ポートを指定することはできません。"));
    EXPECT_EQ(folder_.Read("OlixTrap.ini").find("FORWARD"), std::string::npos);
    Edit(dialog, 1, CForwardDlg::kPortEdit)->setText(QStringLiteral("163"));
    EXPECT_TRUE(PressOk(dialog));
}

}  // namespace

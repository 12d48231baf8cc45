#include "settings/dialogs/COptionDlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "snmp/engine/EngineFile.h"
#include "support/DialogTesting.h"
#include "support/TempProgramFolder.h"

namespace {

const char* const kPortMessage = "トラップ待ち受けポートが不正です。(1 ～ 65535)";
const char* const kFormatSizeMessage = "トラップ表示形式のサイズが不正です。(0 ～ 256)";
const char* const kCommaMessage = "設定値に , を使用することはできません。";

// Runs before the dialog is built, which reads the settings.
struct KnownSettings {
    KnownSettings() {
        AppSettings settings{};
        settings.trapPort = 162;
        settings.resolveHostName = 1;
        settings.logMode = 1;
        settings.logRetention = 3;
        SetFixedText(settings.formatV1, "Com = %C");
        SetFixedText(settings.formatV2c, "V2 %B");
        SetFixedText(settings.formatV3, "V3 %u");
        source.Replace(settings);
    }
    SettingsSource source;
};

class OptionDialog : public ::testing::Test {
protected:
    QLineEdit* Edit(int id) { return ControlById<QLineEdit>(&dialog, id); }

    // Presses OK; true when the dialog closed with OK.
    bool PressOk() { return ::PressOk(dialog); }

    TempProgramFolder folder;
    KnownSettings known;
    EngineFile engine;
    MessageBoxRecorder boxes;
    COptionDlg dialog{known.source, engine, boxes};
};

TEST_F(OptionDialog, ShowsTheSettings) {
    EXPECT_EQ(dialog.windowTitle(), "Olix Trap Receiver: Option");
    EXPECT_EQ(Edit(COptionDlg::kPortEdit)->text(), "162");
    EXPECT_TRUE(ControlById<QCheckBox>(&dialog, COptionDlg::kHostNameCheck)->isChecked());
    EXPECT_FALSE(ControlById<QRadioButton>(&dialog, COptionDlg::kLogNoneRadio)->isChecked());
    EXPECT_TRUE(ControlById<QRadioButton>(&dialog, COptionDlg::kLogNoneRadio + 1)->isChecked());
    auto* retention = ControlById<QComboBox>(&dialog, COptionDlg::kRetentionCombo);
    ASSERT_EQ(retention->count(), 13);
    EXPECT_EQ(retention->itemText(12), "12");
    EXPECT_EQ(retention->currentIndex(), 3);
    EXPECT_EQ(Edit(COptionDlg::kFormatV1Edit + 2)->text(), "V3 %u");
}

TEST_F(OptionDialog, PortOutsideOneTo65535IsRefused) {
    for (const char* port : {"0", "", "abc", "65536", "4294967297", "-1"}) {
        SCOPED_TRACE(port);
        boxes.Clear();
        Edit(COptionDlg::kPortEdit)->setText(port);
        EXPECT_FALSE(PressOk());
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kPortMessage});
        EXPECT_EQ(boxes.Recorded().front().icon, MessageIcon::Stop);
        EXPECT_EQ(known.source.Snapshot().trapPort, 162);
    }
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
}

TEST_F(OptionDialog, PortsOneAnd65535AreStoredAndSaved) {
    for (const char* port : {"1", "65535"}) {
        SCOPED_TRACE(port);
        Edit(COptionDlg::kPortEdit)->setText(port);
        EXPECT_TRUE(PressOk());
        EXPECT_EQ(known.source.Snapshot().trapPort, std::stoi(port));
        EXPECT_NE(folder.Read("OlixTrap.ini").find(std::string("RECVP=") + port),
                  std::string::npos);
    }
    EXPECT_TRUE(boxes.Recorded().empty());
}

TEST_F(OptionDialog, FormatLengthIsCountedInShiftJisBytes) {
    // 128 two-byte characters are 256 bytes in Shift_JIS (384 in UTF-8).
    const QString kana128 = QString(128, QChar(0x3042));
    Edit(COptionDlg::kFormatV1Edit + 1)->setText(kana128);
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(FixedTextView(known.source.Snapshot().formatV2c), Utf8ToCp932(kana128.toStdString()));

    Edit(COptionDlg::kFormatV1Edit + 2)->setText(QString(257, QLatin1Char('x')));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kFormatSizeMessage});
}

TEST_F(OptionDialog, EmptyFormatIsAcceptedAndCommaRefusedInEachFormat) {
    Edit(COptionDlg::kFormatV1Edit)->setText("");
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(FixedTextView(known.source.Snapshot().formatV1), "");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        boxes.Clear();
        Edit(COptionDlg::kFormatV1Edit + i)->setText("a,b");
        EXPECT_FALSE(PressOk());
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kCommaMessage});
        Edit(COptionDlg::kFormatV1Edit + i)->setText("ab");
    }
}

TEST_F(OptionDialog, RefusedOkKeepsEarlierFieldsInMemoryButWritesNoFile) {
    Edit(COptionDlg::kPortEdit)->setText("5000");
    ControlById<QRadioButton>(&dialog, COptionDlg::kLogNoneRadio + 2)->setChecked(true);
    Edit(COptionDlg::kFormatV1Edit)->setText("new v1");
    Edit(COptionDlg::kFormatV1Edit + 1)->setText("bad,format");
    EXPECT_FALSE(PressOk());
    const AppSettings settings = known.source.Snapshot();
    EXPECT_EQ(settings.trapPort, 5000);
    EXPECT_EQ(settings.logMode, 2);
    EXPECT_EQ(FixedTextView(settings.formatV1), "new v1");
    EXPECT_EQ(FixedTextView(settings.formatV2c), "V2 %B");
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
}

TEST_F(OptionDialog, RowCeilingOutside1000To10000000IsRefusedAfterTheOtherFields) {
    EXPECT_EQ(Edit(COptionDlg::kMaxRowsEdit)->text(), "1000000");
    Edit(COptionDlg::kPortEdit)->setText("5000");
    for (const char* rows : {"999", "", "10000001", "4294967297"}) {
        SCOPED_TRACE(rows);
        boxes.Clear();
        Edit(COptionDlg::kMaxRowsEdit)->setText(rows);
        EXPECT_FALSE(PressOk());
        EXPECT_EQ(boxes.Texts(),
                  std::vector<std::string>{"トラップ一覧の最大行数が不正です。(1000 ～ 10000000)"});
        EXPECT_EQ(known.source.Snapshot().maxRows, kMaxRowsDefault);
    }
    EXPECT_EQ(known.source.Snapshot().trapPort, 5000);
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
    for (const char* rows : {"1000", "10000000"}) {
        Edit(COptionDlg::kMaxRowsEdit)->setText(rows);
        EXPECT_TRUE(PressOk());
        EXPECT_EQ(known.source.Snapshot().maxRows, std::stoi(rows));
        EXPECT_NE(folder.Read("OlixTrap.ini").find(std::string("MAXROWS=") + rows),
                  std::string::npos);
    }
}

TEST_F(OptionDialog, MibFoldersAreWrittenOnlyOnceSetAndRefusedPast512Bytes) {
    EXPECT_EQ(Edit(COptionDlg::kMibFoldersEdit)->text(), "");
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(folder.Read("OlixTrap.ini").find("MIBDIRS"), std::string::npos);

    // 171 three-byte characters are 513 bytes in UTF-8, the file system's encoding.
    Edit(COptionDlg::kMibFoldersEdit)->setText(QString(171, QChar(0x3042)));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"MIB フォルダの指定が長すぎます。(0 ～ 512 バイト)"});

    Edit(COptionDlg::kMibFoldersEdit)->setText(QStringLiteral(" /opt/mibs:/srv/ミブ "));
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(FixedTextView(known.source.Snapshot().mibFolders), "/opt/mibs:/srv/ミブ");
    EXPECT_NE(folder.Read("OlixTrap.ini").find("MIBDIRS=/opt/mibs:/srv/ミブ\r\n"),
              std::string::npos);
    COptionDlg reopened(known.source, engine, boxes);
    EXPECT_EQ(ControlById<QLineEdit>(&reopened, COptionDlg::kMibFoldersEdit)->text(),
              QStringLiteral("/opt/mibs:/srv/ミブ"));
}

TEST_F(OptionDialog, CancelChangesNothing) {
    Edit(COptionDlg::kPortEdit)->setText("999");
    Edit(COptionDlg::kFormatV1Edit)->setText("changed");
    dialog.show();
    ControlById<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(known.source.Snapshot().trapPort, 162);
    EXPECT_EQ(FixedTextView(known.source.Snapshot().formatV1), "Com = %C");
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
}

TEST_F(OptionDialog, RetentionZeroIsStored) {
    ControlById<QComboBox>(&dialog, COptionDlg::kRetentionCombo)->setCurrentIndex(0);
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(known.source.Snapshot().logRetention, 0);
    EXPECT_NE(folder.Read("OlixTrap.ini").find("LOGDELM=0"), std::string::npos);
}

TEST(OptionDialogRetention, StoredValueOutsideTheItemsIsBroughtIntoRange) {
    TempProgramFolder folder;
    SettingsSource source;
    EngineFile engine;
    MessageBoxRecorder boxes;
    for (auto [stored, expected] : {std::pair{-4, 0}, std::pair{40, 12}}) {
        AppSettings settings{};
        settings.trapPort = 162;
        settings.logRetention = stored;
        source.Replace(settings);
        COptionDlg dialog(source, engine, boxes);
        auto* retention = ControlById<QComboBox>(&dialog, COptionDlg::kRetentionCombo);
        EXPECT_EQ(retention->currentIndex(), -1);
        retention->setEditText("junk");
        dialog.OnOK();
        EXPECT_EQ(source.Snapshot().logRetention, expected);
    }
}

TEST_F(OptionDialog, EnterRunsOkFromAnyControlAndEscapeIsSwallowed) {
    dialog.show();
    QTest::keyClick(Edit(COptionDlg::kFormatV1Edit), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    Edit(COptionDlg::kPortEdit)->setText("1234");
    QTest::keyClick(ControlById<QCheckBox>(&dialog, COptionDlg::kHostNameCheck), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(known.source.Snapshot().trapPort, 1234);
}

}  // namespace

// Devices are configured with the receiver's engine ID: shown as the file keeps it, to be
// selected and copied, never edited.
TEST_F(OptionDialog, ShowsTheEngineIdReadOnly) {
    QLineEdit* engineId = Edit(COptionDlg::kEngineIdEdit);
    EXPECT_TRUE(engineId->isReadOnly());
    EXPECT_EQ(engineId->text().toStdString(), EngineIdText(engine.Peek().EngineId()));
    EXPECT_TRUE(engineId->text().startsWith("0x80"));
    EXPECT_EQ(folder.Read("db/Engine.na").substr(0, 2), "0x");
}

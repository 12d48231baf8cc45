#include "settings/dialogs/CMailDlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "support/DialogTesting.h"
#include "support/TempProgramFolder.h"

namespace {

struct KnownMailSettings {
    KnownMailSettings() {
        AppSettings settings{};
        settings.trapPort = 162;
        SetFixedText(settings.smtpServer, "smtp.example");
        SetFixedText(settings.popServer, "pop.example");
        SetFixedText(settings.popPassword, "secret");
        settings.usePopAuth = 0;
        source.Replace(settings);
    }
    SettingsSource source;
};

class MailDialog : public ::testing::Test {
protected:
    QLineEdit* Edit(int id) { return ControlById<QLineEdit>(&dialog, id); }

    bool PressOk() { return ::PressOk(dialog); }

    TempProgramFolder folder;
    KnownMailSettings known;
    MessageBoxRecorder boxes;
    CMailDlg dialog{known.source, boxes};
};

struct FieldCase {
    int id;
    int limit;
    const char* message;
    std::string_view (*stored)(const AppSettings&);
};

const FieldCase kFieldCases[] = {
    {CMailDlg::kSmtpServerEdit, 36, "smtp serverのデータサイズが不正です。(36Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.smtpServer); }},
    {CMailDlg::kMailFromEdit, 128, "Mail Address Fromのデータサイズが不正です。(128Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.mailFrom); }},
    {CMailDlg::kMailToEdit, 128, "Mail Address Toのデータサイズが不正です。(128Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.mailTo); }},
    {CMailDlg::kPopServerEdit, 36, "POP Serverのデータサイズが不正です。(36Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.popServer); }},
    {CMailDlg::kPopUserIdEdit, 36, "User IDのデータサイズが不正です。(36Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.popUserId); }},
    {CMailDlg::kPopPasswordEdit, 36, "Passwardのデータサイズが不正です。(36Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.popPassword); }},
    {CMailDlg::kSubjectEdit, 36, "件名のデータサイズが不正です。(36Byteまで)",
     [](const AppSettings& s) { return FixedTextView(s.mailSubject); }},
};

TEST_F(MailDialog, EachFieldTakesItsLimitInBytesAndRefusesOneMore) {
    for (const FieldCase& field : kFieldCases) {
        SCOPED_TRACE(field.id);
        boxes.Clear();
        // Two-byte characters, so a count in characters or UTF-8 bytes would be caught.
        Edit(field.id)->setText(QString(field.limit / 2, QChar(0x30C6)));
        EXPECT_TRUE(PressOk());
        EXPECT_EQ(field.stored(known.source.Snapshot()),
                  Utf8ToCp932(Edit(field.id)->text().toStdString()));

        Edit(field.id)->setText(QString(field.limit / 2, QChar(0x30C6)) + "x");
        EXPECT_FALSE(PressOk());
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{field.message});
        EXPECT_EQ(boxes.Recorded().front().icon, MessageIcon::Stop);
        Edit(field.id)->setText("");
    }
}

TEST_F(MailDialog, FirstFailingFieldIsReportedAndEarlierOnesKeptInMemoryOnly) {
    Edit(CMailDlg::kMailFromEdit)->setText("from@example");
    Edit(CMailDlg::kMailToEdit)->setText(QString(129, QLatin1Char('t')));
    Edit(CMailDlg::kSubjectEdit)->setText(QString(37, QLatin1Char('s')));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::string>{"Mail Address Toのデータサイズが不正です。(128Byteまで)"});
    EXPECT_EQ(FixedTextView(known.source.Snapshot().mailFrom), "from@example");
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
}

TEST_F(MailDialog, PopFieldsFollowTheCheckBoxAndAreSavedWhenDisabled) {
    auto* pop = ControlById<QCheckBox>(&dialog, CMailDlg::kPopAuthCheck);
    EXPECT_FALSE(pop->isChecked());
    EXPECT_FALSE(Edit(CMailDlg::kPopServerEdit)->isEnabled());
    EXPECT_TRUE(Edit(CMailDlg::kSmtpServerEdit)->isEnabled());
    EXPECT_EQ(Edit(CMailDlg::kPopPasswordEdit)->echoMode(), QLineEdit::Password);
    dialog.show();
    pop->click();
    EXPECT_TRUE(Edit(CMailDlg::kPopUserIdEdit)->isEnabled());
    pop->click();
    EXPECT_FALSE(Edit(CMailDlg::kPopUserIdEdit)->isEnabled());
    Edit(CMailDlg::kPopServerEdit)->setText("pop2.example");
    EXPECT_TRUE(PressOk());
    const AppSettings settings = known.source.Snapshot();
    EXPECT_EQ(settings.usePopAuth, 0);
    EXPECT_EQ(FixedTextView(settings.popServer), "pop2.example");
    EXPECT_EQ(FixedTextView(settings.popPassword), "secret");
    const std::string file = folder.Read("OlixTrap.ini");
    EXPECT_NE(file.find("popserver=pop2.example"), std::string::npos);
    EXPECT_NE(file.find("passward=secret"), std::string::npos);
}

TEST_F(MailDialog, CancelAndEscapeChangeNothing) {
    Edit(CMailDlg::kSmtpServerEdit)->setText("other");
    dialog.show();
    QTest::keyClick(Edit(CMailDlg::kSmtpServerEdit), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    ControlById<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(FixedTextView(known.source.Snapshot().smtpServer), "smtp.example");
    EXPECT_EQ(folder.Read("OlixTrap.ini"), "");
}

}  // namespace

#include "settings/dialogs/CMailDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <array>
#include <string>

#include "platform/qt/FieldWidth.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSource.h"

namespace {

// One text edit of the dialog: its id, label, the key it edits and the start of the
// message when its text is longer than the key holds.
struct MailField {
    int id;
    const char* label;
    const SettingsKey& key;
    const char* tooLong;
};

const std::array<MailField, 7> kFields = {{
    {CMailDlg::kSmtpServerEdit, "SMTPサーバー:", SettingsKeyOf(&AppSettings::smtpServer),
     "smtp serverのデータサイズが不正です。"},
    {CMailDlg::kMailFromEdit, "メールアドレス（送信元）:", SettingsKeyOf(&AppSettings::mailFrom),
     "Mail Address Fromのデータサイズが不正です。"},
    {CMailDlg::kMailToEdit, "メールアドレス（送信先）:", SettingsKeyOf(&AppSettings::mailTo),
     "Mail Address Toのデータサイズが不正です。"},
    {CMailDlg::kPopServerEdit, "POPサーバー:", SettingsKeyOf(&AppSettings::popServer),
     "POP Serverのデータサイズが不正です。"},
    {CMailDlg::kPopUserIdEdit, "ユーザID:", SettingsKeyOf(&AppSettings::popUserId),
     "User IDのデータサイズが不正です。"},
    {CMailDlg::kPopPasswordEdit, "パスワード:", SettingsKeyOf(&AppSettings::popPassword),
     "Passwardのデータサイズが不正です。"},
    {CMailDlg::kSubjectEdit, "件名:", SettingsKeyOf(&AppSettings::mailSubject),
     "件名のデータサイズが不正です。"},
}};

std::string TooLongMessage(const MailField& field) {
    return std::string(field.tooLong) + "(" + std::to_string(field.key.TextLimit()) + "Byteまで)";
}

}  // namespace

CMailDlg::CMailDlg(SettingsSource& settingsSource, MessageBoxPort& boxes, QWidget* parent)
    : CBaseDlg(parent), m_settings(settingsSource), m_boxes(boxes) {
    const AppSettings settings = m_settings.Snapshot();
    setWindowTitle(QStringLiteral("Olix Trap Receiver: Mail"));

    auto* group = new QGroupBox(QStringLiteral("メール設定"));
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const MailField& field : kFields) {
        if (field.id == kPopServerEdit) {
            auto* popCheck =
                WithId(new QCheckBox(QStringLiteral("POP認証を使用する")), kPopAuthCheck);
            popCheck->setChecked(settings.usePopAuth != 0);
            connect(popCheck, &QCheckBox::clicked, this, &CMailDlg::EnablePopFields);
            grid->addWidget(popCheck, row++, 0, 1, 2);
        }
        auto* edit = WithId(new QLineEdit(FromCp932(TextOf(field.key, settings))), field.id);
        if (field.id == kPopPasswordEdit) edit->setEchoMode(QLineEdit::Password);
        // An address as long as many real ones shows whole even while the field is empty.
        const QString typical = QStringLiteral("network-admin@mail.example.co.jp");
        if (field.id == kMailFromEdit || field.id == kMailToEdit)
            FitEditTo(edit, edit->text().size() > typical.size() ? edit->text() : typical);
        grid->addWidget(new QLabel(QString::fromUtf8(field.label)), row, 0);
        grid->addWidget(edit, row++, 1);
    }

    QHBoxLayout* buttons = MakeOkCancelRow(QStringLiteral("設定"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    EnablePopFields(settings.usePopAuth != 0);
    InstallKeyHandling();
}

void CMailDlg::EnablePopFields(bool enable) {
    for (int id : {kPopServerEdit, kPopUserIdEdit, kPopPasswordEdit})
        ControlById<QLineEdit>(this, id)->setEnabled(enable);
}

void CMailDlg::OnOK() {
    // Each value that passes is kept in the settings at once, also when a later field is
    // refused; disabled fields are stored all the same.
    AppSettings settings = m_settings.Snapshot();
    for (const MailField& field : kFields) {
        if (field.id == kPopServerEdit)
            settings.usePopAuth = ControlById<QCheckBox>(this, kPopAuthCheck)->isChecked() ? 1 : 0;
        const std::string text = ToCp932(ControlById<QLineEdit>(this, field.id)->text());
        if (text.size() > field.key.TextLimit()) {
            m_settings.Replace(settings);
            ShowStopMessage(m_boxes, TooLongMessage(field));
            return;
        }
        SetText(field.key, settings, text);
    }
    m_settings.Replace(settings);
    // A file that could not be written has been reported; the dialog stays open.
    if (!m_settings.Save(m_boxes)) return;
    accept();
}

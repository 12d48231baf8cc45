#include "settings/dialogs/CMailDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <span>

#include "platform/qt/FieldWidth.h"
#include "settings/AppSettings.h"
#include "settings/CConfig.h"

namespace {

// One text edit of the dialog: its id, label, byte limit, setting and the message when it
// is too long.
struct MailField {
    int id;
    const char* label;
    std::size_t limit;
    std::span<char> (*setting)(AppSettings&);
    const char* tooLong;
};

const std::array<MailField, 7> kFields = {{
    {CMailDlg::kSmtpServerEdit, "SMTPサーバー:", 36,
     [](AppSettings& s) { return std::span<char>(s.smtpServer); },
     "smtp serverのデータサイズが不正です。(36Byteまで)"},
    {CMailDlg::kMailFromEdit, "メールアドレス（送信元）:", 128,
     [](AppSettings& s) { return std::span<char>(s.mailFrom); },
     "Mail Address Fromのデータサイズが不正です。(128Byteまで)"},
    {CMailDlg::kMailToEdit, "メールアドレス（送信先）:", 128,
     [](AppSettings& s) { return std::span<char>(s.mailTo); },
     "Mail Address Toのデータサイズが不正です。(128Byteまで)"},
    {CMailDlg::kPopServerEdit, "POPサーバー:", 36,
     [](AppSettings& s) { return std::span<char>(s.popServer); },
     "POP Serverのデータサイズが不正です。(36Byteまで)"},
    {CMailDlg::kPopUserIdEdit, "ユーザID:", 36,
     [](AppSettings& s) { return std::span<char>(s.popUserId); },
     "User IDのデータサイズが不正です。(36Byteまで)"},
    {CMailDlg::kPopPasswordEdit, "パスワード:", 36,
     [](AppSettings& s) { return std::span<char>(s.popPassword); },
     "Passwardのデータサイズが不正です。(36Byteまで)"},
    {CMailDlg::kSubjectEdit, "件名:", 36,
     [](AppSettings& s) { return std::span<char>(s.mailSubject); },
     "件名のデータサイズが不正です。(36Byteまで)"},
}};

std::string_view TextOf(std::span<const char> field) {
    return std::string_view(field.data(),
                            std::find(field.begin(), field.end(), '\0') - field.begin());
}

// The field is cleared first; the text has passed its limit, which leaves room for the terminator.
void Store(std::span<char> field, std::string_view text) {
    std::fill(field.begin(), field.end(), '\0');
    std::copy_n(text.data(), std::min(text.size(), field.size() - 1), field.begin());
}

}  // namespace

CMailDlg::CMailDlg(QWidget* parent) : CBaseDlg(parent) {
    AppSettings settings = ReadSettings();
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
        auto* edit = WithId(new QLineEdit(FromCp932(TextOf(field.setting(settings)))), field.id);
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
    AppSettings settings = ReadSettings();
    for (const MailField& field : kFields) {
        if (field.id == kPopServerEdit)
            settings.usePopAuth = ControlById<QCheckBox>(this, kPopAuthCheck)->isChecked() ? 1 : 0;
        const std::string text = ToCp932(ControlById<QLineEdit>(this, field.id)->text());
        if (text.size() > field.limit) {
            WriteSettings(settings);
            ShowStopMessage(field.tooLong);
            return;
        }
        Store(field.setting(settings), text);
    }
    WriteSettings(settings);
    CConfig::Save();
    accept();
}

#include "alarms/dialogs/AlarmNoteDlg.h"

#include <pwd.h>
#include <unistd.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdlib>
#include <vector>

std::string AlarmUserName() {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "unknown";
}

namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    // Ids as every dialog of the program has them: OK 1, cancel 2.
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

CAlarmNoteDlg::CAlarmNoteDlg(const QString& title, const QString& what, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(title);
    m_note = new QLineEdit(this);
    m_note->setObjectName(QStringLiteral("alarmNote"));
    m_note->setMaxLength(500);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(what, this));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ユーザ:"),
                 new QLabel(QString::fromStdString(AlarmUserName()), this));
    form->addRow(QStringLiteral("メモ:"), m_note);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
    resize(420, sizeHint().height());
}

std::string CAlarmNoteDlg::Note() const { return m_note->text().trimmed().toStdString(); }

CAlarmMuteDlg::CAlarmMuteDlg(const QString& sender, const QString& rule, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("アラームのミュート"));
    m_sender = new QRadioButton(QStringLiteral("送信元 %1").arg(sender), this);
    m_sender->setObjectName(QStringLiteral("muteSender"));
    m_rule = new QRadioButton(QStringLiteral("規則 %1").arg(rule), this);
    m_rule->setObjectName(QStringLiteral("muteRule"));
    m_rule->setEnabled(!rule.isEmpty());
    m_sender->setChecked(true);
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("mutePeriod"));
    m_period->addItems({QStringLiteral("1 時間"), QStringLiteral("4 時間"), QStringLiteral("1 日"),
                        QStringLiteral("日時を指定")});
    m_until = new QDateTimeEdit(QDateTime::currentDateTime().addDays(1), this);
    m_until->setObjectName(QStringLiteral("muteUntil"));
    m_until->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm"));
    m_until->setCalendarPopup(true);
    m_until->setEnabled(false);
    connect(m_period, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_until->setEnabled(index == kUntil); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("ミュート中のトラップはログと一覧に残り、アラームを発生・解除しません。"),
        this));
    layout->addWidget(m_sender);
    layout->addWidget(m_rule);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("期間:"), m_period);
    form->addRow(QStringLiteral("終了日時:"), m_until);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this));
}

bool CAlarmMuteDlg::BySender() const { return m_sender->isChecked(); }

int64_t CAlarmMuteDlg::UntilMs(int64_t nowMs) const {
    constexpr int64_t kHourMs = 3600 * 1000;
    switch (m_period->currentIndex()) {
    case kHour: return nowMs + kHourMs;
    case kFourHours: return nowMs + 4 * kHourMs;
    case kDay: return nowMs + 24 * kHourMs;
    default: return m_until->dateTime().toMSecsSinceEpoch();
    }
}

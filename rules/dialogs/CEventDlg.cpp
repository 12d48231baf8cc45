#include "rules/dialogs/CEventDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "rules/dialogs/CActDlg.h"
#include "rules/dialogs/CFilEpriseDlg.h"
#include "rules/dialogs/CFilIPDlg.h"
#include "rules/dialogs/CFilUserDlg.h"
#include "settings/SettingsSource.h"
#include "settings/dialogs/CMailDlg.h"

CEventDlg::CEventDlg(RuleStore& rules, const UserStore& users, SettingsSource& settings,
                     MessageBoxPort& boxes, QWidget* parent)
    : CBaseDlg(parent), m_rules(rules), m_users(users), m_settings(settings), m_boxes(boxes) {
    WithId(this, 159);
    setWindowTitle(QStringLiteral("Olix Trap Receiver: Event"));

    auto* group = new QGroupBox(QStringLiteral("トラップ受信フィルタ設定"));
    auto* all =
        WithId(new QRadioButton(QStringLiteral("すべての Snmp Trap を受信する。")), kAllTrapsRadio);
    auto* filtered =
        WithId(new QRadioButton(QStringLiteral("特定の Snmp Trap のみ受信する。")), kFilteredRadio);
    auto* action = WithId(new QPushButton(QStringLiteral("アクション設定")), kActionButton);
    const bool filtering = m_settings.Snapshot().receiveMode != 0;
    (filtering ? filtered : all)->setChecked(true);
    action->setEnabled(!filtering);
    connect(all, &QRadioButton::clicked, action, [action] { action->setEnabled(true); });
    connect(filtered, &QRadioButton::clicked, action, [action] { action->setEnabled(false); });
    connect(action, &QPushButton::clicked, this, &CEventDlg::OnAction);

    m_tabs = WithId(new QTabWidget, kTabs);
    m_tabs->addTab(new CFilIPDlg(m_rules, m_users, m_boxes), QStringLiteral("IP Filter"));
    m_tabs->addTab(new CFilEpriseDlg(m_rules, m_users, m_boxes),
                   QStringLiteral("EnterPrise Filter"));
    m_tabs->addTab(new CFilUserDlg(m_rules, m_users, m_boxes), QStringLiteral("User Filter"));

    auto* firstLine = new QHBoxLayout;
    firstLine->addWidget(all);
    firstLine->addWidget(action);
    firstLine->addStretch();
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addLayout(firstLine);
    groupLayout->addWidget(filtered);
    groupLayout->addWidget(m_tabs);

    auto* mail = WithId(new QPushButton(QStringLiteral("メール設定")), kMailButton);
    connect(mail, &QPushButton::clicked, this, &CEventDlg::OnMail);
    QHBoxLayout* buttons = MakeOkCancelRow(QStringLiteral("OK"));
    buttons->insertWidget(0, mail);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    InstallKeyHandling();
}

CFilPageDlg* CEventDlg::Page(int tab) const {
    return static_cast<CFilPageDlg*>(m_tabs->widget(tab));
}

void CEventDlg::OnAction() {
    CActDlg dialog(m_rules, m_users, m_boxes, this);
    dialog.SetMode(nullptr, CActDlg::ModeAllTraps);
    RunModal(dialog);
}

void CEventDlg::OnMail() {
    CMailDlg dialog(m_settings, m_boxes, this);
    RunModal(dialog);
}

void CEventDlg::OnOK() {
    AppSettings settings = m_settings.Snapshot();
    settings.receiveMode = ControlById<QRadioButton>(this, kFilteredRadio)->isChecked() ? 1 : 0;
    m_settings.Replace(settings);
    // A file that could not be written has been reported; the dialog stays open.
    if (!m_settings.Save(m_boxes)) return;
    accept();
}

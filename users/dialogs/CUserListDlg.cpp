#include "users/dialogs/CUserListDlg.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "platform/qt/FieldWidth.h"
#include "platform/qt/QtText.h"
#include "platform/qt/ReportListCtrl.h"
#include "users/UserProtocols.h"
#include "users/UserStore.h"
#include "users/dialogs/CUserDlg.h"

CUserListDlg::CUserListDlg(UserStore& users, MessageBoxPort& boxes, QWidget* parent)
    : QDialog(parent), m_users(users), m_boxes(boxes) {
    WithId(this, 179);
    setWindowTitle(QStringLiteral("Olix Trap Receiver: User List"));
    m_list = WithId(new CReportListCtrl({{QStringLiteral("ユーザ"), 80},
                                         {QStringLiteral("パスワード"), 80},
                                         {QStringLiteral("Engine ID"), kEngineIdWidth},
                                         {QStringLiteral("認証アルゴリズム"), 80},
                                         {QStringLiteral("暗号アルゴリズム"), 80},
                                         {QStringLiteral("hide authpsw"), 80},
                                         {QStringLiteral("hide encpsw"), 80}},
                                        true),
                    kList);
    // The passwords travel in the working copy for saving but are never shown: the list
    // masks them in column 1 and the edit dialog in its password fields.
    m_list->setColumnHidden(kAuthPasswordColumn, true);
    m_list->setColumnHidden(kPrivPasswordColumn, true);
    auto* add = WithId(new QPushButton(QStringLiteral("追加")), kAddButton);
    auto* edit = WithId(new QPushButton(QStringLiteral("編集")), kEditButton);
    auto* remove = WithId(new QPushButton(QStringLiteral("削除")), kDeleteButton);
    auto* ok = WithId(new QPushButton(QStringLiteral("設定")), 1);
    auto* cancel = WithId(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ")), 2);
    ok->setDefault(true);
    connect(add, &QPushButton::clicked, this, &CUserListDlg::OnAdd);
    connect(edit, &QPushButton::clicked, this, &CUserListDlg::OnEdit);
    connect(remove, &QPushButton::clicked, this, &CUserListDlg::OnDelete);
    connect(ok, &QPushButton::clicked, this, &CUserListDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] {
        if (m_list->FirstSelectedRow() >= 0) OnEdit();
    });

    auto* group = new QGroupBox(QStringLiteral("SnmpV3 ユーザリスト"));
    auto* listButtons = new QHBoxLayout;
    listButtons->addStretch();
    listButtons->addWidget(add);
    listButtons->addWidget(edit);
    listButtons->addWidget(remove);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_list);
    groupLayout->addLayout(listButtons);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    resize(620, 320);

    m_users.ListUsers(*m_list);
    FitEngineIdColumn();
}

void CUserListDlg::FitEngineIdColumn() { FitColumn(m_list, kEngineIdColumn, kEngineIdWidth); }

void CUserListDlg::OnAdd() {
    CUserDlg dialog(m_list, false, m_boxes, this);
    RunModal(dialog);
    FitEngineIdColumn();
    m_nLastChange = 10;
}

void CUserListDlg::OnEdit() {
    if (m_list->FirstSelectedRow() < 0)
        return ShowStopMessage(m_boxes, "編集するユーザを選択してください。");
    CUserDlg dialog(m_list, true, m_boxes, this);
    RunModal(dialog);
    FitEngineIdColumn();
    m_nLastChange = 11;
}

void CUserListDlg::OnDelete() {
    m_list->RemoveRows(m_list->SelectedRows());
    m_nLastChange = 12;
}

void CUserListDlg::OnOK() {
    if (m_nLastChange != 0) {
        std::vector<UserTexts> users;
        for (int row = 0; row < m_list->RowCount(); ++row) {
            const std::string engineId = m_list->CellText(row, kEngineIdColumn);
            users.push_back({m_list->CellText(row, kNameColumn),
                             m_list->CellText(row, kAuthPasswordColumn),
                             m_list->CellText(row, kPrivPasswordColumn),
                             engineId.size() > 2 ? engineId.substr(2) : std::string(),
                             ProtocolCode(kAuthProtocolNames, m_list->CellText(row, kAuthColumn)),
                             ProtocolCode(kPrivProtocolNames, m_list->CellText(row, kPrivColumn))});
        }
        // The store posted why it could not save; the dialog keeps the edited list.
        if (m_users.SaveUsers(users) != 0) return;
    }
    accept();
}

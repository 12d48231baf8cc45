#include "rules/dialogs/CFilUserDlg.h"

#include "rules/dialogs/CActDlg.h"

CFilUserDlg::CFilUserDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                         QWidget* parent)
    : CFilPageDlg({162,
                   User,
                   "ユーザ 受信フィルタ設定:",
                   "※Snmpv3 のみ有効",
                   {{QStringLiteral("ユーザ"), 160}},
                   CActDlg::ModeAddUser,
                   CActDlg::ModeEditUser,
                   "編集するユーザを選択してください。"},
                  rules, users, boxes, parent) {}

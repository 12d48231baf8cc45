#include "rules/dialogs/CFilEpriseDlg.h"

#include "rules/dialogs/CActDlg.h"

CFilEpriseDlg::CFilEpriseDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                             QWidget* parent)
    : CFilPageDlg({160,
                   Enterprise,
                   "EnterPrise 受信フィルタ設定:",
                   "※Snmpv1 のみ有効",
                   {{QStringLiteral("Enter Prises"), 120},
                    {QStringLiteral("Generic ID"), 70},
                    {QStringLiteral("Specific ID"), 70}},
                   CActDlg::ModeAddEnterprise,
                   CActDlg::ModeEditEnterprise,
                   "編集するイベントを選択してください。"},
                  rules, users, boxes, parent) {}

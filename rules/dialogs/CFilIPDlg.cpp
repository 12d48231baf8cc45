#include "rules/dialogs/CFilIPDlg.h"

#include "rules/dialogs/CActDlg.h"

CFilIPDlg::CFilIPDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                     QWidget* parent)
    : CFilPageDlg({161,
                   IpRange,
                   "IPアドレス 受信フィルタ設定:",
                   "※Snmpv1、v2c、v3 全バージョン有効",
                   {{QStringLiteral("開始アドレス"), 130}, {QStringLiteral("終了アドレス"), 130}},
                   CActDlg::ModeAddIpRange,
                   CActDlg::ModeEditIpRange,
                   "編集するIPアドレスを選択してください。"},
                  rules, users, boxes, parent) {}

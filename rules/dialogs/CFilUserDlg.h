#pragma once
// The filter page of SNMPv3 user names.

#include "rules/dialogs/CFilPageDlg.h"

class CFilUserDlg : public CFilPageDlg {
    Q_OBJECT
public:
    CFilUserDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                QWidget* parent = nullptr);
};

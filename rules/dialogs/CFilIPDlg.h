#pragma once
// The filter page of IP address ranges (valid for every version).

#include "rules/dialogs/CFilPageDlg.h"

class CFilIPDlg : public CFilPageDlg {
    Q_OBJECT
public:
    CFilIPDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
              QWidget* parent = nullptr);
};

#pragma once
// The filter page of SNMPv1 enterprises with generic and specific trap numbers.

#include "rules/dialogs/CFilPageDlg.h"

class CFilEpriseDlg : public CFilPageDlg {
    Q_OBJECT
public:
    CFilEpriseDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                  QWidget* parent = nullptr);
};

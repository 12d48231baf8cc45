#pragma once
// Adds or changes one SNMPv3 user in the working copy of the user list dialog.

#include "platform/qt/CBaseDlg.h"

class CReportListCtrl;
class MessageBoxPort;

class CUserDlg : public CBaseDlg {
    Q_OBJECT
public:
    // Control ids.
    enum : int {
        kNameEdit = 1075,
        kAuthPasswordEdit = 1076,
        kEngineIdEdit = 1077,
        kPrivPasswordEdit = 1078,
        kAuthCombo = 1016,
        kPrivCombo = 1017,
    };

    // list is the user list of the list dialog; in edit mode its first selected row is
    // shown and overwritten, otherwise a row is appended.
    CUserDlg(CReportListCtrl* list, bool editMode, MessageBoxPort& boxes,
             QWidget* parent = nullptr);

    void OnOK() override;

private:
    CReportListCtrl* m_pList;
    bool m_bEdit;
    MessageBoxPort& m_boxes;
};

#pragma once
// The SNMPv3 user list: a working copy of the user store given in a list; OK writes it
// back whole, in list order, when anything was done to it.

#include <QDialog>

class CReportListCtrl;
class MessageBoxPort;
class UserStore;

class CUserListDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids.
    enum : int { kList = 1035, kAddButton = 3, kEditButton = 1024, kDeleteButton = 1025 };

    // Columns of the list.
    enum : int {
        kNameColumn = 0,
        kMaskColumn = 1,
        kEngineIdColumn = 2,
        kAuthColumn = 3,
        kPrivColumn = 4,
        kAuthPasswordColumn = 5,
        kPrivPasswordColumn = 6,
    };

    CUserListDlg(UserStore& users, MessageBoxPort& boxes, QWidget* parent = nullptr);

    CReportListCtrl* List() const { return m_list; }
    int LastChange() const { return m_nLastChange; }

    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnOK();

private:
    static constexpr int kEngineIdWidth = 100;  // wider only for the IDs listed
    void FitEngineIdColumn();

    UserStore& m_users;
    MessageBoxPort& m_boxes;
    CReportListCtrl* m_list;
    int m_nLastChange = 0;  // 0 until the list was changed (10 add, 11 edit, 12 delete)
};

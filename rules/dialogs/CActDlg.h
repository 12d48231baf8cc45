#pragma once
// The action dialog: one rule's key (enterprise, address range or user, by mode) and its
// notification actions, written to the rule store on OK. The user names offered come from
// the user store.

#include "platform/qt/CBaseDlg.h"
#include "rules/RuleRecord.h"

class CFilPageDlg;
class MessageBoxPort;
class RuleStore;
class UserStore;

class CActDlg : public CBaseDlg {
    Q_OBJECT
public:
    enum Mode : int {
        ModeAllTraps = 1,
        ModeAddEnterprise = 4,
        ModeEditEnterprise = 5,
        ModeAddIpRange = 7,
        ModeEditIpRange = 8,
        ModeAddUser = 10,
        ModeEditUser = 11,
    };

    // Control ids.
    enum : int {
        kKeyLabel = 1020,
        kEnterprisePrefix = 1034,
        kEnterpriseEdit = 1023,
        kGenericLabel = 1029,
        kGenericCombo = 1024,
        kSpecificLabel = 1030,
        kSpecificEdit = 1025,
        kStartLabel = 1017,
        kStartAddress = 1069,
        kRangeLabel = 1019,
        kEndLabel = 1018,
        kEndAddress = 1070,
        kUserLabel = 1021,
        kUserCombo = 1077,
        kPopupEdit = 1026,
        kProgramEdit = 1027,
        kWaveEdit = 1032,
        kBeepCheck = 1028,
        kMailEdit = 1033,
        kHelpButton = 9,
    };

    CActDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
            QWidget* parent = nullptr);

    // Records the mode and the page whose list an add updates (null for ModeAllTraps),
    // and fills the dialog for it.
    void SetMode(CFilPageDlg* page, int mode);

    void OnOK() override;
    void OnHelp();

private:
    bool IsEnterpriseMode() const {
        return m_nMode == ModeAddEnterprise || m_nMode == ModeEditEnterprise;
    }
    bool IsIpMode() const { return m_nMode == ModeAddIpRange || m_nMode == ModeEditIpRange; }
    bool IsUserMode() const { return m_nMode == ModeAddUser || m_nMode == ModeEditUser; }
    bool IsAddMode() const {
        return m_nMode == ModeAddEnterprise || m_nMode == ModeAddIpRange || m_nMode == ModeAddUser;
    }

    void ShowKeyControls(std::initializer_list<int> ids, const char* label);
    void FillUserNames();
    void ShowActions();
    // Fills the key of m_rule from the key controls; false when a check failed (its
    // message has been shown).
    bool TakeKey();
    // Fills the actions of m_rule; false when a check failed.
    bool TakeActions();

    RuleStore& m_rules;
    const UserStore& m_users;
    MessageBoxPort& m_boxes;
    CFilPageDlg* m_pPage = nullptr;
    int m_nMode = ModeAllTraps;
    RuleRecord m_rule{};
};

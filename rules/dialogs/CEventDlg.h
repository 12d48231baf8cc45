#pragma once
// The trap reception filter dialog: every trap or only filtered traps, the actions of the
// every-trap case, the mail settings and the three filter pages, on the rules of the store
// given (the users' names for the user filter come from the user store).

#include "platform/qt/CBaseDlg.h"

class CFilPageDlg;
class MessageBoxPort;
class SettingsSource;
class QTabWidget;
class RuleStore;
class UserStore;

class CEventDlg : public CBaseDlg {
    Q_OBJECT
public:
    // Control ids.
    enum : int {
        kAllTrapsRadio = 1017,
        kFilteredRadio = 1018,
        kActionButton = 1019,
        kMailButton = 1021,
        kTabs = 1022,
    };

    // The reception mode and the mail settings are those of settings.
    CEventDlg(RuleStore& rules, const UserStore& users, SettingsSource& settings,
              MessageBoxPort& boxes, QWidget* parent = nullptr);

    // Pages in tab order: IP, enterprise, user.
    CFilPageDlg* Page(int tab) const;

    void OnOK() override;
    void OnAction();
    void OnMail();

private:
    RuleStore& m_rules;
    const UserStore& m_users;
    SettingsSource& m_settings;
    MessageBoxPort& m_boxes;
    QTabWidget* m_tabs;
};

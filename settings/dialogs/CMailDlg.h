#pragma once
// The mail settings of the notification mail, opened from the reception filter dialog.

#include "platform/qt/CBaseDlg.h"

class MessageBoxPort;
class SettingsSource;

class CMailDlg : public CBaseDlg {
    Q_OBJECT
public:
    // Control ids.
    enum : int {
        kSmtpServerEdit = 1000,
        kMailFromEdit = 1001,
        kMailToEdit = 1002,
        kPopAuthCheck = 1003,
        kPopServerEdit = 1004,
        kPopUserIdEdit = 1005,
        kPopPasswordEdit = 1006,
        kSubjectEdit = 1007,
    };

    // Shows the mail settings of settings and changes them on OK.
    // Refusals are told through boxes.
    CMailDlg(SettingsSource& settings, MessageBoxPort& boxes, QWidget* parent = nullptr);

    void OnOK() override;

private:
    SettingsSource& m_settings;
    MessageBoxPort& m_boxes;

    void EnablePopFields(bool enable);
};

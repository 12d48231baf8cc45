#pragma once
// Options > Options: the trap port, the host-name lookup, the log mode, the three display
// formats, the log retention and the trap list's row ceiling; the receiver's own SNMP
// engine ID, shown for devices that send it informs; and the extra MIB folders.

#include "platform/qt/CBaseDlg.h"

class EngineFile;
class MessageBoxPort;
class SettingsSource;

class COptionDlg : public CBaseDlg {
    Q_OBJECT
public:
    // Control ids.
    enum : int {
        kPortEdit = 1000,
        kHostNameCheck = 1001,
        kLogNoneRadio = 1002,  // logMode 0; 1003 and 1004 follow for 1 and 2
        kRetentionCombo = 1005,
        kFormatV1Edit = 1006,  // 1007 v2c, 1008 v3
        kMaxRowsEdit = 1009,
        kEngineIdEdit = 1010,  // read-only: the receiver's snmpEngineID, for devices to copy
        kMibFoldersEdit = 1011,
    };

    // Shows settings and changes them on OK, and the engine ID of engine's file; refusals
    // are told through boxes.
    COptionDlg(SettingsSource& settings, EngineFile& engine, MessageBoxPort& boxes,
               QWidget* parent = nullptr);

    void OnOK() override;

private:
    SettingsSource& m_settings;
    MessageBoxPort& m_boxes;
};

#pragma once
// Options > forwarding settings: the eight destinations of [FORWARD], each with its kind,
// host and port or file, which traps, syslog facility and severity, retention days, and
// what it has delivered, dropped and its last error, and what a loop stopped, refreshed
// every second; then what a syslog or JSON destination is sent (traps, the changes of the
// alarms, or both).

#include "platform/qt/CBaseDlg.h"

class Forwarder;
class MessageBoxPort;
class QTimer;

class CForwardDlg : public CBaseDlg {
    Q_OBJECT
public:
    // Control ids: row n (0-7) of column c is kFirstRow + n * kRowStep + c.
    enum : int {
        kFirstRow = 1300,
        kRowStep = 16,
        kKindCombo = 0,
        kHostEdit = 1,
        kPortEdit = 2,
        kPathEdit = 3,
        kWhichCombo = 4,
        kFacilityEdit = 5,
        kSeverityEdit = 6,
        kDaysEdit = 7,
        kDroppedLabel = 8,
        kStateLabel = 9,
        kLoopStoppedLabel = 10,
        kContentCombo = 11,
    };
    static int Id(int row, int column) { return kFirstRow + row * kRowStep + column; }

    // Shows forwarder's destinations and puts the edited ones in force on OK; refusals are
    // told through boxes. A relay to this program's own trap port is refused.
    CForwardDlg(Forwarder& forwarder, MessageBoxPort& boxes, QWidget* parent = nullptr);

    void OnOK() override;
    // Shows each destination's counts and error as they are now.
    void ShowStatus();

private:
    // Only the fields the row's kind uses can be edited; the others keep their values.
    void EnableFieldsOfKind(int row);

    Forwarder& m_forwarder;
    MessageBoxPort& m_boxes;
};

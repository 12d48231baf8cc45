#pragma once
// The small dialogs of the alarm window: the note an acknowledgement (or its undoing, or a
// clear by hand) carries, and what to mute for how long.

#include <QDateTime>
#include <QDialog>
#include <string>

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QRadioButton;

// The login name the window's actions are recorded under: the account's, else $USER.
std::string AlarmUserName();

class CAlarmNoteDlg : public QDialog {
    Q_OBJECT
public:
    CAlarmNoteDlg(const QString& title, const QString& what, QWidget* parent = nullptr);
    QLineEdit* NoteBox() const { return m_note; }
    std::string Note() const;

private:
    QLineEdit* m_note;
};

class CAlarmMuteDlg : public QDialog {
    Q_OBJECT
public:
    // The periods offered, in the order of the period box; the last is "until a date".
    enum Period { kHour, kFourHours, kDay, kUntil };

    // sender: the alarm's sender (dotted); rule: its rule (empty: the sender only).
    CAlarmMuteDlg(const QString& sender, const QString& rule, QWidget* parent = nullptr);

    bool BySender() const;
    // The end of the muting for a choice made at nowMs.
    int64_t UntilMs(int64_t nowMs) const;

    QRadioButton* SenderChoice() const { return m_sender; }
    QRadioButton* RuleChoice() const { return m_rule; }
    QComboBox* PeriodBox() const { return m_period; }
    QDateTimeEdit* UntilBox() const { return m_until; }

private:
    QRadioButton* m_sender;
    QRadioButton* m_rule;
    QComboBox* m_period;
    QDateTimeEdit* m_until;
};

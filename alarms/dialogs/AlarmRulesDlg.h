#pragma once
// トラップ > "アラーム ルール": the alarm rules in their order, each rule's fields as the
// rules file has them; add, delete, move up and down. OK checks every field (a damaged one
// is refused with a message naming the rule and the field), writes db/AlarmRules.txt whole
// and has the program read it again.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "alarms/AlarmRules.h"

class AlarmEngine;
class MessageBoxPort;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

// The texts of one rule as the dialog edits them.
struct AlarmRuleDraft {
    QString comment;  // the comment lines above the rule in the file
    QString name;
    QString traps;        // OID patterns, blanks between
    QString enterprises;  // OID patterns, blanks between
    QString source;       // empty: any sender
    QString bindings;     // "OID VALUE" a line
    int severity = static_cast<int>(AlarmSeverity::kIndeterminate);
    bool raises = true;
    QString instance;  // OIDs, blanks between
    QString clears;    // OIDs, blanks between
    QString clearAfter;
    QString message;
    QString popup;
    QString program;
    QString sound;
    QString mail;
    bool actOnRaise = true;
    bool actOnRise = true;
    bool actOnClear = false;
};

AlarmRuleDraft DraftOf(const AlarmRule& rule);
// The rule a draft says, or the Japanese text naming the field that is wrong.
struct AlarmRuleRead {
    AlarmRule rule;
    std::string error;
};
AlarmRuleRead ReadDraft(const AlarmRuleDraft& draft);

class CAlarmRulesDlg : public QDialog {
    Q_OBJECT
public:
    // Edits the file at path (its rules; the ones in force when it cannot be read);
    // reload is called after a save and returns the reload's error, empty when taken.
    CAlarmRulesDlg(const AlarmEngine& engine, std::string path, std::function<std::string()> reload,
                   MessageBoxPort& boxes, QWidget* parent = nullptr);

    // Appends a rule (from the MIB window: a notification's name, objects and description)
    // and selects it.
    void AddRule(const AlarmRule& rule);

    void OnAdd();
    void OnDelete();
    void OnMove(int step);
    // OK: checks, saves and reloads; stays open on a damaged field or a failed write.
    void accept() override;

    QListWidget* RuleList() const { return m_list; }
    const std::vector<AlarmRuleDraft>& Drafts() const { return m_drafts; }
    QLineEdit* NameBox() const { return m_name; }
    QPlainTextEdit* CommentBox() const { return m_comment; }
    QLineEdit* TrapsBox() const { return m_traps; }
    QLineEdit* EnterprisesBox() const { return m_enterprises; }
    QLineEdit* SourceBox() const { return m_source; }
    QPlainTextEdit* BindingsBox() const { return m_bindings; }
    QComboBox* SeverityBox() const { return m_severity; }
    QCheckBox* RaisesBox() const { return m_raises; }
    QLineEdit* InstanceBox() const { return m_instance; }
    QLineEdit* ClearsBox() const { return m_clears; }
    QLineEdit* ClearAfterBox() const { return m_clearAfter; }
    QLineEdit* MessageLine() const { return m_message; }
    QLineEdit* PopupBox() const { return m_popup; }
    QLineEdit* ProgramBox() const { return m_program; }
    QLineEdit* SoundBox() const { return m_sound; }
    QLineEdit* MailBox() const { return m_mail; }
    QCheckBox* OnRaiseBox() const { return m_onRaise; }
    QCheckBox* OnRiseBox() const { return m_onRise; }
    QCheckBox* OnClearBox() const { return m_onClear; }

private:
    void ShowDraft(int row);
    void TakeForm();
    void ShowNames();

    std::string m_path;
    std::function<std::string()> m_reload;
    MessageBoxPort& m_boxes;
    std::vector<AlarmRuleDraft> m_drafts;
    int m_shown = -1;  // the draft the form shows
    bool m_filling = false;
    QListWidget* m_list;
    QLineEdit* m_name;
    QPlainTextEdit* m_comment;
    QLineEdit* m_traps;
    QLineEdit* m_enterprises;
    QLineEdit* m_source;
    QPlainTextEdit* m_bindings;
    QComboBox* m_severity;
    QCheckBox* m_raises;
    QLineEdit* m_instance;
    QLineEdit* m_clears;
    QLineEdit* m_clearAfter;
    QLineEdit* m_message;
    QLineEdit* m_popup;
    QLineEdit* m_program;
    QLineEdit* m_sound;
    QLineEdit* m_mail;
    QCheckBox* m_onRaise;
    QCheckBox* m_onRise;
    QCheckBox* m_onClear;
};

// Opens the dialog modally on the rules file at path; start, when given, is added as a
// new rule first.
void OpenAlarmRulesDialog(const AlarmEngine& engine, const std::string& path,
                          std::function<std::string()> reload, MessageBoxPort& boxes,
                          QWidget* parent, const AlarmRule* start = nullptr);

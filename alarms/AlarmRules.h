#pragma once
// What makes an alarm of a trap: an ordered list of rules, the first that matches a trap
// decides. Kept in db/AlarmRules.txt, a line-oriented UTF-8 text a person can edit (the
// README's "Alarms" section describes it); without that file the built-in rules hold.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "alarms/AlarmSeverity.h"

inline constexpr std::string_view kAlarmRulesFileName = "AlarmRules.txt";

// An OID to compare with: exact, or (written "OID.*") the OID and everything below it.
struct OidPattern {
    std::string oid;
    bool prefix = false;

    bool operator==(const OidPattern&) const = default;
    bool Matches(std::string_view dotted) const;
};

struct BindingCondition {
    std::string oid;    // the binding's OID, or a prefix of it (a column without its index)
    std::string value;  // its value as the key shows it: a number, an address, an OID or
                        // the hex of an octet string ("0x41 42"), without trailing blanks
    bool operator==(const BindingCondition&) const = default;
};

struct AlarmRule {
    // The comment lines just above the rule's first line, "\n" between them, without
    // their "#"; kept when the file is written again.
    std::string comment;
    std::string name;  // unique; muting names a rule by it
    // What a trap must be; an empty condition matches every trap.
    std::vector<OidPattern> traps;  // any of them
    std::vector<OidPattern> enterprises;
    bool anySource = true;
    uint32_t sourceFirst = 0;  // host order, inclusive
    uint32_t sourceLast = 0xFFFFFFFF;
    std::vector<BindingCondition> bindings;  // all of them
    // What follows.
    bool raises = true;
    AlarmSeverity severity = AlarmSeverity::kIndeterminate;
    std::vector<std::string> instance;  // bindings whose values tell alarms apart
    std::vector<std::string> clears;    // trap OIDs whose alarms of the same sender and
                                        // instance this trap clears
    int64_t clearAfterSeconds = 0;      // 0: never cleared for silence
    std::string message;                // template; empty: the trap's one-line message
    // The actions the alarm starts once for each of these changes, never for a repeat;
    // texts in UTF-8, expanded with the trap's data as the reception filter's actions are.
    std::string popup;
    std::string program;      // the program and its arguments
    std::string sound;        // "beep", or a wave file
    std::string mail;         // the mail's text
    bool actOnRaise = true;   // a new alarm, or one raised again after its clear
    bool actOnRise = true;    // a trap more severe than the alarm
    bool actOnClear = false;  // cleared by a trap
    int line = 0;             // where the rule starts in its file (0: built in)

    bool operator==(const AlarmRule& other) const;
    bool HasActions() const {
        return !popup.empty() || !program.empty() || !sound.empty() || !mail.empty();
    }
};

using AlarmRuleList = std::vector<AlarmRule>;

// The rules used when db/AlarmRules.txt does not exist: linkDown major keyed by ifIndex and
// cleared by linkUp of the same ifIndex, coldStart and warmStart warning,
// authenticationFailure minor. A trap no rule matches raises an indeterminate alarm.
AlarmRuleList BuiltInAlarmRules();

struct AlarmRulesParse {
    AlarmRuleList rules;
    std::string
        error;  // empty when the text was read whole; else a Japanese message naming the line
};

AlarmRulesParse ParseAlarmRules(std::string_view text);

// A rule started from a MIB notification: its name and OID, a message naming its objects
// (name and dotted OID; the OID empty where unknown), the first object with an OID as the
// instance (most notifications name what they are about first), and the DESCRIPTION as
// the rule's comment.
AlarmRule RuleForNotification(std::string_view name, std::string_view oid,
                              const std::vector<std::pair<std::string, std::string>>& objects,
                              std::string_view description);
std::string FormatAlarmRules(const AlarmRuleList& rules);

// The rules file of folder (db/ of the program folder): the built-in rules when it does not
// exist, else its rules or its error.
AlarmRulesParse LoadAlarmRulesFile(const std::string& path);
// Writes the whole file in one step (a temporary file made durable, then renamed). An
// empty result, or the Japanese text of the failure.
[[nodiscard]] std::string SaveAlarmRulesFile(const std::string& path, const AlarmRuleList& rules);

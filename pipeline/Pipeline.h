#pragma once
// What happens to one decoded trap on the receiver thread: host name, trap log, the
// reception filter, the list row and the actions of the filter entry that let it through.

#include <string>
#include <string_view>

#include "pipeline/Popup.h"
#include "rules/RuleRecord.h"
#include "trap/TrapRecord.h"
#include "traplog/TrapLog.h"
#include "traplog/TrapRowQueue.h"

class HostNames;
class LossCounters;
class MailQueue;
class MessageBoxPort;
class NoticeRounds;
class ProgramLauncher;
class SoundPlayer;
class WindowPorts;
struct AppSettings;
class RuleStore;
class SettingsSource;
class TrafficCounts;

// What the pipeline works with; each outlives it.
struct PipelineParts {
    const RuleStore& rules;          // the reception filter's rules
    const SettingsSource& settings;  // every stage's, as they are when a trap's processing begins
    WindowPorts& windows;            // rows are queued only while windows are installed here
    LossCounters& losses;            // what is lost on the way
    TrafficCounts& traffic;          // every trap, for the reception graph
    TrapLog& log;
    TrapRowQueue& rows;
    MailQueue& mail;
    ProgramLauncher& programs;
    SoundPlayer& sounds;
    HostNames& hostNames;   // the senders' names
    MessageBoxPort& boxes;  // the pop-ups'
    NoticeRounds& rounds;   // the receiver's, which its batches begin and end
};

class Pipeline {
public:
    explicit Pipeline(const PipelineParts& parts);

    // 0 when the trap was received, 1 when the reception filter rejected it. May write
    // record.hostName. Every stage works with the settings as they were when it began. An
    // inform (an answered InformRequest) goes the same way; its list row says so.
    [[nodiscard]] int ProcessTrap(TrapRecord& record, bool inform = false);

    // Runs actions for record as a filter entry's would, with the settings as they are
    // now; on the thread that runs the pipeline's traps (the alarms' actions).
    void RunRuleActions(const TrapRecord& record, const RuleRecord& actions);

private:
    friend class TrapBatches;

    void WriteLogEntry(const TrapRecord& record, std::string_view message);
    void RunActions(const TrapRecord& record, const RuleRecord& actions,
                    const AppSettings& settings);
    void WriteHeld();

    const RuleStore& rules_;
    const SettingsSource& settings_;
    WindowPorts& windows_;
    LossCounters& losses_;
    TrafficCounts& traffic_;
    TrapLog& log_;
    TrapRowQueue& rows_;
    MailQueue& mail_;
    ProgramLauncher& programs_;
    SoundPlayer& sounds_;
    HostNames& hostNames_;
    NoticeRounds& rounds_;
    Popups popups_;
    // While a TrapBatches lives, the lines and rows of its batch wait here.
    bool batching_ = false;
    HeldLogLines heldLines_;
    HeldTrapRows heldRows_;
};

// The reception filter of settings (whether it is on) with the rules of rules: 0 received,
// with actions filled from the entry that matched (or left empty), 1 not received.
// actions is cleared first.
[[nodiscard]] int FilterTrap(const RuleStore& rules, const TrapRecord& record,
                             const AppSettings& settings, RuleRecord& actions);

// The receiver thread's batches of traps. While one lives, the pipeline holds its log
// lines and list rows, and End writes the lines with one write and queues the rows under
// one lock; between two Ends the stores read their file notices once. Ending it ends the
// last batch. One thread at a time runs a pipeline's batches and its traps.
class TrapBatches {
public:
    explicit TrapBatches(Pipeline& pipeline);
    ~TrapBatches();
    TrapBatches(const TrapBatches&) = delete;
    TrapBatches& operator=(const TrapBatches&) = delete;

    void End();

private:
    Pipeline& pipeline_;
};

struct ProgramLineParts {
    std::string program;
    std::string arguments;
};

// Splits a rule's program line at the first space after which no backslash follows, so a
// path with blanks (C:\Program Files\Tool\tool.exe -s %A) keeps them; a line without such
// a space is all program. A line that starts with a double quote names the program up to
// the closing quote ("/opt/my tools/notify.sh" %A); without one it names no program.
ProgramLineParts SplitProgramLine(std::string_view line);

#pragma once
// What happens to one decoded trap on the receiver thread: host name, trap log, the
// reception filter, the list row and the actions of the filter entry that let it through.

#include <string>
#include <string_view>

#include "pipeline/Popup.h"
#include "rules/RuleRecord.h"
#include "trap/TrapRecord.h"

class LossCounters;
class WindowPorts;
struct AppSettings;
class RuleStore;
class SettingsSource;
class TrafficCounts;

class Pipeline {
public:
    // The reception filter takes the rules of rules and every stage the settings of
    // settings as they are when the trap's processing begins; rows are queued only while
    // windows are installed in windows; what is lost on the way is counted in losses;
    // every trap is counted in traffic for the reception graph.
    Pipeline(const RuleStore& rules, const SettingsSource& settings, WindowPorts& windows,
             LossCounters& losses, TrafficCounts& traffic);

    // 0 when the trap was received, 1 when the reception filter rejected it. May write
    // record.hostName. Every stage works with the settings as they were when it began. An
    // inform (an answered InformRequest) goes the same way; its list row says so.
    [[nodiscard]] int ProcessTrap(TrapRecord& record, bool inform = false);

private:
    friend class TrapBatches;

    void RunActions(const TrapRecord& record, const RuleRecord& actions,
                    const AppSettings& settings);

    const RuleStore& rules_;
    const SettingsSource& settings_;
    WindowPorts& windows_;
    LossCounters& losses_;
    TrafficCounts& traffic_;
    Popups popups_;
};

// The reception filter of settings (whether it is on) with the rules of rules: 0 received,
// with actions filled from the entry that matched (or left empty), 1 not received.
// actions is cleared first.
[[nodiscard]] int FilterTrap(const RuleStore& rules, const TrapRecord& record,
                             const AppSettings& settings, RuleRecord& actions);

// The receiver thread's batches of traps. While one lives, the calling thread's log lines
// and list rows are held, and End writes the lines with one write and queues the rows
// under one lock; between two Ends the stores read their file notices once. Ending it
// ends the last batch.
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

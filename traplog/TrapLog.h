#pragma once
// The trap log log/log.log: the pipeline appends a line per trap, the log dialog reads,
// searches and deletes lines, and a daily run removes the lines older than the retention
// period. One lock serves the receiver thread, the user interface thread and the
// maintenance worker, and is held only as long as a line write needs: reads and rewrites
// work on a snapshot of the file and take the lock for its moment and, when rewriting, for
// the final catch-up and swap, so that reception never waits behind them. The writer
// follows the path: once log.log is renamed or removed (rotation), the next line goes into
// a new log.log.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsSource.h"

#include "records/RecordFileServices.h"
#include "records/RecordList.h"
#include "records/WatchedRecordFile.h"
#include "trap/TrapRecord.h"
#include "traplog/LogSnapshot.h"

class LossCounters;

enum LogSearchField : int {
    LogSearchEvent = 0,
    LogSearchDate = 1,  // the same calendar day: the first 10 bytes of the date
    LogSearchAddress = 2,
    LogSearchHost = 3,
    LogSearchVersion = 4,
    LogSearchAll = 6,  // every line; the key is ignored
};

// The lines a batch of traps holds back, to write them with one write (TrapLog::WriteHeld).
class HeldLogLines {
public:
    bool Empty() const { return ends_.empty(); }

private:
    friend class TrapLog;
    std::string bytes_;
    std::vector<std::size_t> ends_;  // where each line ends in bytes_
};

// The time a log line is stamped with and expiry is judged by; empty: the local time now.
using LogClock = std::function<std::tm()>;

class TrapLog {
public:
    // The log of the program folder, opened and rewritten with services; its lines are
    // stamped with the time clock gives, and those lost are counted in losses.
    TrapLog(const RecordFileServices& services, LossCounters& losses,
            const SettingsSource& settings, LogClock clock = {});
    TrapLog(const TrapLog&) = delete;
    TrapLog& operator=(const TrapLog&) = delete;

    // Appends the line of one decoded trap with its one-line message. A line that cannot
    // be written whole (the log cannot be opened, the disk is full) is left out entirely
    // and counted in losses as LossKind::kLogLinesLost; the next line tries again.
    void WriteEntry(const TrapRecord& record, std::string_view message);

    // Keeps the line WriteEntry would write in held; WriteHeld appends all the lines held
    // with one write, each line that does not fit whole counted as WriteEntry counts it:
    // the receiver thread writes each batch of traps this way before it takes the next one.
    void HoldEntry(HeldLogLines& held, const TrapRecord& record, std::string_view message) const;
    void WriteHeld(HeldLogLines& held);

    // Inserts a row at the top of list for every line that matches key in the search
    // field, so the newest line comes first; column j shows field j, the image is the event
    // number, and each row carries a key that ties it to its line. Returns the number of
    // rows added.
    int ReadEntries(RecordList& list, int searchField, std::string_view key);

    // Deletes the whole log.
    void Clear();

    // Removes exactly the lines that the selected rows of list show (rows filled by
    // ReadEntries), whatever order or search the list shows; of identical lines only as
    // many as are selected go. The log is replaced in one step, so a failure leaves it
    // whole. The keys of the remaining rows are kept valid. Returns the number of lines
    // removed.
    int DeleteLines(RecordList& list);

    // The maintenance run: when the oldest line has expired, every expired line goes.
    void PurgeExpired();

    // Whether the line is older than the retention period of the settings, in months.
    bool IsLineExpired(std::string_view line) const;

    // Closes the writer's stream; the next line opens the log again.
    void Close();

private:
    friend class LogRead;
    std::tm Now() const;
    std::FILE* FollowedStream();
    std::optional<LogSnapshot> TakeSnapshot();
    template <class Keep>
    int Rewrite(LogSnapshot& source, Keep keep);

    const RecordFileServices services_;
    LossCounters& losses_;
    const SettingsSource& settings_;  // the retention
    const LogClock clock_;
    std::mutex busy_;
    // Held for a whole rewrite (deletion, maintenance, clearing), so that two of them never
    // build the next file at once; the writer never takes it.
    std::mutex rewrite_;
    // The writer's stream. Only the folder entry is watched: the writer's own lines would
    // otherwise each bring a notice and a look at the path.
    WatchedRecordFile file_;
};

// A read of the log in steps, for a window that stays responsive: it takes the lines the
// log holds when the read begins; lines appended later show in the next read.
class LogRead {
public:
    LogRead(TrapLog& log, int searchField, std::string key);
    ~LogRead();
    LogRead(const LogRead&) = delete;
    LogRead& operator=(const LogRead&) = delete;

    // Adds the matching lines among the next maxLines lines to rows as ReadEntries does,
    // each at the top. False once every line was read (or the log could not be opened).
    bool Next(RecordList& rows, int maxLines);

    int Added() const;
    // Bytes read so far of the bytes the read takes in, for progress.
    uint64_t BytesRead() const;
    uint64_t BytesTotal() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

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
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "records/RecordList.h"
#include "trap/TrapRecord.h"

class LossCounters;

enum LogSearchField : int {
    LogSearchEvent = 0,
    LogSearchDate = 1,  // the same calendar day: the first 10 bytes of the date
    LogSearchAddress = 2,
    LogSearchHost = 3,
    LogSearchVersion = 4,
    LogSearchAll = 6,  // every line; the key is ignored
};

// Appends the line of one decoded trap with its one-line message. A line that cannot be
// written whole (the log cannot be opened, the disk is full) is left out entirely and
// counted in losses as LossKind::kLogLinesLost; the next line tries again.
void WriteLogEntry(const TrapRecord& record, std::string_view message, LossCounters& losses);

// While the calling thread holds its lines, WriteLogEntry keeps them, and
// WriteHeldLogLines appends all of them with one write: the receiver thread writes each
// batch of traps this way before it takes the next one. A thread that stops holding
// writes what it held first.
void HoldLogLines(bool hold, LossCounters& losses);
void WriteHeldLogLines(LossCounters& losses);

// A read of the log in steps, for a window that stays responsive: it takes the lines the
// log holds when the read begins; lines appended later show in the next read.
class LogRead {
public:
    LogRead(int searchField, std::string key);
    ~LogRead();
    LogRead(const LogRead&) = delete;
    LogRead& operator=(const LogRead&) = delete;

    // Adds the matching lines among the next maxLines lines to rows as ReadLogEntries does,
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

// Inserts a row at the top of list for every line that matches key in the search field,
// so the newest line comes first; column j shows field j, the image is the event number,
// and each row carries a key that ties it to its line. Returns the number of rows added.
int ReadLogEntries(RecordList& list, int searchField, std::string_view key);

// Deletes the whole log.
void ClearLog();

// Removes exactly the lines that the selected rows of list show (rows filled by
// ReadLogEntries), whatever order or search the list shows; of identical lines only as
// many as are selected go. The log is replaced in one step, so a failure leaves it whole.
// The keys of the remaining rows are kept valid. Returns the number of lines removed.
int DeleteLogLines(RecordList& list);

// The maintenance run: when the oldest line has expired, every expired line goes.
void PurgeExpiredLogEntries();

// Whether the line is older than the retention period of the settings, in months.
bool IsLogLineExpired(std::string_view line);

// Closes the writer's stream; the next line opens the log again.
void CloseLogFile();

// Tests set the local time the log uses; null restores the clock.
using LogClock = std::tm (*)();
void SetLogClock(LogClock clock);

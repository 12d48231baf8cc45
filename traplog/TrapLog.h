#pragma once
// The trap log log/log.log: the pipeline appends a line per trap, the log dialog reads,
// searches and deletes lines, and a daily run removes the lines older than the retention
// period. One stream and one lock serve the receiver thread, the user interface thread
// and the maintenance worker; every operation holds the lock for its whole run.

#include <ctime>
#include <string_view>

#include "notify/records/RecordList.h"
#include "reception/TrapRecord.h"

enum LogSearchField : int {
    LogSearchEvent = 0,
    LogSearchDate = 1,  // the same calendar day: the first 10 bytes of the date
    LogSearchAddress = 2,
    LogSearchHost = 3,
    LogSearchVersion = 4,
    LogSearchAll = 6,  // every line; the key is ignored
};

// Appends the line of one decoded trap with its one-line message (the entry is lost when
// the log cannot be opened).
void WriteLogEntry(const TrapRecord& record, std::string_view message);

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

// Closes the stream; the next operation opens the log again.
void CloseLogFile();

// Tests set the local time the log uses; null restores the clock.
using LogClock = std::tm (*)();
void SetLogClock(LogClock clock);

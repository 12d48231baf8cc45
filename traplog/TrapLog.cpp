#include "traplog/TrapLog.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "notify/records/DBLib.h"
#include "settings/AppSettings.h"
#include "traplog/LogLine.h"

namespace {

constexpr std::string_view kFolder = "/log";
constexpr std::string_view kFileName = "log.log";
constexpr std::string_view kNextFileName = "tmp.log";  // the next log, built beside it

std::mutex logBusy;
std::FILE* logStream = nullptr;
std::atomic<LogClock> logClock{nullptr};

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::tm Now() {
    const LogClock clock = logClock.load();
    return clock ? clock() : LocalNow();
}

// With the lock held.
void CloseStream() {
    if (logStream != nullptr) std::fclose(logStream);
    logStream = nullptr;
}

// With the lock held: the open log at its start, or null.
std::FILE* RewoundStream() {
    if (logStream == nullptr) logStream = DBLib::Open(kFolder, kFileName, OpenMode::Append);
    if (logStream != nullptr) std::rewind(logStream);
    return logStream;
}

// A row's key names its line by text and by its place among identical lines (the n-th
// such line from the start): lines are only ever appended at the end or removed, so
// this stays true for the lines that remain.
struct LineRef {
    std::string text;
    int occurrence;
    auto operator<=>(const LineRef&) const = default;
};

std::string MakeRowKey(const LineRef& ref) { return std::to_string(ref.occurrence) + '\n' + ref.text; }

std::optional<LineRef> ParseRowKey(const std::string& key) {
    const std::size_t separator = key.find('\n');
    if (separator == std::string::npos || separator == 0) return std::nullopt;
    return LineRef{key.substr(separator + 1), std::atoi(key.c_str())};
}

// Numbers each line by its place among identical lines, in file order.
class OccurrenceCounter {
public:
    int Next(const std::string& line) { return seen_[line]++; }

private:
    std::unordered_map<std::string, int> seen_;
};

std::string_view FieldOf(std::string_view line, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) return {};
        start = comma + 1;
    }
    return line.substr(start, line.find(',', start) - start);
}

bool Matches(std::string_view line, int searchField, std::string_view key) {
    switch (searchField) {
        case LogSearchAll: return true;
        case LogSearchDate: return FieldOf(line, LogSearchDate).substr(0, 10) == key.substr(0, 10);
        case LogSearchEvent:
        case LogSearchAddress:
        case LogSearchHost:
        case LogSearchVersion: return FieldOf(line, searchField) == key;
        default: return false;
    }
}

void ShowAtTop(RecordList& list, const std::string& line, int occurrence) {
    const std::vector<std::string_view> fields = SplitLogLine(line);
    list.InsertRow(0, "", fields.empty() ? 0 : std::atoi(std::string(fields[0]).c_str()));
    for (std::size_t j = 1; j < fields.size(); ++j) list.SetCell(0, static_cast<int>(j), fields[j]);
    list.SetRowKey(0, MakeRowKey({line, occurrence}));
}

// After the lines in removed left the file, the rows that name a later identical line
// move up by the number of removed lines before it.
void RenumberRows(RecordList& list, const std::vector<int>& selected, const std::set<LineRef>& removed) {
    std::size_t next = 0;
    for (int row = 0; row < list.RowCount(); ++row) {
        if (next < selected.size() && selected[next] == row) {
            ++next;
            continue;
        }
        std::optional<LineRef> ref = ParseRowKey(list.RowKey(row));
        if (!ref) continue;
        const auto first = removed.lower_bound(LineRef{ref->text, 0});
        const auto last = removed.lower_bound(*ref);
        const int before = static_cast<int>(std::distance(first, last));
        if (before == 0) continue;
        ref->occurrence -= before;
        list.SetRowKey(row, MakeRowKey(*ref));
    }
}

// With the lock held and the log closed: writes the lines of the log that keep(line,
// occurrence) accepts to the next file and puts it in the log's place. Returns the
// number of lines dropped, or -1 when the log was left unchanged.
template <class Keep>
int RewriteLog(std::FILE* source, Keep keep) {
    std::FILE* next = DBLib::Open(kFolder, kNextFileName, OpenMode::Recreate);
    if (next == nullptr) return -1;
    OccurrenceCounter counter;
    std::string line;
    int dropped = 0;
    bool ok = true;
    while (ok && DBLib::ReadLine(source, line)) {
        if (keep(line, counter.Next(line)))
            ok = DBLib::WriteLine(next, line);
        else
            ++dropped;
    }
    if (!ok) {
        std::fclose(next);
        std::remove(DBLib::FilePath(kFolder, kNextFileName).c_str());
        return -1;
    }
    return DBLib::ReplaceFile(next, kFolder, kNextFileName, kFileName) == 0 ? dropped : -1;
}

}  // namespace

void WriteLogEntry(const TrapRecord& record, std::string_view message) {
    const std::string line = BuildLogLine(record, message, Now());
    std::lock_guard lock(logBusy);
    if (logStream == nullptr) logStream = DBLib::Open(kFolder, kFileName, OpenMode::Append);
    if (logStream == nullptr) return;
    std::fseek(logStream, 0, SEEK_END);
    DBLib::WriteLine(logStream, line);
    std::fflush(logStream);
}

int ReadLogEntries(RecordList& list, int searchField, std::string_view key) {
    std::lock_guard lock(logBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 0;
    OccurrenceCounter counter;
    int added = 0;
    for (std::string line; DBLib::ReadLine(stream, line);) {
        const int occurrence = counter.Next(line);
        if (!Matches(line, searchField, key)) continue;
        ShowAtTop(list, line, occurrence);
        ++added;
    }
    return added;
}

void ClearLog() {
    std::lock_guard lock(logBusy);
    CloseStream();
    std::remove(DBLib::FilePath(kFolder, kFileName).c_str());
    logStream = DBLib::Open(kFolder, kFileName, OpenMode::Append);
}

int DeleteLogLines(RecordList& list) {
    const std::vector<int> selected = list.SelectedRows();
    std::set<LineRef> chosen;
    for (int row : selected)
        if (std::optional<LineRef> ref = ParseRowKey(list.RowKey(row))) chosen.insert(std::move(*ref));
    if (chosen.empty()) return 0;

    std::lock_guard lock(logBusy);
    CloseStream();
    std::FILE* source = DBLib::Open(kFolder, kFileName, OpenMode::Append);
    if (source == nullptr) return 0;
    std::rewind(source);
    std::set<LineRef> removed;
    const int dropped = RewriteLog(source, [&](const std::string& line, int occurrence) {
        LineRef ref{line, occurrence};
        if (!chosen.contains(ref)) return true;
        removed.insert(std::move(ref));
        return false;
    });
    std::fclose(source);
    logStream = DBLib::Open(kFolder, kFileName, OpenMode::Append);
    if (dropped <= 0) return 0;
    RenumberRows(list, selected, removed);
    return dropped;
}

void PurgeExpiredLogEntries() {
    std::lock_guard lock(logBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return;
    std::string first;
    if (!DBLib::ReadLine(stream, first) || !IsLogLineExpired(first)) return;
    std::rewind(stream);
    const int retention = ReadSettings().logRetention;
    const std::tm now = Now();
    bool firstLine = true;
    RewriteLog(stream, [&](const std::string& line, int) {
        const bool keep = !firstLine && !LogLineExpired(line, retention, now);
        firstLine = false;
        return keep;
    });
    CloseStream();
}

bool IsLogLineExpired(std::string_view line) {
    return LogLineExpired(line, ReadSettings().logRetention, Now());
}

void CloseLogFile() {
    std::lock_guard lock(logBusy);
    CloseStream();
}

void SetLogClock(LogClock clock) { logClock.store(clock); }

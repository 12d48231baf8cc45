#include "traplog/TrapLog.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "records/DBLib.h"
#include "records/WatchedRecordFile.h"
#include "settings/SettingsSource.h"
#include "trap/LossCounters.h"
#include "traplog/LogLine.h"
#include "traplog/LogSnapshot.h"

namespace {

constexpr std::string_view kFolder = "/log";
constexpr std::string_view kFileName = "log.log";
constexpr std::string_view kNextFileName = "tmp.log";  // the next log, built beside it

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

// A row's key names its line by text and by its place among identical lines (the n-th
// such line from the start): lines are only ever appended at the end or removed, so
// this stays true for the lines that remain.
struct LineRef {
    std::string text;
    int occurrence;
    auto operator<=>(const LineRef&) const = default;
};

std::string MakeRowKey(const LineRef& ref) {
    return std::to_string(ref.occurrence) + '\n' + ref.text;
}

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
void RenumberRows(RecordList& list, const std::vector<int>& selected,
                  const std::set<LineRef>& removed) {
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

}  // namespace

TrapLog::TrapLog(const RecordFileServices& services, LossCounters& losses,
                 const SettingsSource& settings, LogClock clock)
    : services_(services),
      losses_(losses),
      settings_(settings),
      clock_(std::move(clock)),
      file_(kFolder, kFileName, WatchedRecordFile::Access::kAppend, WatchScope::EntryOnly,
            services.noticeRounds) {}

std::tm TrapLog::Now() const { return clock_ ? clock_() : LocalNow(); }

// With busy_ held: the open log, opened again when its path was renamed or removed since
// the last look (the notices tell, so a line costs no look at the path); null when it
// cannot be opened.
std::FILE* TrapLog::FollowedStream() {
    if (file_.Stream() != nullptr && !file_.MayHaveChanged()) return file_.Stream();
    return file_.Current();
}

// The log as it is now, read through a stream of its own; a missing log is created
// first, as the writer would. Takes the lock only for that moment. A log that cannot be
// opened is told to the reader, who asked for it; the writer only counts its lost lines.
std::optional<LogSnapshot> TrapLog::TakeSnapshot() {
    std::lock_guard lock(busy_);
    if (FollowedStream() == nullptr) {
        PostMessageBox(services_.boxes, DBLib::FilePath(kFolder, kFileName) + " Access Error",
                       MessageIcon::Stop);
        return std::nullopt;
    }
    std::FILE* reading = std::fopen(DBLib::FilePath(kFolder, kFileName).c_str(), "rb");
    if (reading == nullptr) return std::nullopt;
    return LogSnapshot(reading);
}

// With rewrite_ held: writes the lines of source from where it stands that
// keep(line, occurrence) accepts to the next file and puts it in the log's place. The copy
// runs without the writer's lock; the lock is held for the lines appended meanwhile and
// the swap. Returns the number of lines dropped, or -1 when the log was left unchanged
// (also when it was rotated or cleared while the copy ran).
template <class Keep>
int TrapLog::Rewrite(LogSnapshot& source, Keep keep) {
    std::FILE* next = DBLib::Open(kFolder, kNextFileName, OpenMode::Recreate, services_.boxes,
                                  services_.retrySleep);
    if (next == nullptr) return -1;
    OccurrenceCounter counter;
    int dropped = 0;
    const auto copy = [&] {
        for (std::string line; source.ReadLine(line);) {
            if (!keep(line, counter.Next(line)))
                ++dropped;
            else if (!DBLib::WriteLine(next, line))
                return false;
        }
        return true;
    };
    // The bulk is made durable before the lock, so the swap under it syncs only the rest.
    bool ok = copy() && std::fflush(next) == 0 && ::fsync(fileno(next)) == 0;
    std::lock_guard lock(busy_);
    ok = ok && source.IsFileAt(DBLib::FilePath(kFolder, kFileName));
    if (ok) {
        source.Extend();
        ok = copy();
    }
    if (!ok) {
        std::fclose(next);
        std::remove(DBLib::FilePath(kFolder, kNextFileName).c_str());
        return -1;
    }
    if (DBLib::ReplaceFile(next, kFolder, kNextFileName, kFileName, services_.failPoints) != 0)
        return -1;
    file_.Close();  // the next line goes into the new file
    return dropped;
}

void TrapLog::WriteEntry(const TrapRecord& record, std::string_view message) {
    std::string line = BuildLogLine(record, message, Now());
    line += "\r\n";
    std::lock_guard lock(busy_);
    if (DBLib::AppendWhole(FollowedStream(), line) != 0) losses_.Count(LossKind::kLogLinesLost);
}

void TrapLog::HoldEntry(HeldLogLines& held, const TrapRecord& record,
                        std::string_view message) const {
    held.bytes_ += BuildLogLine(record, message, Now());
    held.bytes_ += "\r\n";
    held.ends_.push_back(held.bytes_.size());
}

void TrapLog::WriteHeld(HeldLogLines& held) {
    if (held.ends_.empty()) return;
    {
        std::lock_guard lock(busy_);
        std::FILE* stream = FollowedStream();
        // What fails as a whole was cut back; it is tried again line by line, so that each
        // line is written whole or counted as lost, as when lines come one at a time.
        if (DBLib::AppendWhole(stream, held.bytes_) != 0) {
            std::size_t start = 0;
            for (const std::size_t end : held.ends_) {
                const std::string_view line(held.bytes_.data() + start, end - start);
                if (DBLib::AppendWhole(stream, line) != 0) losses_.Count(LossKind::kLogLinesLost);
                start = end;
            }
        }
    }
    held.bytes_.clear();
    held.ends_.clear();
}

struct LogRead::State {
    int searchField;
    std::string key;
    std::optional<LogSnapshot> snapshot;
    OccurrenceCounter counter;
    int added = 0;
};

LogRead::LogRead(TrapLog& log, int searchField, std::string key)
    : state_(new State{searchField, std::move(key), log.TakeSnapshot(), {}, 0}) {}

LogRead::~LogRead() = default;

bool LogRead::Next(RecordList& rows, int maxLines) {
    if (!state_->snapshot) return false;
    std::string line;
    for (int i = 0; i < maxLines; ++i) {
        if (!state_->snapshot->ReadLine(line)) return false;
        const int occurrence = state_->counter.Next(line);
        if (!Matches(line, state_->searchField, state_->key)) continue;
        ShowAtTop(rows, line, occurrence);
        ++state_->added;
    }
    return state_->snapshot->Position() < state_->snapshot->Length();
}

int LogRead::Added() const { return state_->added; }
uint64_t LogRead::BytesRead() const { return state_->snapshot ? state_->snapshot->Position() : 0; }
uint64_t LogRead::BytesTotal() const { return state_->snapshot ? state_->snapshot->Length() : 0; }

int TrapLog::ReadEntries(RecordList& list, int searchField, std::string_view key) {
    LogRead read(*this, searchField, std::string(key));
    while (read.Next(list, INT_MAX)) {
    }
    return read.Added();
}

void TrapLog::Clear() {
    std::scoped_lock lock(rewrite_, busy_);
    file_.Close();
    std::remove(DBLib::FilePath(kFolder, kFileName).c_str());
    file_.Current();  // an empty log, open for the next line
}

int TrapLog::DeleteLines(RecordList& list) {
    const std::vector<int> selected = list.SelectedRows();
    std::set<LineRef> chosen;
    for (int row : selected)
        if (std::optional<LineRef> ref = ParseRowKey(list.RowKey(row)))
            chosen.insert(std::move(*ref));
    if (chosen.empty()) return 0;

    std::lock_guard rewriting(rewrite_);
    std::optional<LogSnapshot> source = TakeSnapshot();
    if (!source) return 0;
    std::set<LineRef> removed;
    const int dropped = Rewrite(*source, [&](const std::string& line, int occurrence) {
        LineRef ref{line, occurrence};
        if (!chosen.contains(ref)) return true;
        removed.insert(std::move(ref));
        return false;
    });
    if (dropped <= 0) return 0;
    RenumberRows(list, selected, removed);
    return dropped;
}

void TrapLog::PurgeExpired() {
    std::lock_guard rewriting(rewrite_);
    std::optional<LogSnapshot> source = TakeSnapshot();
    if (!source) return;
    std::string first;
    if (!source->ReadLine(first) || !IsLineExpired(first)) return;
    // The expired first line stays behind: the copy starts after it.
    const int retention = settings_.Snapshot().logRetention;
    const std::tm now = Now();
    Rewrite(*source,
            [&](const std::string& line, int) { return !LogLineExpired(line, retention, now); });
}

bool TrapLog::IsLineExpired(std::string_view line) const {
    return LogLineExpired(line, settings_.Snapshot().logRetention, Now());
}

void TrapLog::Close() {
    std::lock_guard lock(busy_);
    file_.Close();
}

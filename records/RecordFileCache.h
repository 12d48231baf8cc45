#pragma once
// A record file held parsed in memory, so that lookups for every trap read no file. The
// copy is read again after the store's own saves (Invalidate) and whenever the file's
// stamp differs from the one taken before it was last read. The stamp is looked at only
// when the kernel's notices say the file may have changed, so a lookup costs no stat.
// A lookup never waits for the file: one that cannot read it answers from the copy read
// before, and the file is tried again at most once a second. Not locked: the owning
// store's lock guards it.

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "records/WatchedRecordFile.h"

// Table is filled line by line: Clear(), then Add(plain line) for each line in file order.
// Reads that fail are counted in failures, under kind; rounds (when given) let the receiver
// read the file's notices once a round.
template <class Table>
class RecordFileCache {
public:
    RecordFileCache(std::string_view folder, std::string_view fileName, StoreKind kind,
                    StoreReadFailures& failures, const NoticeRounds* rounds = nullptr)
        : file_(folder, fileName, WatchedRecordFile::Access::kRead, WatchScope::EntryAndContent,
                rounds),
          kind_(kind),
          failures_(failures) {}

    // The table of the file as last read: empty for a file missing from its folder; the
    // table read before (empty before the first) while the file cannot be read, which is
    // counted as a failure of the store.
    const Table& Current() {
        using Clock = std::chrono::steady_clock;
        if (failing_ ? Clock::now() < nextTry_ : loaded_ && !file_.MayHaveChanged()) return table_;
        std::FILE* stream = file_.Current();
        if (stream == nullptr && !file_.Absent()) {
            failing_ = true;
            nextTry_ = Clock::now() + std::chrono::seconds(1);
            failures_.CountFailure(kind_);
            return table_;
        }
        if (failing_) failures_.ReadAgain(kind_);
        failing_ = false;
        // Taken before reading: a change made while the file is read shows at the next call.
        const std::optional<FileStamp> stamp = file_.Stamp();
        if (loaded_ && stamp == stamp_) return table_;
        table_.Clear();
        if (stream != nullptr) {
            std::rewind(stream);
            std::string stored;
            while (DBLib::ReadLine(stream, stored)) table_.Add(DBLib::PlainLine(stored));
        }
        stamp_ = stamp;
        loaded_ = true;
        return table_;
    }

    // The stream at the start of the file, for the dialogs' lists; null when the file
    // cannot be opened.
    std::FILE* RewoundStream() {
        std::FILE* stream = file_.Current();
        if (stream != nullptr) std::rewind(stream);
        return stream;
    }

    // After the store replaced the file: the next lookup reads it again.
    void Invalidate() {
        loaded_ = false;
        nextTry_ = {};
    }

private:
    WatchedRecordFile file_;
    StoreKind kind_;
    StoreReadFailures& failures_;
    Table table_;
    std::optional<FileStamp> stamp_;
    bool loaded_ = false;
    bool failing_ = false;
    std::chrono::steady_clock::time_point nextTry_;
};

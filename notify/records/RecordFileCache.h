#pragma once
// A record file held parsed in memory, so that lookups for every trap read no file. The
// copy is read again after the store's own changes (Invalidate) and whenever the file's
// stamp differs from the one taken before it was last read. The stamp is looked at only
// when the kernel's notices say the file may have changed, so a lookup costs no stat.
// Not locked: the owning store's lock guards it.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "notify/records/DBLib.h"
#include "notify/records/WatchedRecordFile.h"

// Table is filled line by line: Clear(), then Add(plain line) for each line in file order.
template <class Table>
class RecordFileCache {
public:
    RecordFileCache(std::string_view folder, std::string_view fileName) : file_(folder, fileName) {}

    // The table of the file as it is now; null when the file cannot be opened.
    const Table* Current() {
        const bool mayHaveChanged = file_.MayHaveChanged();
        if (loaded_ && !mayHaveChanged) return &table_;
        std::FILE* stream = file_.Current();
        if (stream == nullptr) return nullptr;
        // Taken before reading: a change made while the file is read shows at the next call.
        const std::optional<FileStamp> stamp = file_.Stamp();
        if (loaded_ && stamp == stamp_) return &table_;
        table_.Clear();
        std::rewind(stream);
        std::string stored;
        while (DBLib::ReadLine(stream, stored)) table_.Add(DBLib::PlainLine(stored));
        stamp_ = stamp;
        loaded_ = true;
        return &table_;
    }

    // The stream at the start of the file, for the store's own reads and writes; null when
    // the file cannot be opened.
    std::FILE* RewoundStream() {
        std::FILE* stream = file_.Current();
        if (stream != nullptr) std::rewind(stream);
        return stream;
    }

    // After the store changed the file: its modification time may not have moved.
    void Invalidate() { loaded_ = false; }

    void Close() {
        file_.Close();
        loaded_ = false;
    }

    void Adopt(std::FILE* stream) {
        file_.Adopt(stream);
        loaded_ = false;
    }

private:
    WatchedRecordFile file_;
    Table table_;
    std::optional<FileStamp> stamp_;
    bool loaded_ = false;
};

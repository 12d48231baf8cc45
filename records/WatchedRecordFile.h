#pragma once
// The one open stream of a record file, kept open between operations, together with what
// tells whether the file changed: an editor or a copied file may replace it behind the
// program's back (a rename gives the path another inode), or rewrite it in place (its
// modification time or size change). Not locked: the owning store's lock guards it.

#include <sys/types.h>

#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileChangeWatch.h"

// What identifies one content of a file: the file itself and its size and modification
// time in nanoseconds.
struct FileStamp {
    dev_t device;
    ino_t inode;
    off_t size;
    std::time_t modifiedSeconds;
    long modifiedNanoseconds;
    bool operator==(const FileStamp&) const = default;
};

class WatchedRecordFile {
public:
    // How the stream is opened: a store reads its file and never creates it; the trap log
    // appends to its file and creates it when it is missing.
    enum class Access { kRead, kAppend };

    // The file <program folder><folder>/<fileName>; scope says which changes
    // MayHaveChanged hears of, and rounds (when given) let the receiver read them once a
    // round.
    WatchedRecordFile(std::string_view folder, std::string_view fileName,
                      Access access = Access::kRead, WatchScope scope = WatchScope::EntryAndContent,
                      const NoticeRounds* rounds = nullptr);
    ~WatchedRecordFile();
    WatchedRecordFile(const WatchedRecordFile&) = delete;
    WatchedRecordFile& operator=(const WatchedRecordFile&) = delete;

    // The stream, opened on first use and again when the path now names another file; the
    // position is left as it was. Null when the file cannot be opened: the next call tries
    // again. Never waits, and creates the file only for appending. From here on
    // MayHaveChanged watches the path.
    std::FILE* Current();

    // Whether the last Current found no file at the path while its folder is there: a
    // store without records, which is no failure.
    bool Absent() const { return absent_; }

    // The stream as it is, without a look at the path (null when closed).
    std::FILE* Stream() const { return stream_; }

    // False when neither the path nor the file changed since the last Current, as far as
    // the kernel's notices tell; true when unsure. Costs no look at the file.
    bool MayHaveChanged() { return watch_.MayHaveChanged(); }

    // The stamp of the open stream's file now; nothing without a stream.
    std::optional<FileStamp> Stamp() const;

    // Closes the stream; the next Current opens the file again.
    void Close();

private:
    std::string folder_;
    std::string fileName_;
    Access access_;
    std::FILE* stream_ = nullptr;
    bool absent_ = false;
    FileChangeWatch watch_;
};

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

#include "notify/records/DBLib.h"
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
    // The file <program folder><folder>/<fileName>, opened in mode; scope says which
    // changes MayHaveChanged hears of.
    WatchedRecordFile(std::string_view folder, std::string_view fileName, OpenMode mode = OpenMode::Update,
                      WatchScope scope = WatchScope::EntryAndContent);
    ~WatchedRecordFile();
    WatchedRecordFile(const WatchedRecordFile&) = delete;
    WatchedRecordFile& operator=(const WatchedRecordFile&) = delete;

    // The stream, opened (DBLib::Open) on first use and again when the path now
    // names another file; the position is left as it was. Null when the file cannot be
    // opened: the next call tries again. From here on MayHaveChanged watches the path.
    std::FILE* Current();

    // The stream as it is, without a look at the path (null when closed).
    std::FILE* Stream() const { return stream_; }

    // False when neither the path nor the file changed since the last Current, as far as
    // the kernel's notices tell; true when unsure. Costs no look at the file.
    bool MayHaveChanged() { return watch_.MayHaveChanged(); }

    // The stamp of the open stream's file now; nothing without a stream.
    std::optional<FileStamp> Stamp() const;

    // Closes the stream; the next Current opens the file again.
    void Close();

    // Takes stream (opened by the store itself, such as a recreated file) as the open one.
    void Adopt(std::FILE* stream);

private:
    std::string folder_;
    std::string fileName_;
    OpenMode mode_;
    std::FILE* stream_ = nullptr;
    FileChangeWatch watch_;
};

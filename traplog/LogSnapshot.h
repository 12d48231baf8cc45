#pragma once
// A line file read up to the length it had when the snapshot was taken, through a stream
// of its own: lines appended later are left for a catch-up, so whoever appends need not
// wait while the snapshot is read. A file replaced or removed meanwhile is still read
// whole, as it was.

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <string>

class LogSnapshot {
public:
    // Takes over stream, open for reading at the file's start; the file's length now is
    // where the snapshot ends.
    explicit LogSnapshot(std::FILE* stream);
    ~LogSnapshot();
    LogSnapshot(LogSnapshot&& other) noexcept;
    LogSnapshot(const LogSnapshot&) = delete;
    LogSnapshot& operator=(const LogSnapshot&) = delete;
    LogSnapshot& operator=(LogSnapshot&&) = delete;

    // The next line without its line end (CR LF or LF); false at the snapshot's end.
    bool ReadLine(std::string& line);

    // Moves the end to the file's length now, for the lines appended since.
    void Extend();

    // Whether path still names the file the snapshot reads.
    bool IsFileAt(const std::string& path) const;

    uint64_t Position() const { return position_; }
    uint64_t Length() const { return length_; }

private:
    std::FILE* stream_;
    uint64_t position_ = 0;
    uint64_t length_ = 0;
};

#include "traplog/LogSnapshot.h"

#include <sys/stat.h>

#include <utility>

namespace {

uint64_t LengthOf(std::FILE* stream) {
    struct stat status;
    return fstat(fileno(stream), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
}

}  // namespace

LogSnapshot::LogSnapshot(std::FILE* stream) : stream_(stream), length_(LengthOf(stream)) {}

LogSnapshot::~LogSnapshot() {
    if (stream_ != nullptr) std::fclose(stream_);
}

LogSnapshot::LogSnapshot(LogSnapshot&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      position_(other.position_),
      length_(other.length_) {}

bool LogSnapshot::ReadLine(std::string& line) {
    line.clear();
    if (position_ >= length_) return false;
    // Counting the bytes here spares a system call per line for the position.
    bool ended = false;
    while (position_ < length_) {
        const int c = getc_unlocked(stream_);
        if (c == EOF) {
            position_ = length_;  // cut shorter by someone else: nothing more to read
            break;
        }
        ++position_;
        if (c == '\n') {
            ended = true;
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    if (ended && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void LogSnapshot::Extend() {
    // The stream's buffer may hold the end of file from before.
    std::clearerr(stream_);
    length_ = LengthOf(stream_);
}

bool LogSnapshot::IsFileAt(const std::string& path) const {
    struct stat open;
    struct stat atPath;
    return fstat(fileno(stream_), &open) == 0 && stat(path.c_str(), &atPath) == 0 &&
           open.st_ino == atPath.st_ino && open.st_dev == atPath.st_dev;
}

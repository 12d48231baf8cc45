#include "notify/records/WatchedRecordFile.h"

#include <sys/stat.h>

#include "notify/records/DBLib.h"

namespace {

FileStamp StampOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

}  // namespace

WatchedRecordFile::WatchedRecordFile(std::string_view folder, std::string_view fileName, OpenMode mode,
                                     WatchScope scope)
    : folder_(folder), fileName_(fileName), mode_(mode), watch_(std::chrono::seconds(1), scope) {}

WatchedRecordFile::~WatchedRecordFile() { Close(); }

std::FILE* WatchedRecordFile::Current() {
    const std::string path = DBLib::FilePath(folder_, fileName_);
    watch_.Arm(path);
    if (stream_ != nullptr) {
        // A path that is gone or names another file: the open stream holds an old copy.
        struct stat atPath;
        const std::optional<FileStamp> open = Stamp();
        if (stat(path.c_str(), &atPath) != 0 || !open ||
            atPath.st_ino != open->inode || atPath.st_dev != open->device)
            Close();
    }
    if (stream_ == nullptr) stream_ = DBLib::Open(folder_, fileName_, mode_);
    return stream_;
}

std::optional<FileStamp> WatchedRecordFile::Stamp() const {
    struct stat status;
    if (stream_ == nullptr || fstat(fileno(stream_), &status) != 0) return std::nullopt;
    return StampOf(status);
}

void WatchedRecordFile::Close() {
    if (stream_ != nullptr) std::fclose(stream_);
    stream_ = nullptr;
}

void WatchedRecordFile::Adopt(std::FILE* stream) {
    Close();
    stream_ = stream;
}

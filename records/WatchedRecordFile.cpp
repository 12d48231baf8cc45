#include "records/WatchedRecordFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "records/DBLib.h"

namespace {

FileStamp StampOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec};
}

}  // namespace

WatchedRecordFile::WatchedRecordFile(std::string_view folder, std::string_view fileName,
                                     Access access, WatchScope scope, const NoticeRounds* rounds)
    : folder_(folder),
      fileName_(fileName),
      access_(access),
      watch_(std::chrono::seconds(1), scope, rounds) {}

WatchedRecordFile::~WatchedRecordFile() { Close(); }

std::FILE* WatchedRecordFile::Current() {
    const std::string path = DBLib::FilePath(folder_, fileName_);
    watch_.Arm(path);
    if (stream_ != nullptr) {
        // A path that is gone or names another file: the open stream holds an old copy.
        struct stat atPath;
        const std::optional<FileStamp> open = Stamp();
        if (stat(path.c_str(), &atPath) != 0 || !open || atPath.st_ino != open->inode ||
            atPath.st_dev != open->device)
            Close();
    }
    absent_ = false;
    if (stream_ != nullptr) return stream_;
    stream_ = access_ == Access::kRead ? DBLib::OpenForReading(folder_, fileName_)
                                       : DBLib::OpenForAppending(folder_, fileName_);
    if (stream_ == nullptr && errno == ENOENT && access_ == Access::kRead) {
        struct stat folder;
        const std::string folderPath = path.substr(0, path.rfind('/'));
        absent_ = stat(folderPath.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
    }
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

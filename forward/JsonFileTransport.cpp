#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "forward/ForwardTransport.h"

namespace {

// A local calendar day as a number of the form YYYYMMDD.
int DayOf(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

std::string DayText(int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100);
    return text;
}

// Days since the epoch of a YYYYMMDD day, for the retention's arithmetic.
long EpochDay(int day) {
    std::tm noon{};
    noon.tm_year = day / 10000 - 1900;
    noon.tm_mon = day / 100 % 100 - 1;
    noon.tm_mday = day % 100;
    noon.tm_hour = 12;
    return static_cast<long>(timegm(&noon) / 86400);
}

// A rotated file's day from its name PATH.YYYY-MM-DD, or 0.
int RotatedDay(const std::string& name, const std::string& base) {
    if (name.size() != base.size() + 11 || !name.starts_with(base) || name[base.size()] != '.')
        return 0;
    int year = 0, month = 0, mday = 0;
    char end = 0;
    if (std::sscanf(name.c_str() + base.size() + 1, "%4d-%2d-%2d%c", &year, &month, &mday, &end) !=
        3)
        return 0;
    return year * 10000 + month * 100 + mday;
}

// One JSON object a line, appended to PATH. The first line of a later day renames PATH to
// PATH.YYYY-MM-DD (the day its lines belong to) and removes rotated files older than the
// retention. Days are the traps' arrival days, local time. The writer follows the path: once
// PATH is removed or replaced, the next lines go into a new PATH. A line is written whole or
// not at all; when a run of lines does not fit (a full disk), they are written one by one
// and only those that do not fit are lost.
class JsonFileTransport : public ForwardTransport {
public:
    JsonFileTransport(std::string path, int days) : path_(std::move(path)), days_(days) {}
    ~JsonFileTransport() override { Close(); }

    DeliveryOutcome Deliver(std::span<const ForwardPayload> payloads) override {
        DeliveryOutcome outcome;
        if (fd_ >= 0 && !StillAtPath()) Close();
        // One write for each run of lines of the same day.
        while (outcome.handled < payloads.size()) {
            const std::size_t first = outcome.handled;
            const int day = DayOf(std::chrono::system_clock::to_time_t(payloads[first].received));
            if (!OpenFor(day)) {
                outcome.error = kForwardOpenFailed;
                return outcome;
            }
            lines_.clear();
            std::size_t end = first;
            for (; end < payloads.size(); ++end) {
                if (end > first &&
                    DayOf(std::chrono::system_clock::to_time_t(payloads[end].received)) > fileDay_)
                    break;
                lines_ += payloads[end].bytes;
                lines_ += '\n';
            }
            if (!AppendWhole(lines_)) {
                for (std::size_t i = first; i < end; ++i) {
                    lines_.assign(payloads[i].bytes);
                    lines_ += '\n';
                    if (AppendWhole(lines_)) continue;
                    ++outcome.lost;
                    outcome.error = kForwardWriteFailed;
                }
            }
            outcome.handled = end;
        }
        return outcome;
    }
    int LastErrno() const override { return errno_; }

private:
    // Appends bytes with one write; a write cut short is taken back, since a cut line would
    // break the file's one-object-a-line form.
    bool AppendWhole(const std::string& bytes) {
        const off_t before = ::lseek(fd_, 0, SEEK_END);
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written == static_cast<ssize_t>(bytes.size())) return true;
        errno_ = written < 0 ? errno : ENOSPC;
        if (before >= 0 && ::ftruncate(fd_, before) != 0) {
        }
        return false;
    }

    // Opens PATH for lines of day, rotating it first when it holds an earlier day's lines.
    bool OpenFor(int day) {
        if (fd_ < 0 && Open(day) != kForwardOk) return false;
        if (day <= fileDay_) return true;
        Rotate(day);
        return Open(day) == kForwardOk;
    }

    // Whether PATH still names the open file (not removed, renamed or replaced).
    bool StillAtPath() const {
        struct stat open {
        }, named{};
        return ::fstat(fd_, &open) == 0 && ::stat(path_.c_str(), &named) == 0 &&
               open.st_dev == named.st_dev && open.st_ino == named.st_ino;
    }

    int Open(int day) {
        Close();
        fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            errno_ = errno;
            return kForwardOpenFailed;
        }
        // A file kept from an earlier run belongs to the day it was last written.
        struct stat facts {};
        fileDay_ = (::fstat(fd_, &facts) == 0 && facts.st_size > 0) ? DayOf(facts.st_mtime) : day;
        return kForwardOk;
    }

    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    void Rotate(int day) {
        Close();
        std::error_code ignored;
        const std::string rotated = path_ + "." + DayText(fileDay_);
        if (!std::filesystem::exists(rotated, ignored))
            std::filesystem::rename(path_, rotated, ignored);
        RemoveExpired(day);
    }

    void RemoveExpired(int today) {
        const std::filesystem::path path(path_);
        const std::string base = path.filename().string();
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(path.parent_path(), error)) {
            const int day = RotatedDay(entry.path().filename().string(), base);
            std::error_code ignored;
            if (day != 0 && EpochDay(today) - EpochDay(day) > days_)
                std::filesystem::remove(entry.path(), ignored);
        }
    }

    std::string path_;
    int days_;
    int fd_ = -1;
    int fileDay_ = 0;
    int errno_ = 0;
    std::string lines_;
};

}  // namespace

std::unique_ptr<ForwardTransport> MakeJsonFileTransport(const std::string& path,
                                                        int retentionDays) {
    return std::make_unique<JsonFileTransport>(path, retentionDays);
}

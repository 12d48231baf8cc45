#include "platform/FileChangeWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace {

// Whatever replaces, removes or moves the file, or removes or moves its folder.
constexpr uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                  IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Whatever rewrites the file in place.
constexpr uint32_t kContentEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE;
// The folder itself is no longer watched after these.
constexpr uint32_t kWatchEnded = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

}  // namespace

void NoticeRounds::Begin() {
    round_.store(next_++, std::memory_order_relaxed);
    thread_.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void NoticeRounds::Next() { round_.store(next_++, std::memory_order_relaxed); }

void NoticeRounds::End() {
    thread_.store(std::thread::id(), std::memory_order_relaxed);
    round_.store(0, std::memory_order_relaxed);
}

FileChangeWatch::FileChangeWatch(std::chrono::milliseconds longestTrust, WatchScope scope,
                                 const NoticeRounds* rounds)
    : longestTrust_(longestTrust),
      rounds_(rounds),
      events_(scope == WatchScope::EntryOnly ? kEntryEvents : kEntryEvents | kContentEvents),
      notices_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileChangeWatch::~FileChangeWatch() {
    if (notices_ >= 0) ::close(notices_);
}

bool FileChangeWatch::MayHaveChanged() {
    const uint64_t round = rounds_ != nullptr ? rounds_->Current() : 0;
    if (round != 0 && unchangedInRound_ == round) return false;
    // The queue is emptied even when the answer is already known, so that old notices do
    // not count against the next Arm.
    const bool noticed = ReadNotices();
    const bool changed =
        noticed || folderWatch_ < 0 || std::chrono::steady_clock::now() - armedAt_ >= longestTrust_;
    unchangedInRound_ = changed ? 0 : round;
    return changed;
}

void FileChangeWatch::Arm(std::string_view path) {
    armedAt_ = std::chrono::steady_clock::now();
    if (notices_ < 0 || Watching(path)) return;
    if (folderWatch_ >= 0) inotify_rm_watch(notices_, folderWatch_);
    path_ = path;
    const std::size_t slash = path_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path_.substr(0, slash);
    name_ = std::string_view(path_).substr(slash == std::string::npos ? 0 : slash + 1);
    folderWatch_ = inotify_add_watch(notices_, folder.empty() ? "/" : folder.c_str(), events_);
}

bool FileChangeWatch::Watching(std::string_view path) const {
    return folderWatch_ >= 0 && path == path_;
}

// True when a notice names the file, or notices were lost; forgets the watch when its
// folder went away.
bool FileChangeWatch::ReadNotices() {
    if (notices_ < 0) return true;
    bool changed = false;
    alignas(inotify_event) std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t got = ::read(notices_, buffer.data(), buffer.size());
        if (got <= 0) break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            const std::string_view name(buffer.data() + at + sizeof event,
                                        std::min<std::size_t>(event.len, got - at - sizeof event));
            at += ssize_t(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) changed = true;
            if (event.wd != folderWatch_) continue;  // a folder watched before
            if (event.mask & kWatchEnded) {
                folderWatch_ = -1;
                changed = true;
            } else if (name.substr(0, name.find('\0')) == name_) {
                changed = true;
            }
        }
    }
    return changed;
}

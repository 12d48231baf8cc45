#pragma once
// Tells, without touching the file system, whether a file may have changed since it was
// last looked at. The kernel queues a notice of each change to the file's folder entry or
// content (inotify) inside the call that makes the change, so a file replaced before a
// datagram was sent is known to have changed when that datagram is taken. Reading an empty
// notice queue costs one short system call; a stat of the path costs several times more.
// Not locked: the owner's lock guards it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

// What counts as a change: the file's folder entry (replaced, removed, renamed) and, unless
// the owner writes the file itself and would only hear of its own writes, its content.
enum class WatchScope { EntryAndContent, EntryOnly };

// The rounds of the one thread that takes its work in rounds (the receiver, a batch of
// datagrams a round). When that thread asks, a watch given these rounds reads its notices
// once a round: one that found no change in the current round answers so again without a
// look. Every other thread, and that one outside its rounds, reads at every call.
class NoticeRounds {
public:
    // The calling thread takes its work in rounds from now on; the first begins.
    void Begin();
    // The next round of the thread in rounds begins.
    void Next();
    // The thread takes no more rounds.
    void End();

    // The calling thread's round; 0 when it is not the thread in rounds. Round numbers are
    // never reused, so a watch never takes an earlier round for the current one.
    uint64_t Current() const {
        return thread_.load(std::memory_order_relaxed) == std::this_thread::get_id()
                   ? round_.load(std::memory_order_relaxed)
                   : 0;
    }

private:
    std::atomic<std::thread::id> thread_{};
    std::atomic<uint64_t> round_{0};
    std::atomic<uint64_t> next_{1};
};

class FileChangeWatch {
public:
    // longestTrust: how long an armed watch is believed without a look at the file; rounds,
    // when given (they outlive the watch), spare the thread in rounds repeated reads.
    explicit FileChangeWatch(std::chrono::milliseconds longestTrust = std::chrono::seconds(1),
                             WatchScope scope = WatchScope::EntryAndContent,
                             const NoticeRounds* rounds = nullptr);
    ~FileChangeWatch();
    FileChangeWatch(const FileChangeWatch&) = delete;
    FileChangeWatch& operator=(const FileChangeWatch&) = delete;

    // True unless the file at the path last armed is known to be as it was when it was
    // armed: also true when nothing watches it (no path yet, its folder missing or gone,
    // notices lost) and once longestTrust has passed since it was armed, for changes that
    // bring no notice (a network file system, the target of a symbolic link).
    bool MayHaveChanged();

    // Watches path from now on; a caller that saw MayHaveChanged calls this before it looks
    // at the file again, so that no change falls between its look and the watch.
    void Arm(std::string_view path);

private:
    bool Watching(std::string_view path) const;
    bool ReadNotices();

    std::chrono::milliseconds longestTrust_;
    const NoticeRounds* rounds_;
    uint32_t events_;   // the inotify events of the folder watch
    int notices_ = -1;  // the inotify descriptor
    int folderWatch_ = -1;
    std::string path_;
    std::string_view name_;  // the file's name within path_
    std::chrono::steady_clock::time_point armedAt_;
    uint64_t unchangedInRound_ = 0;  // the round in which the watch last found no change
};

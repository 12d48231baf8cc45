#include "platform/ChildReaper.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct WatchedChild {
    int pidfd;
    pid_t pid;
    ExitHandler onExit;
};

int Reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The way children were reaped before pidfds: one waiting thread per child. Kept for a
// kernel without pidfd_open or a process out of descriptors.
void ReapOnOwnThread(pid_t pid, ExitHandler onExit) {
    try {
        std::thread([pid, onExit = std::move(onExit)] {
            const int exitCode = Reap(pid);
            if (onExit) onExit(exitCode);
        }).detach();
    } catch (const std::system_error&) {
        // The child stays unreaped and onExit never runs; the program itself runs on.
    }
}

class Reaper {
public:
    Reaper() {
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake_ < 0) return;
        try {
            std::thread([this] { Run(); }).detach();
            running_ = true;
        } catch (const std::system_error&) {
            close(wake_);
        }
    }

    bool Watch(pid_t pid, ExitHandler& onExit) {
        if (!running_) return false;
        const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (pidfd < 0) return false;
        {
            std::lock_guard lock(mutex_);
            added_.push_back({pidfd, pid, std::move(onExit)});
        }
        const uint64_t one = 1;
        // A full counter still wakes the poll, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
        return true;
    }

private:
    // Runs for the rest of the process: children may outlive everything else.
    void Run() {
        std::vector<WatchedChild> watched;
        std::vector<pollfd> fds;
        while (true) {
            fds.assign(1, pollfd{wake_, POLLIN, 0});
            for (const WatchedChild& child : watched) fds.push_back({child.pidfd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) < 0) {
                // Only a signal or a lack of memory gets here; wait a little before trying again.
                if (errno != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(100));
                continue;
            }
            for (std::size_t i = watched.size(); i-- > 0;) {
                if (fds[i + 1].revents == 0) continue;
                WatchedChild ended = std::move(watched[i]);
                watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
                const int exitCode = Reap(ended.pid);
                close(ended.pidfd);
                if (ended.onExit) ended.onExit(exitCode);
            }
            if (fds[0].revents != 0) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t drained = read(wake_, &count, sizeof count);
                std::lock_guard lock(mutex_);
                for (WatchedChild& child : added_) watched.push_back(std::move(child));
                added_.clear();
            }
        }
    }

    int wake_ = -1;
    bool running_ = false;
    std::mutex mutex_;
    std::vector<WatchedChild> added_;
};

}  // namespace

void ReapWhenEnded(pid_t pid, ExitHandler onExit) {
    // Never destroyed: its thread may still wait for children when the process exits.
    static Reaper* const reaper = new Reaper;
    if (!reaper->Watch(pid, onExit)) ReapOnOwnThread(pid, std::move(onExit));
}

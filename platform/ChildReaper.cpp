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

}  // namespace

// What the reaping thread shares with its owner: the children handed over since it last
// looked, and the wake-up that tells it of them or of its owner's end.
struct ChildReaper::Watch {
    std::mutex mutex;
    int wake = -1;
    bool started = false;  // the thread runs (or ran) and reads wake
    bool ownerGone = false;
    std::vector<WatchedChild> added;
    // Held while a handler runs, so that the owner's end waits for it and stops the rest.
    std::mutex handling;
    bool handlersEnded = false;

    void Handle(const ExitHandler& onExit, int exitCode) {
        std::lock_guard lock(handling);
        if (onExit && !handlersEnded) onExit(exitCode);
    }

    void EndHandlers() {
        std::lock_guard lock(handling);
        handlersEnded = true;
    }

    // The way children were reaped before pidfds: one waiting thread per child. Kept for a
    // kernel without pidfd_open or a process out of descriptors.
    static void ReapOnOwnThread(const std::shared_ptr<Watch>& self, pid_t pid, ExitHandler onExit) {
        try {
            std::thread([self, pid, onExit = std::move(onExit)] {
                self->Handle(onExit, Reap(pid));
            }).detach();
        } catch (const std::system_error&) {
            // The child stays unreaped and onExit never runs; the program itself runs on.
        }
    }

    // With mutex held: starts the thread on the first child. False when it cannot run.
    bool Start(const std::shared_ptr<Watch>& self) {
        if (started) return true;
        wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake < 0) return false;
        try {
            std::thread([self] { self->Run(); }).detach();
        } catch (const std::system_error&) {
            close(wake);
            wake = -1;
            return false;
        }
        started = true;
        return true;
    }

    void Wake() const {
        const uint64_t one = 1;
        // A full counter still wakes the poll, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t written = write(wake, &one, sizeof one);
    }

    // Runs until the owner is gone and no child is left: children may outlive everything
    // else.
    void Run() {
        std::vector<WatchedChild> watched;
        std::vector<pollfd> fds;
        while (true) {
            fds.assign(1, pollfd{wake, POLLIN, 0});
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
                Handle(ended.onExit, exitCode);
            }
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = read(wake, &count, sizeof count);
            std::lock_guard lock(mutex);
            for (WatchedChild& child : added) watched.push_back(std::move(child));
            added.clear();
            if (ownerGone && watched.empty()) break;
        }
        close(wake);
    }
};

ChildReaper::ChildReaper() : watch_(std::make_shared<Watch>()) {}

ChildReaper::~ChildReaper() {
    watch_->EndHandlers();
    std::lock_guard lock(watch_->mutex);
    watch_->ownerGone = true;
    if (watch_->started) watch_->Wake();
}

void ChildReaper::ReapWhenEnded(pid_t pid, ExitHandler onExit) {
    {
        std::lock_guard lock(watch_->mutex);
        if (watch_->Start(watch_)) {
            const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
            if (pidfd >= 0) {
                watch_->added.push_back({pidfd, pid, std::move(onExit)});
                watch_->Wake();
                return;
            }
        }
    }
    Watch::ReapOnOwnThread(watch_, pid, std::move(onExit));
}

#pragma once
// Collects the exit status of the programs this process starts, with one thread for all of
// them. Each child is watched through a pidfd of its own and reaped by its pid, so children
// that others wait for (the window framework's processes) are never taken from them.

#include <sys/types.h>

#include <functional>
#include <memory>

// Called with the child's exit code, or -1 when a signal ended it.
using ExitHandler = std::function<void(int exitCode)>;

class ChildReaper {
public:
    ChildReaper();
    // Children may outlive their reaper: its thread goes on reaping until the last one it
    // watches has ended, then ends. The handlers are the owner's and run no more once it
    // is gone: this waits for one that runs now.
    ~ChildReaper();
    ChildReaper(const ChildReaper&) = delete;
    ChildReaper& operator=(const ChildReaper&) = delete;

    // Reaps pid once it has ended, then runs onExit, when given and while this object
    // lives, on the reaping thread (started with the first child).
    void ReapWhenEnded(pid_t pid, ExitHandler onExit);

private:
    struct Watch;
    std::shared_ptr<Watch> watch_;  // shared with the thread, which may outlive this object
};

#pragma once
// Collects the exit status of the programs this process starts, with one thread for all of
// them. Each child is watched through a pidfd of its own and reaped by its pid, so children
// that others wait for (the window framework's processes) are never taken from them.

#include <sys/types.h>

#include <functional>

// Called with the child's exit code, or -1 when a signal ended it.
using ExitHandler = std::function<void(int exitCode)>;

// Reaps pid once it has ended, then runs onExit, when given, on the reaping thread.
void ReapWhenEnded(pid_t pid, ExitHandler onExit);

#pragma once
// Process signals turned into calls on the user interface thread: the handler only writes
// the signal's number to a pipe, which a socket notifier reads in the event loop.

#include <functional>

// SIGTERM, SIGINT and SIGHUP call end; SIGUSR1 calls report. Called once, after the
// application object is made. Returns false when the pipe cannot be made (the signals then
// keep their default actions).
bool WatchProcessSignals(std::function<void()> end, std::function<void()> report);

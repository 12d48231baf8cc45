#pragma once
// Carrying calls from other threads onto the user interface thread (the Qt main thread).

#include <functional>

// Runs fn on the user interface thread and returns once it has run: directly when called
// there, otherwise queued while the caller waits. Without an application nothing runs.
void RunOnUiThread(const std::function<void()>& fn);

// Queues fn to the user interface thread and returns at once.
void PostToUiThread(std::function<void()> fn);

#pragma once
// The rare state changes of the windows that the receiver thread makes. The window layer
// carries every call out on the user interface thread while the calling thread waits;
// tests install recording fakes. No Qt here. Rows (TrapRowQueue.h) and counters
// (PacketCounters.h) never wait for the windows: the windows fetch them on their tick.

#include <atomic>
#include <string_view>

class ServiceWindows {
public:
    virtual ~ServiceWindows() = default;
    // Status field of the trap list view (CP932 text).
    virtual void SetServiceStatus(std::string_view textCp932) = 0;
    // Why the service last failed (CP932 text), kept beside the status after it changes.
    virtual void SetServiceFailure(std::string_view textCp932) = 0;
    virtual void EnableServiceCommands(bool startEnabled, bool stopEnabled) = 0;
};

// Where the windows are for the receiver and the pipeline: empty until the window layer
// installs itself (calls then go nowhere, and no rows are queued).
class WindowPorts {
public:
    // Null removes the windows.
    void Install(ServiceWindows* windows) { windows_.store(windows); }
    ServiceWindows* Installed() const { return windows_.load(); }

private:
    std::atomic<ServiceWindows*> windows_{nullptr};
};

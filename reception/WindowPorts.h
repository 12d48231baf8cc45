#pragma once
// The windows that the receiver thread and the pipeline change. The window layer carries
// every call out on the user interface thread while the calling thread waits; tests
// install recording fakes. No Qt here.

#include <cstdint>
#include <string_view>

struct TrapRecord;

class ServiceWindows {
public:
    virtual ~ServiceWindows() = default;
    // Status field of the trap list view (CP932 text).
    virtual void SetServiceStatus(std::string_view textCp932) = 0;
    virtual void EnableServiceCommands(bool startEnabled, bool stopEnabled) = 0;
    // Counter field fieldId (1000-1015) of the counter view now shows value.
    virtual void ShowCounter(int fieldId, uint32_t value) = 0;
    // Appends one row for a received trap; the record is valid only during the call.
    virtual void AddTrapRow(const TrapRecord& record) = 0;
};

// Process-wide, as the windows are; null until the window layer installs itself
// (calls then go nowhere).
void SetServiceWindows(ServiceWindows* windows);
ServiceWindows* GetServiceWindows();

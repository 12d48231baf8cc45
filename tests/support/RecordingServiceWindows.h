#pragma once
// A ServiceWindows fake that records every call the receiver thread and the pipeline make,
// takes the queued rows and reads the counters as the windows' tick would, and lets a test
// wait (bounded) until the record satisfies a condition. It installs itself in the ports
// given on construction and uninstalls itself on destruction.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/WindowPorts.h"
#include "traplog/TrapRow.h"

class PacketCounters;
class TrapRowQueue;

class RecordingServiceWindows : public ServiceWindows {
public:
    // Takes its rows from rows, which outlives it; counters: those the counter fields show;
    // a fake without them has no counter fields.
    RecordingServiceWindows(WindowPorts& ports, TrapRowQueue& rows,
                            const PacketCounters* counters = nullptr);
    ~RecordingServiceWindows() override;

    void SetServiceStatus(std::string_view textCp932) override;
    void SetServiceFailure(std::string_view textCp932) override;
    void EnableServiceCommands(bool startEnabled, bool stopEnabled) override;

    // Until called again, a caller showing this status is recorded and then held (at most
    // 10 s), as a window call waits for a busy user interface thread; "" holds nothing.
    void HoldStatus(std::string textUtf8);

    std::vector<std::string> Statuses() const;                 // UTF-8, oldest first
    std::vector<std::string> Failures() const;                 // UTF-8, oldest first
    std::vector<std::pair<bool, bool>> CommandStates() const;  // (start, stop), oldest first
    uint32_t Counter(int fieldId) const;                       // the counter of field fieldId now
    std::map<int, uint32_t> Counters() const;                  // all sixteen fields
    // The rows queued so far, oldest first.
    std::size_t RowCount() const;
    std::string Cell(std::size_t row, int column) const;
    int Image(std::size_t row) const;

    // Waits until condition() holds (tested after every recorded call and every 20 ms)
    // or the timeout passes; returns whether it holds.
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    void TakeRows() const;  // with mutex_ held
    WindowPorts& ports_;
    TrapRowQueue& queue_;
    const PacketCounters* counters_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t generation_ = 0;  // counts recorded calls
    std::vector<std::string> statuses_;
    std::vector<std::string> failures_;
    std::vector<std::pair<bool, bool>> commandStates_;
    std::string heldStatus_;
    mutable std::vector<TrapRow> rows_;
};

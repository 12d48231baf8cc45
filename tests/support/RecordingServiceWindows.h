#pragma once
// A ServiceWindows fake that records every call the receiver thread and the pipeline make,
// and lets a test wait (bounded) until the record satisfies a condition. It installs
// itself on construction and uninstalls itself on destruction.

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "reception/TrapRecord.h"
#include "reception/WindowPorts.h"

class RecordingServiceWindows : public ServiceWindows {
public:
    RecordingServiceWindows();
    ~RecordingServiceWindows() override;

    void SetServiceStatus(std::string_view textCp932) override;
    void EnableServiceCommands(bool startEnabled, bool stopEnabled) override;
    void ShowCounter(int fieldId, uint32_t value) override;
    void AddTrapRow(const TrapRecord& record) override;

    std::vector<std::string> Statuses() const;                // UTF-8, oldest first
    std::vector<std::pair<bool, bool>> CommandStates() const;  // (start, stop), oldest first
    uint32_t Counter(int fieldId) const;                       // last value shown, 0 if none
    std::map<int, uint32_t> Counters() const;                  // every field shown so far
    std::size_t RowCount() const;
    TrapRecord Row(std::size_t index) const;

    // Waits until condition() holds (tested after every recorded call and every 20 ms)
    // or the timeout passes; returns whether it holds.
    bool WaitUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    uint64_t generation_ = 0;  // counts recorded calls
    std::vector<std::string> statuses_;
    std::vector<std::pair<bool, bool>> commandStates_;
    std::map<int, uint32_t> counters_;
    std::vector<std::unique_ptr<TrapRecord>> rows_;
};

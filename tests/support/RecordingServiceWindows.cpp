#include "support/RecordingServiceWindows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>

#include "platform/Encoding.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapRowQueue.h"

RecordingServiceWindows::RecordingServiceWindows(WindowPorts& ports, TrapRowQueue& rows,
                                                 const PacketCounters* counters)
    : ports_(ports), queue_(rows), counters_(counters) {
    ports_.Install(this);
}

RecordingServiceWindows::~RecordingServiceWindows() { ports_.Install(nullptr); }

void RecordingServiceWindows::SetServiceStatus(std::string_view textCp932) {
    std::unique_lock lock(mutex_);
    statuses_.push_back(Cp932ToUtf8(textCp932));
    ++generation_;
    changed_.notify_all();
    const std::string shown = statuses_.back();
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return heldStatus_ != shown; });
}

void RecordingServiceWindows::SetServiceFailure(std::string_view textCp932) {
    std::lock_guard lock(mutex_);
    failures_.push_back(Cp932ToUtf8(textCp932));
    ++generation_;
    changed_.notify_all();
}

std::vector<std::string> RecordingServiceWindows::Failures() const {
    std::lock_guard lock(mutex_);
    return failures_;
}

void RecordingServiceWindows::HoldStatus(std::string textUtf8) {
    std::lock_guard lock(mutex_);
    heldStatus_ = std::move(textUtf8);
    changed_.notify_all();
}

void RecordingServiceWindows::EnableServiceCommands(bool startEnabled, bool stopEnabled) {
    std::lock_guard lock(mutex_);
    commandStates_.emplace_back(startEnabled, stopEnabled);
    ++generation_;
    changed_.notify_all();
}

std::vector<std::string> RecordingServiceWindows::Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}

std::vector<std::pair<bool, bool>> RecordingServiceWindows::CommandStates() const {
    std::lock_guard lock(mutex_);
    return commandStates_;
}

uint32_t RecordingServiceWindows::Counter(int fieldId) const {
    if (counters_ == nullptr) {
        ADD_FAILURE() << "a fake without counters was asked for counter " << fieldId;
        return 0;
    }
    const auto counters = std::bit_cast<std::array<uint32_t, kCounterCount>>(counters_->Snapshot());
    const auto slot = std::find(kCounterFieldIds.begin(), kCounterFieldIds.end(), fieldId);
    return slot == kCounterFieldIds.end()
               ? 0
               : counters[static_cast<std::size_t>(slot - kCounterFieldIds.begin())];
}

std::map<int, uint32_t> RecordingServiceWindows::Counters() const {
    std::map<int, uint32_t> fields;
    for (int id : kCounterFieldIds) fields[id] = Counter(id);
    return fields;
}

void RecordingServiceWindows::TakeRows() const {
    for (TrapRow& row : queue_.TakeQueuedRows()) rows_.push_back(std::move(row));
}

std::size_t RecordingServiceWindows::RowCount() const {
    std::lock_guard lock(mutex_);
    TakeRows();
    return rows_.size();
}

std::string RecordingServiceWindows::Cell(std::size_t row, int column) const {
    std::lock_guard lock(mutex_);
    TakeRows();
    return std::string(rows_.at(row).Cell(column));
}

int RecordingServiceWindows::Image(std::size_t row) const {
    std::lock_guard lock(mutex_);
    TakeRows();
    return rows_.at(row).image;
}

bool RecordingServiceWindows::WaitUntil(const std::function<bool()>& condition,
                                        std::chrono::milliseconds timeout) const {
    // The condition may also depend on state outside the fake, so it is tested at least
    // every kRecheck besides after every recorded call.
    constexpr std::chrono::milliseconds kRecheck{20};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    while (true) {
        const uint64_t seen = generation_;
        // The condition may call the accessors above, so it runs with the lock released.
        lock.unlock();
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        lock.lock();
        changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() + kRecheck),
                            [&] { return generation_ != seen; });
    }
}

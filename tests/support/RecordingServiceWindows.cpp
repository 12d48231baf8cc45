#include "support/RecordingServiceWindows.h"

#include <algorithm>

#include "platform/Encoding.h"

RecordingServiceWindows::RecordingServiceWindows() { SetServiceWindows(this); }

RecordingServiceWindows::~RecordingServiceWindows() { SetServiceWindows(nullptr); }

void RecordingServiceWindows::SetServiceStatus(std::string_view textCp932) {
    std::lock_guard lock(mutex_);
    statuses_.push_back(Cp932ToUtf8(textCp932));
    ++generation_;
    changed_.notify_all();
}

void RecordingServiceWindows::EnableServiceCommands(bool startEnabled, bool stopEnabled) {
    std::lock_guard lock(mutex_);
    commandStates_.emplace_back(startEnabled, stopEnabled);
    ++generation_;
    changed_.notify_all();
}

void RecordingServiceWindows::ShowCounter(int fieldId, uint32_t value) {
    std::lock_guard lock(mutex_);
    counters_[fieldId] = value;
    ++generation_;
    changed_.notify_all();
}

void RecordingServiceWindows::AddTrapRow(const TrapRecord& record) {
    std::lock_guard lock(mutex_);
    rows_.push_back(std::make_unique<TrapRecord>(record));
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
    std::lock_guard lock(mutex_);
    auto found = counters_.find(fieldId);
    return found == counters_.end() ? 0 : found->second;
}

std::map<int, uint32_t> RecordingServiceWindows::Counters() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

std::size_t RecordingServiceWindows::RowCount() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

TrapRecord RecordingServiceWindows::Row(std::size_t index) const {
    std::lock_guard lock(mutex_);
    return *rows_.at(index);
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

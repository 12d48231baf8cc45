#include "forward/DestinationSender.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "forward/ForwardTransport.h"
#include "forward/JsonLine.h"
#include "forward/SyslogMessage.h"
#include "forward/TrapFields.h"
#include "settings/SettingsSource.h"
#include "trap/LossCounters.h"
#include "traplog/TrapText.h"

namespace {

constexpr std::chrono::milliseconds kFirstRetryPause{100};
constexpr std::chrono::milliseconds kLongestRetryPause{30'000};
// Traps built and sent together: one write or send for many under load.
constexpr std::size_t kBatchSize = 256;
constexpr std::chrono::milliseconds kGatherPause{20};

}  // namespace

// A trap or a change of an alarm: one of the two is set.
struct DestinationSender::Item {
    std::shared_ptr<const CapturedTrap> trap;
    std::shared_ptr<const AlarmChangeFields> change;
};

struct DestinationSender::State {
    explicit State(const SettingsSource& source) : settings(source) {}

    ForwardDestination destination;
    std::string programFolder;
    const SettingsSource& settings;
    std::size_t capacity;
    // Counts what the transport gives up; the program's, which outlives the senders' work.
    LossCounters* losses = nullptr;

    mutable std::mutex mutex;
    std::condition_variable wake;
    mutable std::condition_variable emptied;
    std::deque<Item> queue;
    bool stopping = false;
    std::chrono::steady_clock::time_point deadline;
    DestinationStatus status;

    std::thread thread;
    bool ended = false;
    std::condition_variable endedSignal;

    // Sender thread only.
    std::unique_ptr<TrapRecord> record = std::make_unique<TrapRecord>();
    SyslogOrigin origin = LocalSyslogOrigin();

    bool PastDeadline() const { return stopping && std::chrono::steady_clock::now() >= deadline; }

    ForwardPayload Payload(const Item& item, const AppSettings& formats) {
        if (item.change) {
            const AlarmChangeFields& change = *item.change;
            const std::chrono::system_clock::time_point at{std::chrono::milliseconds(change.ms)};
            if (destination.kind == ForwardKind::kJson) return {BuildAlarmJsonLine(change), at};
            return {BuildAlarmSyslogMessage(change, destination.facility, origin), at};
        }
        const CapturedTrap& trap = *item.trap;
        if (destination.kind == ForwardKind::kSnmp)
            return {std::string(trap.datagram.begin(), trap.datagram.end()), trap.received};
        UnpackTrapRecord(trap.packedRecord, *record);
        const TrapFields fields = CollectTrapFields(*record, trap.received, trap.sourcePort);
        if (destination.kind == ForwardKind::kJson) return {BuildJsonLine(fields), trap.received};
        const std::string message = ForwardText(ExpandTrapMessage(*record, formats));
        return {
            BuildSyslogMessage(fields, message, destination.facility, destination.severity, origin),
            trap.received};
    }

    // With the lock held: takes the traps the transport dealt with off the queue; those it
    // gave up for good count as dropped.
    void Handled(const DeliveryOutcome& outcome) {
        status.delivered += outcome.handled - outcome.lost;
        status.dropped += outcome.lost;
        if (outcome.lost != 0) losses->Count(LossKind::kForwardDropped, outcome.lost);
        queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(outcome.handled));
        if (queue.empty()) emptied.notify_all();
    }

    void Run() {
        const std::unique_ptr<ForwardTransport> transport =
            MakeForwardTransport(destination, programFolder);
        std::chrono::milliseconds pause = kFirstRetryPause;
        std::vector<Item> batch;
        std::vector<ForwardPayload> payloads;
        std::unique_lock lock(mutex);
        while (true) {
            wake.wait(lock, [&] { return !queue.empty() || stopping; });
            // Traps that arrive one by one are gathered for a moment, so that the thread
            // wakes and writes a few times a second rather than once a trap.
            if (queue.size() < kBatchSize)
                wake.wait_for(lock, kGatherPause, [&] { return stopping; });
            if (queue.empty() || PastDeadline()) break;
            // The batch stays queued until it is delivered, so a full queue counts it.
            const std::size_t taken = std::min(queue.size(), kBatchSize);
            batch.assign(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(taken));
            // Read under the lock, after the deadline's check: a thread let go past its
            // deadline never reads the settings again.
            const AppSettings formats = settings.Snapshot();
            lock.unlock();
            payloads.clear();
            for (const Item& item : batch) payloads.push_back(Payload(item, formats));
            std::span<const ForwardPayload> left(payloads);
            DeliveryOutcome outcome = transport->Deliver(left);
            lock.lock();
            while (true) {
                Handled(outcome);
                left = left.subspan(outcome.handled);
                if (outcome.error != kForwardOk) {
                    status.error = outcome.error;
                    status.errorErrno = transport->LastErrno();
                }
                // What was given up is counted; only what was not tried waits for a retry.
                if (left.empty()) break;
                // The pause ends early only for the end of the program.
                const auto until = std::chrono::steady_clock::now() + pause;
                wake.wait_until(lock, stopping ? std::min(until, deadline) : until,
                                [&] { return PastDeadline(); });
                if (PastDeadline()) break;
                pause = std::min(pause * 2, kLongestRetryPause);
                lock.unlock();
                outcome = transport->Deliver(left);
                lock.lock();
            }
            if (!left.empty()) break;
            if (outcome.error == kForwardOk) {
                pause = kFirstRetryPause;
                status.error = kForwardOk;
                status.errorErrno = 0;
            }
        }
        ended = true;
        endedSignal.notify_all();
    }
};

DestinationSender::DestinationSender(const ForwardDestination& destination,
                                     const std::string& programFolder,
                                     const SettingsSource& settings, LossCounters& losses,
                                     std::size_t capacity)
    : destination_(destination), losses_(losses), state_(std::make_shared<State>(settings)) {
    state_->destination = destination;
    state_->programFolder = programFolder;
    state_->capacity = capacity;
    state_->losses = &losses;
    try {
        // The thread keeps the state alive, so it may outlive this object at the end.
        state_->thread = std::thread([state = state_] { state->Run(); });
    } catch (const std::system_error&) {
        state_->ended = true;
    }
}

DestinationSender::~DestinationSender() {
    if (!stopped_) Stop(std::chrono::milliseconds(0));
}

bool DestinationSender::Offer(std::shared_ptr<const CapturedTrap> trap) {
    return Enqueue({.trap = std::move(trap), .change = nullptr});
}

bool DestinationSender::Offer(std::shared_ptr<const AlarmChangeFields> change) {
    return Enqueue({.trap = nullptr, .change = std::move(change)});
}

void DestinationSender::CountLost(uint64_t count) {
    if (count == 0) return;
    {
        std::lock_guard lock(state_->mutex);
        state_->status.dropped += count;
    }
    losses_.Count(LossKind::kForwardDropped, count);
}

bool DestinationSender::Enqueue(Item item) {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->queue.size() < state_->capacity && !state_->ended && !state_->stopping) {
            // The thread waits only on an empty queue.
            if (state_->queue.empty()) state_->wake.notify_one();
            state_->queue.push_back(std::move(item));
            return true;
        }
        ++state_->status.dropped;
    }
    losses_.Count(LossKind::kForwardDropped);
    return false;
}

DestinationStatus DestinationSender::Status() const {
    std::lock_guard lock(state_->mutex);
    DestinationStatus status = state_->status;
    status.queued = state_->queue.size();
    status.loopStopped = loopStopped_.load(std::memory_order_relaxed);
    return status;
}

bool DestinationSender::Drain(std::chrono::milliseconds wait) const {
    std::unique_lock lock(state_->mutex);
    return state_->emptied.wait_for(lock, wait, [&] {
        return state_->queue.empty() || state_->ended;
    }) && state_->queue.empty();
}

bool DestinationSender::Stop(std::chrono::milliseconds wait) {
    stopped_ = true;
    std::unique_lock lock(state_->mutex);
    state_->stopping = true;
    state_->deadline = std::chrono::steady_clock::now() + wait;
    state_->wake.notify_all();
    // A delivery in hand is bounded by the transport's own timeouts; past the deadline
    // the thread is let go rather than waited for.
    const bool ended = state_->endedSignal.wait_for(lock, wait + std::chrono::milliseconds(100),
                                                    [&] { return state_->ended; });
    const bool delivered = state_->queue.empty();
    lock.unlock();
    if (state_->thread.joinable()) {
        if (ended)
            state_->thread.join();
        else
            state_->thread.detach();
    }
    return delivered;
}

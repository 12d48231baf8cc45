#pragma once
// One destination's bounded queue and its sender thread. The receiver thread only offers
// captured traps, the alarms' follower the changes of alarms; the thread builds each text
// and delivers in order. A failing delivery
// keeps the trap in hand and is tried again after a growing pause, 0.1 s to 30 s, so the
// queue holds what arrives meanwhile; once it is full the newest traps are dropped and
// counted.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "forward/AlarmChangeFields.h"
#include "forward/CapturedTrap.h"
#include "forward/ForwardSettings.h"

class SettingsSource;

inline constexpr std::size_t kForwardQueueCapacity = 100'000;

struct DestinationStatus {
    uint64_t delivered = 0;
    uint64_t dropped = 0;
    uint64_t loopStopped = 0;  // datagrams not relayed again: they had come back
    std::size_t queued = 0;
    int error = 0;  // ForwardError of the last attempt, 0 once a delivery succeeds, or why
                    // the destination is not used
    int errorErrno = 0;
};

class LossCounters;

class DestinationSender {
public:
    // The texts follow the message formats of settings, which must outlive the thread's
    // last delivery before Stop's deadline; traps dropped for a full queue are counted in
    // losses too.
    DestinationSender(const ForwardDestination& destination, const std::string& programFolder,
                      const SettingsSource& settings, LossCounters& losses,
                      std::size_t capacity = kForwardQueueCapacity);
    // Stops as Stop(0) would when Stop was not called.
    ~DestinationSender();
    DestinationSender(const DestinationSender&) = delete;
    DestinationSender& operator=(const DestinationSender&) = delete;

    const ForwardDestination& Destination() const { return destination_; }

    // From the receiver thread; false when the trap was dropped (queue full).
    bool Offer(std::shared_ptr<const CapturedTrap> trap);
    // From the alarms' follower, into the same queue; false when it was dropped.
    bool Offer(std::shared_ptr<const AlarmChangeFields> change);
    // Changes that never reached the queue (the follower fell behind the feed), counted as
    // dropped.
    void CountLost(uint64_t count);

    // From the receiver thread: a trap this relay did not take because it had relayed the
    // same datagram already.
    void CountLoopStopped() { loopStopped_.fetch_add(1, std::memory_order_relaxed); }

    DestinationStatus Status() const;

    // Waits at most wait until the queue is empty.
    bool Drain(std::chrono::milliseconds wait) const;

    // Lets the thread go on delivering for at most wait, then end; joins it when it ended
    // in time, else lets it go with what is left (it holds its own state). Returns whether
    // everything queued was delivered.
    bool Stop(std::chrono::milliseconds wait);

private:
    struct State;
    struct Item;
    bool Enqueue(Item item);
    ForwardDestination destination_;
    LossCounters& losses_;
    std::shared_ptr<State> state_;
    std::atomic<uint64_t> loopStopped_{0};
    bool stopped_ = false;
};

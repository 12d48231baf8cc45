#pragma once
// The follower of the alarm engine's change feed that hands the changes of alarms (raised,
// severity changed, acknowledged, cleared) to the forwarding destinations that take them.
// It runs on a small thread of its own, never the receiver's: every 50 ms it reads the
// changes after the last one it saw. Changes the feed no longer holds when it reads (the
// engine keeps the last 10,000) are counted as lost by each of those destinations.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "alarms/AlarmEngine.h"
#include "forward/AlarmChangeFields.h"

class Forwarder;

inline constexpr std::chrono::milliseconds kAlarmFeedRound{50};

// The forwarded fields of a change; false for the kinds not forwarded (an acknowledgement
// taken back, an alarm leaving the view).
bool AlarmChangeToFields(const AlarmChange& change, AlarmChangeFields& fields);

class AlarmChangeForwarding {
public:
    AlarmChangeForwarding(const AlarmEngine& alarms, Forwarder& forwarder);
    // Stops as Stop does.
    ~AlarmChangeForwarding();
    AlarmChangeForwarding(const AlarmChangeForwarding&) = delete;
    AlarmChangeForwarding& operator=(const AlarmChangeForwarding&) = delete;

    // Follows from the feed's last change on; a second call does nothing.
    void Start();
    // Hands on what the feed holds now, then ends the thread and joins it.
    void Stop();

    // One round on the caller's thread (tests; the thread calls it too).
    void Round();

private:
    void Run();

    const AlarmEngine& alarms_;
    Forwarder& forwarder_;
    uint64_t seen_ = 0;  // the last sequence read; the thread's, or Round's caller's

    std::mutex mutex_;  // guards stopping_
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

#pragma once
// What the receiver answered since start-up, for the windows: informs answered, their
// repeats (answered again, processed once), reports sent by kind, and answers left unsent
// because they would have been larger than the message plus kMaxAnswerGrowth.

#include <array>
#include <atomic>
#include <cstdint>

#include "snmp/AnswerFacts.h"

// An answer may exceed its request by this much at most, so that the receiver cannot
// amplify traffic toward a forged address.
inline constexpr std::size_t kMaxAnswerGrowth = 100;

struct AnswerCountsSnapshot {
    uint64_t informsAnswered = 0;
    uint64_t repeats = 0;
    uint64_t unsent = 0;
    std::array<uint64_t, kReportKindCount> reportsSent{};  // by ReportKind - 1
};

// Counted on the receiver thread, read on the windows' tick.
class AnswerCounts {
public:
    void CountInformAnswered() { informsAnswered_.fetch_add(1, std::memory_order_relaxed); }
    void CountInformRepeat() { repeats_.fetch_add(1, std::memory_order_relaxed); }
    void CountAnswerUnsent() { unsent_.fetch_add(1, std::memory_order_relaxed); }
    void CountReportSent(ReportKind kind);
    // usmStats: each failure RFC 3414 names, reported or not; the value a report carries.
    uint32_t CountUsmFailure(ReportKind kind);

    AnswerCountsSnapshot Snapshot() const;

private:
    std::atomic<uint64_t> informsAnswered_{0};
    std::atomic<uint64_t> repeats_{0};
    std::atomic<uint64_t> unsent_{0};
    std::array<std::atomic<uint64_t>, kReportKindCount> reportsSent_{};
    std::array<std::atomic<uint32_t>, kReportKindCount> usmFailures_{};
};

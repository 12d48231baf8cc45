#include "snmp/engine/AnswerCounts.h"

namespace {

std::atomic<uint64_t> informsAnswered{0};
std::atomic<uint64_t> repeats{0};
std::atomic<uint64_t> unsent{0};
std::array<std::atomic<uint64_t>, kReportKindCount> reportsSent{};
std::array<std::atomic<uint32_t>, kReportKindCount> usmFailures{};

std::size_t IndexOf(ReportKind kind) { return std::size_t(kind) - 1; }

}  // namespace

void CountInformAnswered() { informsAnswered.fetch_add(1, std::memory_order_relaxed); }
void CountInformRepeat() { repeats.fetch_add(1, std::memory_order_relaxed); }
void CountAnswerUnsent() { unsent.fetch_add(1, std::memory_order_relaxed); }
void CountReportSent(ReportKind kind) {
    reportsSent[IndexOf(kind)].fetch_add(1, std::memory_order_relaxed);
}

uint32_t CountUsmFailure(ReportKind kind) {
    return usmFailures[IndexOf(kind)].fetch_add(1, std::memory_order_relaxed) + 1;
}

AnswerCountsSnapshot SnapshotAnswerCounts() {
    AnswerCountsSnapshot snapshot;
    snapshot.informsAnswered = informsAnswered.load(std::memory_order_relaxed);
    snapshot.repeats = repeats.load(std::memory_order_relaxed);
    snapshot.unsent = unsent.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < reportsSent.size(); ++i)
        snapshot.reportsSent[i] = reportsSent[i].load();
    return snapshot;
}

void ResetAnswerCounts() {
    informsAnswered = 0;
    repeats = 0;
    unsent = 0;
    for (auto& count : reportsSent) count = 0;
    for (auto& count : usmFailures) count = 0;
}

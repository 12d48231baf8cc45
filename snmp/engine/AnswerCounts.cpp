#include "snmp/engine/AnswerCounts.h"

namespace {

std::size_t IndexOf(ReportKind kind) { return std::size_t(kind) - 1; }

}  // namespace

void AnswerCounts::CountReportSent(ReportKind kind) {
    reportsSent_[IndexOf(kind)].fetch_add(1, std::memory_order_relaxed);
}

uint32_t AnswerCounts::CountUsmFailure(ReportKind kind) {
    return usmFailures_[IndexOf(kind)].fetch_add(1, std::memory_order_relaxed) + 1;
}

AnswerCountsSnapshot AnswerCounts::Snapshot() const {
    AnswerCountsSnapshot snapshot;
    snapshot.informsAnswered = informsAnswered_.load(std::memory_order_relaxed);
    snapshot.repeats = repeats_.load(std::memory_order_relaxed);
    snapshot.unsent = unsent_.load(std::memory_order_relaxed);
    for (std::size_t i = 0; i < reportsSent_.size(); ++i)
        snapshot.reportsSent[i] = reportsSent_[i].load();
    return snapshot;
}

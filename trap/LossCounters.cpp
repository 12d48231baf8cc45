#include "trap/LossCounters.h"

#include <array>
#include <atomic>

namespace {
std::array<std::atomic<uint64_t>, kLossKindCount> losses{};

std::atomic<uint64_t>& Slot(LossKind kind) { return losses[static_cast<int>(kind)]; }
}  // namespace

void CountLoss(LossKind kind, uint64_t count) {
    Slot(kind).fetch_add(count, std::memory_order_relaxed);
}

void SetLoss(LossKind kind, uint64_t total) { Slot(kind).store(total, std::memory_order_relaxed); }

uint64_t ReadLoss(LossKind kind) { return Slot(kind).load(std::memory_order_relaxed); }

void ResetLosses() {
    for (std::atomic<uint64_t>& count : losses) count.store(0, std::memory_order_relaxed);
}

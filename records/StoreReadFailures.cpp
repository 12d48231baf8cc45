#include "records/StoreReadFailures.h"

#include <array>
#include <atomic>

namespace {

struct StoreState {
    std::atomic<uint64_t> failures{0};
    std::atomic<bool> failing{false};
};

std::array<StoreState, kStoreKindCount> stores;

StoreState& Of(StoreKind kind) { return stores[static_cast<int>(kind)]; }

}  // namespace

void CountStoreReadFailure(StoreKind kind) {
    Of(kind).failures.fetch_add(1, std::memory_order_relaxed);
    Of(kind).failing.store(true, std::memory_order_relaxed);
}

void StoreReadAgain(StoreKind kind) { Of(kind).failing.store(false, std::memory_order_relaxed); }

bool StoreReadFailing(StoreKind kind) { return Of(kind).failing.load(std::memory_order_relaxed); }

uint64_t StoreReadFailures(StoreKind kind) {
    return Of(kind).failures.load(std::memory_order_relaxed);
}

void ResetStoreReadFailures() {
    for (StoreState& state : stores) {
        state.failures.store(0, std::memory_order_relaxed);
        state.failing.store(false, std::memory_order_relaxed);
    }
}

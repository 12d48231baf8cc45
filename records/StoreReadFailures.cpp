#include "records/StoreReadFailures.h"

void StoreReadFailures::CountFailure(StoreKind kind) {
    Of(kind).failures.fetch_add(1, std::memory_order_relaxed);
    Of(kind).failing.store(true, std::memory_order_relaxed);
}

void StoreReadFailures::ReadAgain(StoreKind kind) {
    Of(kind).failing.store(false, std::memory_order_relaxed);
}

bool StoreReadFailures::Failing(StoreKind kind) const {
    return Of(kind).failing.load(std::memory_order_relaxed);
}

uint64_t StoreReadFailures::Failures(StoreKind kind) const {
    return Of(kind).failures.load(std::memory_order_relaxed);
}

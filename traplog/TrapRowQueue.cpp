#include "traplog/TrapRowQueue.h"

#include <ctime>

#include "trap/LossCounters.h"
#include "traplog/TrapRowTexts.h"

namespace {

std::size_t BytesOf(const TrapRow& row) { return sizeof row + row.texts.capacity(); }

}  // namespace

TrapRow ReceivedTrapRow(const TrapRecord& record, std::string_view message, bool inform) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return PackTrapRow(BuildTrapRowTexts(record, message, local, inform));
}

// False when the queue has no room for row.
bool TrapRowQueue::Queue(TrapRow& row) {
    const std::size_t bytes = BytesOf(row);
    if (bytes_ + bytes > kMaxQueuedRowBytes) return false;
    bytes_ += bytes;
    rows_.push_back(std::move(row));
    return true;
}

int TrapRowQueue::QueueReceivedTrapRow(const TrapRecord& record, std::string_view message,
                                       bool inform) {
    TrapRow row = ReceivedTrapRow(record, message, inform);
    {
        std::lock_guard lock(mutex_);
        if (Queue(row)) return 0;
    }
    losses_.Count(LossKind::kRowsRemoved);
    return 1;
}

void TrapRowQueue::QueueHeldTrapRows(HeldTrapRows& held) {
    if (held.empty()) return;
    uint32_t refused = 0;
    {
        std::lock_guard lock(mutex_);
        for (TrapRow& row : held) refused += Queue(row) ? 0 : 1;
    }
    held.clear();
    if (refused > 0) losses_.Count(LossKind::kRowsRemoved, refused);
}

std::vector<TrapRow> TrapRowQueue::TakeQueuedRows() {
    std::vector<TrapRow> taken;
    std::lock_guard lock(mutex_);
    taken.swap(rows_);
    bytes_ = 0;
    return taken;
}

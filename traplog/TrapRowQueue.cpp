#include "traplog/TrapRowQueue.h"

#include <ctime>
#include <mutex>

#include "trap/LossCounters.h"
#include "traplog/TrapRowTexts.h"

namespace {

std::mutex queueMutex;
std::vector<TrapRow> queuedRows;
std::size_t queuedBytes = 0;

// The rows a thread holds back to queue them together (see HoldTrapRows).
struct HeldRows {
    bool holding = false;
    std::vector<TrapRow> rows;
};
thread_local HeldRows heldRows;

std::size_t BytesOf(const TrapRow& row) { return sizeof row + row.texts.capacity(); }

// With the lock held: false when the queue has no room for row.
bool Queue(TrapRow& row) {
    const std::size_t bytes = BytesOf(row);
    if (queuedBytes + bytes > kMaxQueuedRowBytes) return false;
    queuedBytes += bytes;
    queuedRows.push_back(std::move(row));
    return true;
}

}  // namespace

int QueueReceivedTrapRow(const TrapRecord& record, std::string_view message, LossCounters& losses,
                         bool inform) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    TrapRow row = PackTrapRow(BuildTrapRowTexts(record, message, local, inform));
    if (heldRows.holding) {
        heldRows.rows.push_back(std::move(row));
        return 0;
    }
    {
        std::lock_guard lock(queueMutex);
        if (Queue(row)) return 0;
    }
    losses.Count(LossKind::kRowsRemoved);
    return 1;
}

void HoldTrapRows(bool hold, LossCounters& losses) {
    QueueHeldTrapRows(losses);
    heldRows.holding = hold;
}

void QueueHeldTrapRows(LossCounters& losses) {
    if (heldRows.rows.empty()) return;
    uint32_t refused = 0;
    {
        std::lock_guard lock(queueMutex);
        for (TrapRow& row : heldRows.rows) refused += Queue(row) ? 0 : 1;
    }
    heldRows.rows.clear();
    if (refused > 0) losses.Count(LossKind::kRowsRemoved, refused);
}

std::vector<TrapRow> TakeQueuedRows() {
    std::vector<TrapRow> taken;
    std::lock_guard lock(queueMutex);
    taken.swap(queuedRows);
    queuedBytes = 0;
    return taken;
}

#include "traplog/TrapRowQueue.h"

#include <ctime>
#include <mutex>

#include "reception/LossCounters.h"
#include "traplog/TrapRowTexts.h"

namespace {

std::mutex queueMutex;
std::vector<TrapRow> queuedRows;
std::size_t queuedBytes = 0;

std::size_t BytesOf(const TrapRow& row) { return sizeof row + row.texts.capacity(); }

}  // namespace

int QueueReceivedTrapRow(const TrapRecord& record, std::string_view message, bool inform) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    TrapRow row = PackTrapRow(BuildTrapRowTexts(record, message, local, inform));
    const std::size_t bytes = BytesOf(row);
    {
        std::lock_guard lock(queueMutex);
        if (queuedBytes + bytes <= kMaxQueuedRowBytes) {
            queuedBytes += bytes;
            queuedRows.push_back(std::move(row));
            return 0;
        }
    }
    CountLoss(LossKind::kRowsRemoved);
    return 1;
}

std::vector<TrapRow> TakeQueuedRows() {
    std::vector<TrapRow> taken;
    std::lock_guard lock(queueMutex);
    taken.swap(queuedRows);
    queuedBytes = 0;
    return taken;
}

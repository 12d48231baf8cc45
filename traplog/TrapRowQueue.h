#pragma once
// The rows of received traps on their way from the receiver thread to the trap list. The
// receiver queues each row and goes on at once; the user interface thread takes all of
// them a few tens of times a second and inserts them in one batch, in arrival order.

#include <cstddef>
#include <mutex>
#include <string_view>
#include <vector>

#include "traplog/TrapRow.h"

// What the queue may hold while the user interface thread does not take it (a long
// export, a stalled display): about three seconds of rows at 50,000 traps a second.
// A row beyond it is not queued and is counted as a loss (LossKind::kRowsRemoved).
inline constexpr std::size_t kMaxQueuedRowBytes = std::size_t{64} << 20;

class LossCounters;
struct TrapRecord;

// The list row of a trap received now, with its one-line message (inform: it came as an
// InformRequest).
TrapRow ReceivedTrapRow(const TrapRecord& record, std::string_view message, bool inform = false);

// The rows a batch of traps holds back, to queue them under one lock (QueueHeldTrapRows).
using HeldTrapRows = std::vector<TrapRow>;

class TrapRowQueue {
public:
    // Rows the queue has no room for are counted in losses.
    explicit TrapRowQueue(LossCounters& losses) : losses_(losses) {}
    TrapRowQueue(const TrapRowQueue&) = delete;
    TrapRowQueue& operator=(const TrapRowQueue&) = delete;

    // Queues the ReceivedTrapRow of record: 0 queued, 1 not queued (the queue is full;
    // counted as a loss).
    [[nodiscard]] int QueueReceivedTrapRow(const TrapRecord& record, std::string_view message,
                                           bool inform = false);

    // Queues the rows of held under one lock, in order, each counted as a loss when the
    // queue has no room: the receiver thread queues each batch of traps this way. held is
    // left empty.
    void QueueHeldTrapRows(HeldTrapRows& held);

    // Every row queued so far, oldest first; the queue is left empty.
    std::vector<TrapRow> TakeQueuedRows();

private:
    bool Queue(TrapRow& row);  // with mutex_ held

    LossCounters& losses_;
    std::mutex mutex_;
    std::vector<TrapRow> rows_;
    std::size_t bytes_ = 0;
};

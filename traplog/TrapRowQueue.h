#pragma once
// The rows of received traps on their way from the receiver thread to the trap list. The
// receiver queues each row and goes on at once; the user interface thread takes all of
// them a few tens of times a second and inserts them in one batch, in arrival order.

#include <cstddef>
#include <string_view>
#include <vector>

#include "traplog/TrapRow.h"

// What the queue may hold while the user interface thread does not take it (a long
// export, a stalled display): about three seconds of rows at 50,000 traps a second.
// A row beyond it is not queued and is counted as a loss (LossKind::kRowsRemoved).
inline constexpr std::size_t kMaxQueuedRowBytes = std::size_t{64} << 20;

class LossCounters;
struct TrapRecord;

// Queues the list row of a trap received now, with its one-line message (inform: it came as
// an InformRequest): 0 queued (or held, see HoldTrapRows), 1 not queued (the queue is
// full; counted as a loss in losses).
[[nodiscard]] int QueueReceivedTrapRow(const TrapRecord& record, std::string_view message,
                                       LossCounters& losses, bool inform = false);

// While the calling thread holds its rows, QueueReceivedTrapRow keeps them, and
// QueueHeldTrapRows queues all of them under one lock, each counted as a loss when the
// queue has no room: the receiver thread queues each batch of traps this way. A thread
// that stops holding queues what it held first.
void HoldTrapRows(bool hold, LossCounters& losses);
void QueueHeldTrapRows(LossCounters& losses);

// Every row queued so far, oldest first; the queue is left empty.
std::vector<TrapRow> TakeQueuedRows();

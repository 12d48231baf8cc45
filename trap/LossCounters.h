#pragma once
// Traps that reached the machine but were lost or cut short on their way through the
// program: the user must be able to see that something was missed. Each count is shown in
// the main window's status bar while it is above zero. Counted on any thread, read on the
// user interface thread's tick.

#include <cstdint>

enum class LossKind : int {
    kKernelDrops,      // datagrams the kernel dropped before the receiver read them
    kMailsDropped,     // notification mails that did not fit the send queue
    kRowsRemoved,      // oldest trap list rows removed at the list's ceiling
    kProgramsSkipped,  // program starts skipped while the most programs ran
    kLogLinesLost,     // trap log lines that could not be written whole (a full disk)
    kForwardDropped,   // traps a forwarding destination's full queue could not take
};
inline constexpr int kLossKindCount = 6;

void CountLoss(LossKind kind, uint64_t count = 1);
// For counts the kernel keeps itself: the latest total replaces the stored one.
void SetLoss(LossKind kind, uint64_t total);
uint64_t ReadLoss(LossKind kind);
// Zeroes every count (tests).
void ResetLosses();

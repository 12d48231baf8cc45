#pragma once
// Traps that reached the machine but were lost or cut short on their way through the
// program: the user must be able to see that something was missed. Each count is shown in
// the main window's status bar while it is above zero. Counted on any thread, read on the
// user interface thread's tick.

#include <array>
#include <atomic>
#include <cstdint>

enum class LossKind : int {
    kKernelDrops,      // datagrams the kernel dropped before the receiver read them
    kMailsDropped,     // notification mails that did not fit the send queue
    kRowsRemoved,      // oldest trap list rows removed at the list's ceiling
    kProgramsSkipped,  // program starts skipped while the most programs ran
    kLogLinesLost,     // trap log lines that could not be written whole (a full disk)
    kForwardDropped,   // traps a forwarding destination's full queue could not take
    kAlarmsDropped,    // alarm changes the alarm store's full queue could not take, and
                       // traps that found the alarm table full
};
inline constexpr int kLossKindCount = 7;

class LossCounters {
public:
    void Count(LossKind kind, uint64_t count = 1) {
        Slot(kind).fetch_add(count, std::memory_order_relaxed);
    }
    // For counts the kernel keeps itself: the latest total replaces the stored one.
    void Set(LossKind kind, uint64_t total) { Slot(kind).store(total, std::memory_order_relaxed); }
    uint64_t Read(LossKind kind) const { return Slot(kind).load(std::memory_order_relaxed); }

private:
    std::atomic<uint64_t>& Slot(LossKind kind) { return counts_[static_cast<int>(kind)]; }
    const std::atomic<uint64_t>& Slot(LossKind kind) const {
        return counts_[static_cast<int>(kind)];
    }

    std::array<std::atomic<uint64_t>, kLossKindCount> counts_{};
};

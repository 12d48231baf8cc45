#include "reception/PacketCounters.h"

#include <atomic>
#include <bit>

#include "reception/WindowPorts.h"

namespace {

constexpr int kFirstGenericSlot = 8;

// Counted on the receiver thread, reset and copied on the user interface thread. No lock
// is held while a field is shown: showing waits for the user interface thread, which may
// itself be resetting.
std::array<std::atomic<uint32_t>, kCounterCount> counterBlock{};

void Show(int slot, uint32_t value) {
    if (ServiceWindows* windows = GetServiceWindows()) windows->ShowCounter(kCounterFieldIds[slot], value);
}

void Increment(int slot) { Show(slot, counterBlock[slot].fetch_add(1) + 1); }

}  // namespace

void CountPacket(int kind) {
    Increment(0);
    if (kind >= kPacketV1 && kind <= kPacketFilteredOut) Increment(kind);
}

void CountGenericTrap(int genericTrap) {
    if (genericTrap >= 0 && genericTrap <= 7) Increment(kFirstGenericSlot + genericTrap);
}

void ResetCounters() {
    for (int slot = 0; slot < kCounterCount; ++slot) {
        counterBlock[slot].store(0);
        Show(slot, 0);
    }
}

PacketCounters SnapshotCounters() {
    std::array<uint32_t, kCounterCount> copy{};
    for (int slot = 0; slot < kCounterCount; ++slot) copy[slot] = counterBlock[slot].load();
    return std::bit_cast<PacketCounters>(copy);
}

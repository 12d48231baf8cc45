#include "trap/PacketCounters.h"

#include <atomic>
#include <bit>

#include "trap/TrapRecord.h"

namespace {

constexpr int kFirstGenericSlot = 8;

// Counted on the receiver thread; reset, copied and shown on the user interface thread's
// tick, so counting never waits for the windows.
std::array<std::atomic<uint32_t>, kCounterCount> counterBlock{};

void Increment(int slot) { counterBlock[slot].fetch_add(1); }

}  // namespace

void CountPacket(int kind) {
    Increment(0);
    if (kind >= kPacketV1 && kind <= kPacketFilteredOut) Increment(kind);
}

void CountGenericTrap(int genericTrap) {
    if (genericTrap >= 0 && genericTrap <= 7) Increment(kFirstGenericSlot + genericTrap);
}

int PacketKindOfVersion(int32_t version) {
    switch (version) {
    case kSnmpV1: return kPacketV1;
    case kSnmpV2c: return kPacketV2c;
    case kSnmpV3: return kPacketV3;
    default: return 0;
    }
}

void ResetCounters() {
    for (std::atomic<uint32_t>& counter : counterBlock) counter.store(0);
}

PacketCounters SnapshotCounters() {
    std::array<uint32_t, kCounterCount> copy{};
    for (int slot = 0; slot < kCounterCount; ++slot) copy[slot] = counterBlock[slot].load();
    return std::bit_cast<PacketCounters>(copy);
}

#include "trap/PacketCounters.h"

#include <bit>

#include "trap/TrapRecord.h"

namespace {

constexpr int kFirstGenericSlot = 8;

}  // namespace

void PacketCounters::CountPacket(int kind) {
    block_[0].fetch_add(1);
    if (kind >= kPacketV1 && kind <= kPacketFilteredOut) block_[kind].fetch_add(1);
}

void PacketCounters::CountGenericTrap(int genericTrap) {
    if (genericTrap >= 0 && genericTrap <= 7) block_[kFirstGenericSlot + genericTrap].fetch_add(1);
}

int PacketKindOfVersion(int32_t version) {
    switch (version) {
    case kSnmpV1: return kPacketV1;
    case kSnmpV2c: return kPacketV2c;
    case kSnmpV3: return kPacketV3;
    default: return 0;
    }
}

void PacketCounters::Reset() {
    for (std::atomic<uint32_t>& counter : block_) counter.store(0);
}

PacketCountBlock PacketCounters::Snapshot() const {
    std::array<uint32_t, kCounterCount> copy{};
    for (int slot = 0; slot < kCounterCount; ++slot) copy[slot] = block_[slot].load();
    return std::bit_cast<PacketCountBlock>(copy);
}

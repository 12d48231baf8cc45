#pragma once
// The sixteen packet counters of the receiver: atomic values that the counter view shows
// on its tick and the exports copy.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

// Block order is fixed: the exports write the counters in this order.
struct PacketCountBlock {
    uint32_t allPackets;
    uint32_t snmpV1Packets;
    uint32_t snmpV2cPackets;
    uint32_t snmpV3Packets;
    uint32_t authFailures;
    uint32_t decryptFailures;
    uint32_t decodeErrors;
    uint32_t filteredOut;
    std::array<uint32_t, 8> genericTrapCounts;  // by genericTrap 0-7
};

// The counter view and the exports show the counters in two groups: the packet counters
// with their labels, the trap types with their event pictures.
enum class CounterGroup { kPackets, kTrapTypes };

// One counter as every reader of the block sees it.
struct PacketCounterEntry {
    std::size_t offset;  // of its field in PacketCountBlock
    CounterGroup group;
    int fieldId;              // its number's control id in the counter view
    const char* viewLabel;    // the counter view's label (trap types show their picture)
    const char* exportLabel;  // its row (HTML) or column (CSV) name in the exports
    constexpr std::size_t Slot() const { return offset / sizeof(uint32_t); }
};

constexpr std::size_t TrapTypeOffset(int genericTrap) {
    return offsetof(PacketCountBlock, genericTrapCounts) +
           static_cast<std::size_t>(genericTrap) * sizeof(uint32_t);
}

// In block order. A new counter is a field above and its entry here; the view and the
// exports place it by its group.
inline constexpr auto kPacketCounterTable = std::to_array<PacketCounterEntry>({
    {offsetof(PacketCountBlock, allPackets), CounterGroup::kPackets, 1000, "Total Recv Packets",
     "Total Recv Packts"},
    {offsetof(PacketCountBlock, snmpV1Packets), CounterGroup::kPackets, 1001, "SnmpV1 Trap",
     "SnmpV1 Trap"},
    {offsetof(PacketCountBlock, snmpV2cPackets), CounterGroup::kPackets, 1002, "SnmpV2 Trap",
     "SnmpV2 Trap"},
    {offsetof(PacketCountBlock, snmpV3Packets), CounterGroup::kPackets, 1003, "SnmpV3 Trap",
     "SnmpV3 Trap"},
    {offsetof(PacketCountBlock, authFailures), CounterGroup::kPackets, 1004, "AuthFail Packets",
     "AuthFail Packts"},
    {offsetof(PacketCountBlock, decryptFailures), CounterGroup::kPackets, 1015, "DecFail Packets",
     "DecFail Packts"},
    {offsetof(PacketCountBlock, decodeErrors), CounterGroup::kPackets, 1005, "Error Packets",
     "Error Packts"},
    {offsetof(PacketCountBlock, filteredOut), CounterGroup::kPackets, 1006, "Drop Packets",
     "Drop Packts"},
    {TrapTypeOffset(0), CounterGroup::kTrapTypes, 1007, "Cold Start", "Cold Start"},
    {TrapTypeOffset(1), CounterGroup::kTrapTypes, 1008, "Warm Start", "Warm Start"},
    {TrapTypeOffset(2), CounterGroup::kTrapTypes, 1009, "Link Down", "Link Down"},
    {TrapTypeOffset(3), CounterGroup::kTrapTypes, 1010, "Link Up", "Link Up"},
    {TrapTypeOffset(4), CounterGroup::kTrapTypes, 1011, "Auth Failure", "Auth Failure"},
    {TrapTypeOffset(5), CounterGroup::kTrapTypes, 1012, "Egp Neighbor Loss", "Egp Neighbor Loss"},
    {TrapTypeOffset(6), CounterGroup::kTrapTypes, 1013, "Enterprise Specific",
     "Enterprise Specific"},
    {TrapTypeOffset(7), CounterGroup::kTrapTypes, 1014, "Other", "Other"},
});

inline constexpr int kCounterCount = static_cast<int>(kPacketCounterTable.size());
static_assert(sizeof(PacketCountBlock) == kCounterCount * sizeof(uint32_t),
              "every field of the block has its entry");
static_assert(
    [] {
        for (std::size_t slot = 0; slot < kPacketCounterTable.size(); ++slot)
            if (kPacketCounterTable[slot].Slot() != slot) return false;
        return true;
    }(),
    "the table is in block order");

// Field id of each counter in the counter view, in block order.
inline constexpr std::array<int, kCounterCount> kCounterFieldIds = [] {
    std::array<int, kCounterCount> ids{};
    for (std::size_t slot = 0; slot < ids.size(); ++slot)
        ids[slot] = kPacketCounterTable[slot].fieldId;
    return ids;
}();

// Kinds of CountPacket.
enum PacketKind : int {
    kPacketOnlyAll = 0,  // in allPackets alone
    kPacketV1 = 1,
    kPacketV2c = 2,
    kPacketV3 = 3,
    kPacketAuthFailure = 4,
    kPacketDecryptFailure = 5,
    kPacketDecodeError = 6,
    kPacketFilteredOut = 7,
};

// Counted on the receiver thread; reset, copied and shown on the user interface thread's
// tick, so counting never waits for the windows.
class PacketCounters {
public:
    // Counts one datagram in allPackets and then in the counter of kind (1-7); any other
    // kind counts in allPackets only.
    void CountPacket(int kind);

    // Counts one accepted trap of generic number 0-7; other numbers change nothing.
    void CountGenericTrap(int genericTrap);

    // Zeroes the block (the counter view's reset).
    void Reset();

    // A copy of the block.
    PacketCountBlock Snapshot() const;

private:
    std::array<std::atomic<uint32_t>, kCounterCount> block_{};
};

// The kind an accepted trap of version (kSnmpV1, kSnmpV2c, kSnmpV3) is counted as; 0,
// counted in allPackets only, for any other.
int PacketKindOfVersion(int32_t version);

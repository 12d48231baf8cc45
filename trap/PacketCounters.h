#pragma once
// The sixteen packet counters of the receiver: atomic values that the counter view shows
// on its tick and the exports copy.

#include <array>
#include <cstdint>

// Block order is fixed: the exports write the counters in this order.
struct PacketCounters {
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
static_assert(sizeof(PacketCounters) == 16 * sizeof(uint32_t));

inline constexpr int kCounterCount = 16;

// Field id of each counter in the counter view, in block order.
inline constexpr std::array<int, kCounterCount> kCounterFieldIds = {
    1000, 1001, 1002, 1003, 1004, 1015, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1014};

// Kinds of CountPacket.
enum PacketKind : int {
    kPacketV1 = 1,
    kPacketV2c = 2,
    kPacketV3 = 3,
    kPacketAuthFailure = 4,
    kPacketDecryptFailure = 5,
    kPacketDecodeError = 6,
    kPacketFilteredOut = 7,
};

// Counts one datagram in allPackets and then in the counter of kind (1-7); any other
// kind counts in allPackets only.
void CountPacket(int kind);

// Counts one accepted trap of generic number 0-7; other numbers change nothing.
void CountGenericTrap(int genericTrap);

// The kind an accepted trap of version (kSnmpV1, kSnmpV2c, kSnmpV3) is counted as; 0,
// counted in allPackets only, for any other.
int PacketKindOfVersion(int32_t version);

// Zeroes the block.
void ResetCounters();

// A copy of the block.
PacketCounters SnapshotCounters();

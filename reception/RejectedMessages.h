#pragma once
// The most recent datagrams that were not received, and why: kept in memory only, for the
// window of rejected messages. The receiver records one in constant time without
// allocating; the window copies what is new under a short lock on its tick.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

enum class RejectReason : uint8_t {
    kMalformed,  // offset: where decoding stopped
    kTooLarge,   // longer than the receive buffer; length is its real length
    kUnknownUser,
    kLevelNotAllowed,
    kAuthFailure,
    kDecryptFailure,
    kNotATrap,         // an inform, a request or a response
    kFiltered,         // decoded, but refused by the reception filter
    kDiscovery,        // an SNMPv3 probe for our engine ID whose report could not be sent
    kNotInTimeWindow,  // an SNMPv3 inform with other boots or a time too far from ours
    kNewEngineLimit,   // one more engine's key would exceed the localizations per second
};
inline constexpr int kRejectReasonCount = 11;

// The packet counter (a PacketKind) that a datagram rejected for reason adds to, besides
// the count of all packets: the counter view's categories, which are coarser than the reasons.
int PacketKindOf(RejectReason reason);

// What a rule needs to let a trap the reception filter refused in: its enterprise with the
// generic and specific numbers, and for SNMPv2c and SNMPv3 the notification's OID.
struct RefusedTrap {
    std::string_view enterprise;
    std::string_view trapOid;
    int32_t genericTrap = 0;
    int32_t specificTrap = 0;
};

struct RejectedMessage {
    static constexpr std::size_t kHeadRoom = 64;  // octets kept of each datagram
    static constexpr std::size_t kUserNameRoom = 33;
    static constexpr std::size_t kOidRoom = 129;

    uint64_t sequence;  // 1 for the first recorded since start-up
    std::time_t receivedAt;
    std::array<uint8_t, 4> address;
    uint16_t port;
    int8_t version;  // 0, 1, 3, or -1 when it could not be read
    RejectReason reason;
    uint16_t offset;
    uint32_t length;     // octets of the datagram
    uint8_t headLength;  // octets in head
    std::array<uint8_t, kHeadRoom> head;
    std::array<char, kUserNameRoom> userName;  // SNMPv3, NUL-terminated, as received
    // kFiltered only, NUL-terminated; trapOid is empty for SNMPv1.
    std::array<char, kOidRoom> enterprise;
    std::array<char, kOidRoom> trapOid;
    int32_t genericTrap;
    int32_t specificTrap;

    std::span<const uint8_t> Head() const { return {head.data(), headLength}; }
};

// Where a datagram came from and its first octets as they arrived: decoding changes an
// SNMPv3 message in place, so they are taken before it.
struct ArrivedDatagram {
    std::array<uint8_t, 4> address;
    uint16_t port;
    uint32_t length;
    uint8_t headLength;
    std::array<uint8_t, RejectedMessage::kHeadRoom> head;

    // octets: what was read of it; realLength: its length on the wire.
    ArrivedDatagram(std::span<const uint8_t> octets, std::array<uint8_t, 4> from, uint16_t fromPort,
                    uint32_t realLength);
};

class RejectedMessages {
public:
    static constexpr std::size_t kCapacity = 1000;

    // Keeps the datagram, forgetting the oldest beyond kCapacity, and counts its reason.
    void Record(const ArrivedDatagram& datagram, RejectReason reason, int8_t version,
                uint16_t offset, std::string_view userName, const RefusedTrap& refused = {});

    // Sequence number of the newest recorded; cheap, for a tick that finds nothing new.
    uint64_t LastSequence() const { return last_.load(std::memory_order_acquire); }
    // Appends the entries kept whose sequence is above after, oldest first.
    void CopySince(uint64_t after, std::vector<RejectedMessage>& out) const;
    // Datagrams recorded for each reason since start-up, by RejectReason.
    std::array<uint64_t, kRejectReasonCount> Counts() const;

    // Forgets the entries kept; the counts stay.
    void Clear();

private:
    mutable std::mutex mutex_;
    std::array<RejectedMessage, kCapacity> ring_{};
    uint64_t recorded_ = 0;     // sequence of the newest
    uint64_t clearedUpTo_ = 0;  // entries up to this sequence are forgotten
    std::array<uint64_t, kRejectReasonCount> counts_{};
    std::atomic<uint64_t> last_{0};
};

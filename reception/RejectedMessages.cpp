#include "reception/RejectedMessages.h"

#include <algorithm>

#include "trap/PacketCounters.h"

namespace {

template <std::size_t N>
void CopyText(std::string_view text, std::array<char, N>& to) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), length, to.begin());
    to[length] = '\0';
}

}  // namespace

int PacketKindOf(RejectReason reason) {
    switch (reason) {
    case RejectReason::kUnknownUser:
    case RejectReason::kDecryptFailure: return kPacketDecryptFailure;
    case RejectReason::kLevelNotAllowed:
    case RejectReason::kAuthFailure:
    case RejectReason::kNotInTimeWindow:
    case RejectReason::kNewEngineLimit: return kPacketAuthFailure;
    case RejectReason::kFiltered: return kPacketFilteredOut;
    case RejectReason::kMalformed:
    case RejectReason::kTooLarge:
    case RejectReason::kNotATrap:
    case RejectReason::kDiscovery: break;
    }
    return kPacketDecodeError;
}

ArrivedDatagram::ArrivedDatagram(std::span<const uint8_t> octets, std::array<uint8_t, 4> from,
                                 uint16_t fromPort, uint32_t realLength)
    : address(from), port(fromPort), length(realLength) {
    headLength = static_cast<uint8_t>(std::min(octets.size(), head.size()));
    std::copy_n(octets.begin(), headLength, head.begin());
}

void RejectedMessages::Record(const ArrivedDatagram& datagram, RejectReason reason, int8_t version,
                              uint16_t offset, std::string_view userName,
                              const RefusedTrap& refused) {
    const std::time_t now = std::time(nullptr);
    std::lock_guard lock(mutex_);
    const uint64_t sequence = ++recorded_;
    RejectedMessage& entry = ring_[(sequence - 1) % kCapacity];
    entry.sequence = sequence;
    entry.receivedAt = now;
    entry.address = datagram.address;
    entry.port = datagram.port;
    entry.version = version;
    entry.reason = reason;
    entry.offset = offset;
    entry.length = datagram.length;
    entry.headLength = datagram.headLength;
    entry.head = datagram.head;
    CopyText(userName, entry.userName);
    CopyText(refused.enterprise, entry.enterprise);
    CopyText(refused.trapOid, entry.trapOid);
    entry.genericTrap = refused.genericTrap;
    entry.specificTrap = refused.specificTrap;
    ++counts_[static_cast<std::size_t>(reason)];
    last_.store(sequence, std::memory_order_release);
}

void RejectedMessages::CopySince(uint64_t after, std::vector<RejectedMessage>& out) const {
    // Room first, so the receiver never waits for an allocation.
    out.reserve(out.size() + kCapacity);
    std::lock_guard lock(mutex_);
    const uint64_t first =
        std::max({after, clearedUpTo_, recorded_ > kCapacity ? recorded_ - kCapacity : 0}) + 1;
    for (uint64_t sequence = first; sequence <= recorded_; ++sequence)
        out.push_back(ring_[(sequence - 1) % kCapacity]);
}

std::array<uint64_t, kRejectReasonCount> RejectedMessages::Counts() const {
    std::lock_guard lock(mutex_);
    return counts_;
}

void RejectedMessages::Clear() {
    std::lock_guard lock(mutex_);
    clearedUpTo_ = recorded_;
}

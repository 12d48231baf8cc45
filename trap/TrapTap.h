#pragma once
// A listener that sees every decoded trap after the pipeline, with the datagram as it
// arrived (forwarding installs one). The receiver calls it on its own thread, so it must
// only copy what it needs and return. No listener: nothing is copied.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "trap/TrapRecord.h"

struct TappedDatagram {
    std::span<const uint8_t> octets;  // empty unless the listener wants them
    std::array<uint8_t, 4> sender;
    uint16_t senderPort;
};

class TrapTap {
public:
    virtual ~TrapTap() = default;
    // Whether the next trap's datagram is wanted as it came off the wire (decoding
    // changes an SNMPv3 datagram in place).
    virtual bool WantsOctets() const = 0;
    // received: the reception filter let the trap through.
    virtual void Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) = 0;
    // Whether octets are a datagram this listener sent out itself lately and that has come
    // back (receivers relaying to each other): the receiver then drops it before decoding.
    // Asked only when the listener wants octets.
    virtual bool CameBack(std::span<const uint8_t> octets) {
        (void)octets;
        return false;
    }
};

// The receiver's side, for one datagram: keeps its octets in kept (the receiver thread's
// one buffer) before decoding when the listener wants them, then hands it the trap. A null
// tap is no listener.
class TrapTapCall {
public:
    TrapTapCall(TrapTap* tap, std::vector<uint8_t>& kept, std::span<const uint8_t> datagram);
    void Pass(const TrapRecord& record, std::array<uint8_t, 4> sender, uint16_t senderPort,
              bool received);
    // Whether the listener sent this datagram out itself and it came back.
    bool CameBack() const { return tap_ != nullptr && !octets_.empty() && tap_->CameBack(octets_); }

private:
    TrapTap* tap_;
    std::span<const uint8_t> octets_;
};

// Several listeners behind the receiver's one tap (forwarding and alarms), in the order
// they were added; each is called for every trap. Listeners are added before reception
// starts and outlive the fan-out.
class TrapTapFanOut final : public TrapTap {
public:
    static constexpr int kMaxListeners = 4;

    // False when kMaxListeners are there already.
    [[nodiscard]] bool Add(TrapTap& listener);

    bool WantsOctets() const override;
    void Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) override;
    bool CameBack(std::span<const uint8_t> octets) override;

private:
    std::array<TrapTap*, kMaxListeners> listeners_{};
    int count_ = 0;
};

#pragma once
// The informs answered lately, so that a retransmission is answered again but processed once
// (RFC 3416 4.2.7 leaves the duplicate to the receiver). An inform is the same when it comes
// from the same address and port with the same request-id, and for SNMPv3 also the same
// msgID and engine, within kInformRepeatWindow. The memory is bounded: the oldest is
// forgotten first.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <span>
#include <unordered_set>

inline constexpr std::chrono::seconds kInformRepeatWindow{60};
inline constexpr std::size_t kInformMemorySize = 10000;

struct InformKey {
    std::array<uint8_t, 4> address{};
    uint16_t port = 0;
    int32_t requestId = 0;
    int32_t msgId = 0;
    uint64_t engineHash = 0;  // of the context engine ID, 0 for SNMPv2c

    bool operator==(const InformKey&) const = default;
};

InformKey MakeInformKey(std::array<uint8_t, 4> address, uint16_t port, int32_t requestId,
                        int32_t msgId, std::span<const uint8_t> engineId);

class InformMemory {
public:
    using Clock = std::chrono::steady_clock;

    // True when key was seen within the window; otherwise remembers it from now. Not for two
    // threads at once.
    bool Repeated(const InformKey& key, Clock::time_point now);
    std::size_t Size() const { return m_order.size(); }

private:
    struct Hash {
        std::size_t operator()(const InformKey& key) const;
    };
    struct Seen {
        InformKey key;
        Clock::time_point at;
    };
    void ForgetOld(Clock::time_point now);

    std::unordered_set<InformKey, Hash> m_keys;
    std::deque<Seen> m_order;  // oldest first
};

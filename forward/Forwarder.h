#pragma once
// The forwarding of the whole program: the destinations in force, each with its sender
// (DestinationSender.h), and the receiver's listener that captures each decoded trap once
// and offers it to every destination that wants it. The changes of the alarms come from a
// follower of their feed, on its own thread, to the destinations that take them.

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "forward/DestinationSender.h"
#include "forward/ForwardSettings.h"
#include "forward/RelayMemory.h"
#include "platform/BoundedLookup.h"
#include "trap/TrapTap.h"

inline constexpr std::chrono::milliseconds kForwardShutdownWait{2000};
// How long a relay's host name may take to resolve for the check of the own trap port.
inline constexpr std::chrono::milliseconds kOwnTrapPortLookupWait{2000};

class LossCounters;
class SettingsSource;

// The receiver's listener (the program object hands it to the receiver, which it outlives).
class Forwarder final : public TrapTap {
public:
    // The senders build their texts with the message formats of settings and count the
    // traps they drop in losses.
    Forwarder(const SettingsSource& settings, LossCounters& losses);
    // Ends every sender as ShutdownForwarding(0) would.
    ~Forwarder() override;
    Forwarder(const Forwarder&) = delete;
    Forwarder& operator=(const Forwarder&) = delete;

    // Puts settings in force: a destination whose settings did not change keeps its
    // sender, queue and counts; the senders of the others are given kForwardShutdownWait
    // for their queues, without waiting for them (ShutdownForwarding waits for what is
    // left of it). A relay to this program's own trap port gets no sender: its status
    // says kForwardOwnTrapPort.
    void ApplyForwardSettings(const ForwardSettings& settings);

    // Whether destination relays to one of this host's addresses at the trap port of the
    // settings (OwnAddress.h); its host name may take kOwnTrapPortLookupWait to resolve.
    bool RelaysToOwnTrapPort(const ForwardDestination& destination);

    ForwardSettings CurrentForwardSettings() const;

    // The status of destination index (0-7); all zero for a destination that has none, the
    // error alone for one that is not used.
    DestinationStatus ForwardDestinationStatus(int index) const;

    // Waits at most wait until every queue is empty (tests).
    bool DrainForwarding(std::chrono::milliseconds wait) const;

    // Ends every sender, each given at most wait for its queue at the same time, and waits
    // for what the senders that settings put out of force are still given; the listener
    // then offers traps to none. Returns whether every queue was delivered.
    bool ShutdownForwarding(std::chrono::milliseconds wait = kForwardShutdownWait);

    // The receiver's listener (receiver thread). A datagram that a relay sent in the last
    // kRelayMemoryWindow and that arrives again has come back: the receiver drops it, and
    // each relay in force counts it.
    bool WantsOctets() const override { return wantsOctets_.load(); }
    void Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) override;
    bool CameBack(std::span<const uint8_t> octets) override;

    // Whether a destination in force takes the changes of the alarms.
    bool TakesAlarmChanges() const { return takesAlarmChanges_.load(); }
    // Offers change to each such destination's queue; a full queue drops and counts it.
    void OfferAlarmChange(std::shared_ptr<const AlarmChangeFields> change);
    // Changes the follower never read (the feed had moved past them): counted as dropped by
    // each such destination.
    void CountAlarmChangesLost(uint64_t count);

private:
    using Senders = std::array<std::shared_ptr<DestinationSender>, kMaxForwardDestinations>;

    Senders TakeSenders() const;
    // Whether any destination relays the datagram as it came (under sendersMutex_).
    void ConfigureTap();
    std::shared_ptr<CapturedTrap> Capture(const TrapRecord& record,
                                          const TappedDatagram& datagram) const;

    const SettingsSource& settings_;
    LossCounters& losses_;
    mutable std::mutex sendersMutex_;  // guards what follows
    Senders senders_;
    ForwardSettings current_;
    std::array<bool, kMaxForwardDestinations> ownTrapPort_{};  // relays not used
    RelayMemory relayed_;
    // The ends of senders put out of force; none may outlive the settings they read.
    std::vector<std::future<bool>> retiring_;
    std::atomic<bool> wantsOctets_{false};
    std::atomic<bool> takesAlarmChanges_{false};
    LookupPool ownTrapPortLookups_;
};

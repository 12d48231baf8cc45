#include "forward/Forwarder.h"

#include <algorithm>

#include "forward/CapturedTrap.h"
#include "forward/ForwardTransport.h"
#include "forward/OwnAddress.h"
#include "settings/ProgramFolder.h"
#include "settings/SettingsSource.h"

namespace {

// Ends senders, each with wait for its queue, all at once.
bool StopAll(std::vector<std::shared_ptr<DestinationSender>> ending,
             std::chrono::milliseconds wait) {
    std::vector<std::future<bool>> stops;
    for (auto& sender : ending)
        stops.push_back(
            std::async(std::launch::async, [sender, wait] { return sender->Stop(wait); }));
    bool delivered = true;
    for (auto& stop : stops) delivered = stop.get() && delivered;
    return delivered;
}

}  // namespace

Forwarder::Forwarder(const SettingsSource& settings, LossCounters& losses)
    : settings_(settings), losses_(losses) {}

Forwarder::~Forwarder() { ShutdownForwarding(std::chrono::milliseconds(0)); }

Forwarder::Senders Forwarder::TakeSenders() const {
    std::lock_guard lock(sendersMutex_);
    return senders_;
}

void Forwarder::ConfigureTap() {
    bool relay = false;
    bool alarms = false;
    for (const auto& sender : senders_) {
        relay = relay || (sender && sender->Destination().kind == ForwardKind::kSnmp);
        alarms = alarms || (sender && ::TakesAlarmChanges(sender->Destination()));
    }
    wantsOctets_.store(relay);
    takesAlarmChanges_.store(alarms);
}

bool Forwarder::CameBack(std::span<const uint8_t> octets) {
    const uint64_t digest = relayed_.DigestOf(octets);
    std::lock_guard lock(sendersMutex_);
    if (!relayed_.Recent(digest, RelayMemory::Clock::now())) return false;
    for (const auto& sender : senders_)
        if (sender && sender->Destination().kind == ForwardKind::kSnmp) sender->CountLoopStopped();
    return true;
}

void Forwarder::Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) {
    // The datagram is kept only while a relay is in force; one that came back never gets
    // here (CameBack).
    const bool kept = !datagram.octets.empty();
    const uint64_t digest = kept ? relayed_.DigestOf(datagram.octets) : 0;
    std::shared_ptr<CapturedTrap> trap;
    std::lock_guard lock(sendersMutex_);
    bool relayed = false;
    for (const auto& sender : senders_) {
        if (!sender || !TakesTraps(sender->Destination()) ||
            (sender->Destination().filteredOnly && !received))
            continue;
        if (!trap) trap = Capture(record, datagram);
        sender->Offer(trap);
        relayed = relayed || (sender->Destination().kind == ForwardKind::kSnmp && kept);
    }
    if (relayed) relayed_.Remember(digest, RelayMemory::Clock::now());
}

void Forwarder::OfferAlarmChange(std::shared_ptr<const AlarmChangeFields> change) {
    std::lock_guard lock(sendersMutex_);
    for (const auto& sender : senders_)
        if (sender && ::TakesAlarmChanges(sender->Destination()))
            static_cast<void>(sender->Offer(change));
}

void Forwarder::CountAlarmChangesLost(uint64_t count) {
    std::lock_guard lock(sendersMutex_);
    for (const auto& sender : senders_)
        if (sender && ::TakesAlarmChanges(sender->Destination())) sender->CountLost(count);
}

std::shared_ptr<CapturedTrap> Forwarder::Capture(const TrapRecord& record,
                                                 const TappedDatagram& datagram) const {
    auto trap = std::make_shared<CapturedTrap>();
    trap->received = std::chrono::system_clock::now();
    trap->sourcePort = datagram.senderPort;
    trap->packedRecord = PackTrapRecord(record);
    if (wantsOctets_.load()) trap->datagram.assign(datagram.octets.begin(), datagram.octets.end());
    return trap;
}

bool Forwarder::RelaysToOwnTrapPort(const ForwardDestination& destination) {
    return destination.kind == ForwardKind::kSnmp &&
           IsOwnTrapPort(destination.host, EffectivePort(destination),
                         settings_.Snapshot().trapPort, ownTrapPortLookups_,
                         kOwnTrapPortLookupWait);
}

void Forwarder::ApplyForwardSettings(const ForwardSettings& settings) {
    // Looked up before the lock, which the receiver thread takes for every trap.
    std::array<bool, kMaxForwardDestinations> own{};
    for (std::size_t i = 0; i < settings.size(); ++i) own[i] = RelaysToOwnTrapPort(settings[i]);
    std::vector<std::shared_ptr<DestinationSender>> ending;
    {
        std::lock_guard lock(sendersMutex_);
        const std::string folder = GetProgramFolder();
        for (std::size_t i = 0; i < senders_.size(); ++i) {
            if (senders_[i] && senders_[i]->Destination() == settings[i] && !own[i]) continue;
            if (senders_[i]) ending.push_back(std::move(senders_[i]));
            senders_[i].reset();
            if (settings[i].kind != ForwardKind::kNone && !own[i])
                senders_[i] =
                    std::make_shared<DestinationSender>(settings[i], folder, settings_, losses_);
        }
        current_ = settings;
        ownTrapPort_ = own;
        ConfigureTap();
        std::erase_if(retiring_, [](const std::future<bool>& end) {
            return end.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        if (!ending.empty())
            retiring_.push_back(std::async(std::launch::async, [ending = std::move(ending)] {
                return StopAll(ending, kForwardShutdownWait);
            }));
    }
}

ForwardSettings Forwarder::CurrentForwardSettings() const {
    std::lock_guard lock(sendersMutex_);
    return current_;
}

DestinationStatus Forwarder::ForwardDestinationStatus(int index) const {
    if (index < 0 || index >= kMaxForwardDestinations) return {};
    const auto i = static_cast<std::size_t>(index);
    std::shared_ptr<DestinationSender> sender;
    DestinationStatus status;
    {
        std::lock_guard lock(sendersMutex_);
        sender = senders_[i];
        if (ownTrapPort_[i]) status.error = kForwardOwnTrapPort;
    }
    return sender ? sender->Status() : status;
}

bool Forwarder::DrainForwarding(std::chrono::milliseconds wait) const {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool drained = true;
    for (const auto& sender : TakeSenders()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (sender)
            drained = sender->Drain(std::max(left, std::chrono::milliseconds(0))) && drained;
    }
    return drained;
}

bool Forwarder::ShutdownForwarding(std::chrono::milliseconds wait) {
    std::vector<std::shared_ptr<DestinationSender>> ending;
    std::vector<std::future<bool>> retiring;
    {
        std::lock_guard lock(sendersMutex_);
        for (auto& sender : senders_)
            if (sender) ending.push_back(std::move(sender));
        senders_ = {};
        current_ = {};
        ownTrapPort_ = {};
        ConfigureTap();
        retiring = std::move(retiring_);
        retiring_.clear();
    }
    const bool delivered = StopAll(std::move(ending), wait);
    for (auto& end : retiring) end.wait();
    return delivered;
}

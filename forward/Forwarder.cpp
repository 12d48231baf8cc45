#include "forward/Forwarder.h"

#include <array>
#include <future>
#include <memory>
#include <mutex>

#include "forward/CapturedTrap.h"
#include "settings/ProgramFolder.h"
#include "trap/TrapTap.h"

namespace {

using Senders = std::array<std::shared_ptr<DestinationSender>, kMaxForwardDestinations>;

std::mutex sendersMutex;
Senders senders;
ForwardSettings current;

Senders TakeSenders() {
    std::lock_guard lock(sendersMutex);
    return senders;
}

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

class ForwardingTap : public TrapTap {
public:
    bool WantsOctets() const override { return wantsOctets_.load(); }

    void Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) override {
        std::shared_ptr<CapturedTrap> trap;
        std::lock_guard lock(sendersMutex);
        for (const auto& sender : senders) {
            if (!sender || (sender->Destination().filteredOnly && !received)) continue;
            if (!trap) trap = Capture(record, datagram);
            sender->Offer(trap);
        }
    }

    void Configure(const Senders& in) {
        bool relay = false;
        for (const auto& sender : in)
            relay = relay || (sender && sender->Destination().kind == ForwardKind::kSnmp);
        wantsOctets_.store(relay);
    }

private:
    std::shared_ptr<CapturedTrap> Capture(const TrapRecord& record,
                                          const TappedDatagram& datagram) const {
        auto trap = std::make_shared<CapturedTrap>();
        trap->received = std::chrono::system_clock::now();
        trap->sourcePort = datagram.senderPort;
        trap->packedRecord = PackTrapRecord(record);
        if (wantsOctets_.load())
            trap->datagram.assign(datagram.octets.begin(), datagram.octets.end());
        return trap;
    }

    std::atomic<bool> wantsOctets_{false};
};

ForwardingTap tap;

}  // namespace

TrapTap& ForwardingTrapTap() { return tap; }

void ApplyForwardSettings(const ForwardSettings& settings, LossCounters& losses) {
    std::vector<std::shared_ptr<DestinationSender>> ending;
    {
        std::lock_guard lock(sendersMutex);
        const std::string folder = GetProgramFolder();
        for (std::size_t i = 0; i < senders.size(); ++i) {
            if (senders[i] && senders[i]->Destination() == settings[i]) continue;
            if (senders[i]) ending.push_back(std::move(senders[i]));
            senders[i].reset();
            if (settings[i].kind != ForwardKind::kNone)
                senders[i] = std::make_shared<DestinationSender>(settings[i], folder, losses);
        }
        current = settings;
        tap.Configure(senders);
    }
    if (!ending.empty())
        std::thread([ending = std::move(ending)]() mutable {
            StopAll(std::move(ending), kForwardShutdownWait);
        }).detach();
}

ForwardSettings CurrentForwardSettings() {
    std::lock_guard lock(sendersMutex);
    return current;
}

DestinationStatus ForwardDestinationStatus(int index) {
    if (index < 0 || index >= kMaxForwardDestinations) return {};
    const std::shared_ptr<DestinationSender> sender =
        TakeSenders()[static_cast<std::size_t>(index)];
    return sender ? sender->Status() : DestinationStatus{};
}

bool DrainForwarding(std::chrono::milliseconds wait) {
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

bool ShutdownForwarding(std::chrono::milliseconds wait) {
    std::vector<std::shared_ptr<DestinationSender>> ending;
    {
        std::lock_guard lock(sendersMutex);
        for (auto& sender : senders)
            if (sender) ending.push_back(std::move(sender));
        senders = {};
        current = {};
        tap.Configure(senders);
    }
    return StopAll(std::move(ending), wait);
}

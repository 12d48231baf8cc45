#include "trap/TrapTap.h"

#include <atomic>

namespace {

std::atomic<TrapTap*> installedTap{nullptr};

// The receiver thread's copy of the datagram; one thread receives at a time.
thread_local std::vector<uint8_t> keptOctets;

}  // namespace

void SetTrapTap(TrapTap* tap) { installedTap.store(tap); }

TrapTap* GetTrapTap() { return installedTap.load(); }

TrapTapCall::TrapTapCall(std::span<const uint8_t> datagram) : tap_(GetTrapTap()) {
    if (tap_ == nullptr || !tap_->WantsOctets()) return;
    keptOctets.assign(datagram.begin(), datagram.end());
    octets_ = keptOctets;
}

void TrapTapCall::Pass(const TrapRecord& record, std::array<uint8_t, 4> sender, uint16_t senderPort,
                       bool received) {
    if (tap_ != nullptr) tap_->Tap(record, TappedDatagram{octets_, sender, senderPort}, received);
}

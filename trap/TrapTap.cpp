#include "trap/TrapTap.h"

TrapTapCall::TrapTapCall(TrapTap* tap, std::vector<uint8_t>& kept,
                         std::span<const uint8_t> datagram)
    : tap_(tap) {
    if (tap_ == nullptr || !tap_->WantsOctets()) return;
    kept.assign(datagram.begin(), datagram.end());
    octets_ = kept;
}

void TrapTapCall::Pass(const TrapRecord& record, std::array<uint8_t, 4> sender, uint16_t senderPort,
                       bool received) {
    if (tap_ != nullptr) tap_->Tap(record, TappedDatagram{octets_, sender, senderPort}, received);
}

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

bool TrapTapFanOut::Add(TrapTap& listener) {
    if (count_ == kMaxListeners) return false;
    listeners_[count_++] = &listener;
    return true;
}

bool TrapTapFanOut::WantsOctets() const {
    for (int i = 0; i < count_; ++i)
        if (listeners_[i]->WantsOctets()) return true;
    return false;
}

bool TrapTapFanOut::CameBack(std::span<const uint8_t> octets) {
    for (int i = 0; i < count_; ++i)
        if (listeners_[i]->WantsOctets() && listeners_[i]->CameBack(octets)) return true;
    return false;
}

void TrapTapFanOut::Tap(const TrapRecord& record, const TappedDatagram& datagram, bool received) {
    for (int i = 0; i < count_; ++i) listeners_[i]->Tap(record, datagram, received);
}

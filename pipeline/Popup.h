#pragma once
// The pop-up action: the trap's expanded message in an always-on-top box that stays until
// the user closes it. At most five are on screen; a sixth request shows once that display
// is paused, and further requests are dropped until a box is closed.

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

inline constexpr int kPopupSlots = 5;
inline constexpr std::size_t kMaxPopupText = 511;  // bytes of CP932 a pop-up keeps

class MessageBoxPort;

class Popups {
public:
    // The boxes are shown through boxes, which outlives this object.
    explicit Popups(MessageBoxPort& boxes) : boxes_(boxes) {}

    // Shows text (CP932, cut to kMaxPopupText bytes at a character boundary) without
    // waiting. The close of each box frees its slot here, so the object outlives its boxes.
    void Show(std::string_view text);

private:
    MessageBoxPort& boxes_;
    // A slot is taken only by the receiver thread while it is free, and freed only by the
    // close of the box that holds it.
    std::array<std::atomic<int>, kPopupSlots> slots_{};
    std::atomic<int> pauseShown_{0};
};

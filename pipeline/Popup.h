#pragma once
// The pop-up action: the trap's expanded message in an always-on-top box that stays until
// the user closes it. At most five are on screen; a sixth request shows once that display
// is paused, and further requests are dropped until a box is closed.

#include <cstddef>
#include <string_view>

inline constexpr int kPopupSlots = 5;
inline constexpr std::size_t kMaxPopupText = 511;  // bytes of CP932 a pop-up keeps

// Shows text (CP932, cut to kMaxPopupText bytes at a character boundary) without waiting.
void ShowPopup(std::string_view text);

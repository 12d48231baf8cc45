#include "pipeline/Popup.h"

#include <array>
#include <atomic>

#include "platform/Encoding.h"
#include "platform/MessageBox.h"

namespace {

// A slot is taken only by the receiver thread while it is free, and freed only by the
// close of the box that holds it.
std::array<std::atomic<int>, kPopupSlots> popupSlots{};
std::atomic<int> popupPauseShown{0};

}  // namespace

void ShowPopup(std::string_view text) {
    for (std::atomic<int>& slot : popupSlots) {
        int expected = 0;
        if (!slot.compare_exchange_strong(expected, 1)) continue;
        ShowModelessBox(text.substr(0, Cp932PrefixLength(text, kMaxPopupText)),
                        MessageIcon::Information, [&slot] { slot.store(0); });
        return;
    }
    int expected = 0;
    if (popupPauseShown.compare_exchange_strong(expected, 1))
        ShowModelessBox(Utf8ToCp932("メッセージ表示を一時停止します。"), MessageIcon::Warning,
                        [] { popupPauseShown.store(0); });
}

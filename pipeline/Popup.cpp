#include "pipeline/Popup.h"

#include "platform/Encoding.h"
#include "platform/MessageBox.h"

void Popups::Show(std::string_view text) {
    for (std::atomic<int>& slot : slots_) {
        int expected = 0;
        if (!slot.compare_exchange_strong(expected, 1)) continue;
        ShowModelessBox(boxes_, text.substr(0, Cp932PrefixLength(text, kMaxPopupText)),
                        MessageIcon::Information, [&slot] { slot.store(0); });
        return;
    }
    int expected = 0;
    if (pauseShown_.compare_exchange_strong(expected, 1))
        ShowModelessBox(boxes_, Utf8ToCp932("メッセージ表示を一時停止します。"),
                        MessageIcon::Warning, [this] { pauseShown_.store(0); });
}

#include "pipeline/Popup.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"
#include "support/MessageBoxRecorder.h"

namespace {

TEST(Popup, FiveOnScreenThenOnePauseWarningThenDroppedUntilOneCloses) {
    MessageBoxRecorder boxes;
    Popups popups(boxes);
    for (int i = 1; i <= 7; ++i) popups.Show("trap " + std::to_string(i));

    auto shown = boxes.Recorded();
    ASSERT_EQ(shown.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(shown[i].text, "trap " + std::to_string(i + 1));
        EXPECT_EQ(shown[i].icon, MessageIcon::Information);
        EXPECT_EQ(shown[i].delivery, MessageDelivery::Modeless);
        EXPECT_TRUE(shown[i].alwaysOnTop);
        EXPECT_EQ(shown[i].caption, "Olix Trap Receiver - v3.03");
    }
    EXPECT_EQ(Cp932ToUtf8(shown[5].text), "メッセージ表示を一時停止します。");
    EXPECT_EQ(shown[5].icon, MessageIcon::Warning);

    // Closing every box frees the slots and the warning: pop-ups show again.
    EXPECT_EQ(boxes.CloseOpenModeless(), 6);
    boxes.Clear();
    popups.Show("after");
    shown = boxes.Recorded();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "after");
    boxes.CloseOpenModeless();
}

TEST(Popup, TextIsCutTo511BytesWithoutSplittingACharacter) {
    MessageBoxRecorder boxes;
    Popups popups(boxes);
    const std::string twoByte = Utf8ToCp932("あ");
    ASSERT_EQ(twoByte.size(), 2u);
    popups.Show(std::string(600, 'a'));
    std::string japanese;
    for (int i = 0; i < 300; ++i) japanese += twoByte;
    popups.Show(japanese);
    const auto shown = boxes.Recorded();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, std::string(511, 'a'));
    EXPECT_EQ(shown[1].text,
              japanese.substr(0, 510));  // 255 whole characters, not half of one more
    boxes.CloseOpenModeless();
}

}  // namespace

#include "pipeline/Popup.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"
#include "support/MessageBoxRecorder.h"

namespace {

TEST(Popup, FiveOnScreenThenOnePauseWarningThenDroppedUntilOneCloses) {
    CloseOpenModelessBoxes();
    ClearRecordedMessageBoxes();
    Popups popups;
    for (int i = 1; i <= 7; ++i) popups.Show("trap " + std::to_string(i));

    auto boxes = RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 6u);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(boxes[i].text, "trap " + std::to_string(i + 1));
        EXPECT_EQ(boxes[i].icon, MessageIcon::Information);
        EXPECT_EQ(boxes[i].delivery, MessageDelivery::Modeless);
        EXPECT_TRUE(boxes[i].alwaysOnTop);
        EXPECT_EQ(boxes[i].caption, "Olix Trap Receiver - v3.03");
    }
    EXPECT_EQ(Cp932ToUtf8(boxes[5].text), "メッセージ表示を一時停止します。");
    EXPECT_EQ(boxes[5].icon, MessageIcon::Warning);

    // Closing every box frees the slots and the warning: pop-ups show again.
    EXPECT_EQ(CloseOpenModelessBoxes(), 6);
    ClearRecordedMessageBoxes();
    popups.Show("after");
    boxes = RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "after");
    CloseOpenModelessBoxes();
}

TEST(Popup, TextIsCutTo511BytesWithoutSplittingACharacter) {
    CloseOpenModelessBoxes();
    ClearRecordedMessageBoxes();
    Popups popups;
    const std::string twoByte = Utf8ToCp932("あ");
    ASSERT_EQ(twoByte.size(), 2u);
    popups.Show(std::string(600, 'a'));
    std::string japanese;
    for (int i = 0; i < 300; ++i) japanese += twoByte;
    popups.Show(japanese);
    const auto boxes = RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, std::string(511, 'a'));
    EXPECT_EQ(boxes[1].text,
              japanese.substr(0, 510));  // 255 whole characters, not half of one more
    CloseOpenModelessBoxes();
}

}  // namespace

#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

TEST(MessageBox, RecorderAnswersFromScriptAndCarriesTheCaption) {
    MessageBoxRecorder boxes;
    boxes.QueueAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(ShowMessageBox(boxes, "question", MessageIcon::Information, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(ShowMessageBox(boxes, "notice", MessageIcon::Information), MessageAnswer::Ok);
    auto recorded = boxes.Recorded();
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].caption, "Olix Trap Receiver - v3.03");
    EXPECT_EQ(recorded[0].text, "question");
    EXPECT_EQ(recorded[1].buttons, MessageButtons::Ok);
}

TEST(MessageBox, ModelessBoxRunsItsCloseActionWhenClosed) {
    MessageBoxRecorder boxes;
    int closed = 0;
    ShowModelessBox(boxes, "popup", MessageIcon::Information, [&] { ++closed; });
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(boxes.OpenModelessCount(), 1);
    EXPECT_EQ(boxes.CloseOpenModeless(), 1);
    EXPECT_EQ(closed, 1);
    ASSERT_EQ(boxes.Recorded().size(), 1u);
    EXPECT_TRUE(boxes.Recorded()[0].alwaysOnTop);
}

#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

TEST(MessageBox, RecorderAnswersFromScriptAndCarriesTheCaption) {
    ClearRecordedMessageBoxes();
    QueueMessageBoxAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(ShowMessageBox("question", MessageIcon::Information, MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    EXPECT_EQ(ShowMessageBox("notice", MessageIcon::Information), MessageAnswer::Ok);
    auto boxes = RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Olix Trap Receiver - v3.03");
    EXPECT_EQ(boxes[0].text, "question");
    EXPECT_EQ(boxes[1].buttons, MessageButtons::Ok);
}

TEST(MessageBox, ModelessBoxRunsItsCloseActionWhenClosed) {
    ClearRecordedMessageBoxes();
    CloseOpenModelessBoxes();
    int closed = 0;
    ShowModelessBox("popup", MessageIcon::Information, [&] { ++closed; });
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(OpenModelessBoxCount(), 1);
    EXPECT_EQ(CloseOpenModelessBoxes(), 1);
    EXPECT_EQ(closed, 1);
    ASSERT_EQ(RecordedMessageBoxes().size(), 1u);
    EXPECT_TRUE(RecordedMessageBoxes()[0].alwaysOnTop);
}

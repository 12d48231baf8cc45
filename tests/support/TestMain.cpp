#include <gtest/gtest.h>

#include "support/MessageBoxRecorder.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // No test may wait for a person: unanswered boxes are recorded and answered OK.
    InstallRecordingMessageBoxHandler();
    return RUN_ALL_TESTS();
}

#include <gtest/gtest.h>
#include <QApplication>

#include "support/MessageBoxRecorder.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    InstallRecordingMessageBoxHandler();
    return RUN_ALL_TESTS();
}

#include <QApplication>
#include <gtest/gtest.h>

TEST(QtHarness, RunsHeadless) {
    ASSERT_NE(qApp, nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}

#include "ui/MyInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/Eventually.h"

namespace {

class ServiceWindow : public ::testing::Test {
protected:
    ServiceWindow() { info.Start(); }
    ~ServiceWindow() override {
        hold = false;
        WorkerEnded();
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) info.OnTimer();
    }
    // Waits (bounded, without turning the event loop, so the real timer stays out of it)
    // until the worker has ended.
    bool WorkerEnded() {
        return Eventually([this] { return !info.IsBusy(); }, std::chrono::seconds(5));
    }

    std::atomic<int> runs{0};
    std::atomic<bool> hold{false};
    CMyInfo info{[this] {
        ++runs;
        Eventually([this] { return !hold.load(); }, std::chrono::seconds(10),
                   std::chrono::milliseconds(5));
    }};
};

}  // namespace

TEST_F(ServiceWindow, CleansUpOnTheFirstTickAndThenOnceADay) {
    EXPECT_TRUE(info.IsRunning());
    Ticks(1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 1);
    Ticks(CMyInfo::kTicksPerDay - 1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 1) << "no run between the first tick and a day later";
    Ticks(1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 2);
}

TEST_F(ServiceWindow, SkipsTheDaysRunWhileTheLastOneIsBusy) {
    hold = true;
    Ticks(1);
    Ticks(CMyInfo::kTicksPerDay);  // the day's tick comes while the first run still holds
    EXPECT_TRUE(info.IsBusy());
    hold = false;
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 1);
    Ticks(CMyInfo::kTicksPerDay - 1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 1);
    Ticks(1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 2) << "the next run comes a day after the skipped one";
}

TEST_F(ServiceWindow, StopEndsTheWindowAndStartBeginsCountingAgain) {
    Ticks(5);
    ASSERT_TRUE(WorkerEnded());
    info.Stop();
    EXPECT_FALSE(info.IsRunning());
    info.Start();
    EXPECT_EQ(info.Ticks(), 0);
    Ticks(1);
    ASSERT_TRUE(WorkerEnded());
    EXPECT_EQ(runs.load(), 2);
}

// The clean-up works on the program's log: the window does not go while one runs.
TEST(ServiceWindowEnd, WaitsForTheRunningCleanUp) {
    std::atomic<bool> ended{false};
    {
        CMyInfo info([&ended] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ended = true;
        });
        info.Start();
        info.OnTimer();
        EXPECT_TRUE(info.IsBusy());
    }
    EXPECT_TRUE(ended.load());
}

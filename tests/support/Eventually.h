#pragma once
// Waiting, within a bound, for a condition that another thread or process brings about.
// (Tests of the windows use QTest::qWaitFor, which also turns the event loop.)

#include <chrono>
#include <thread>

// Tests condition() every step until it holds or timeout has passed; returns whether it
// holds, the last test falling at or after the deadline.
template <typename Condition>
bool Eventually(Condition&& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10),
                std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

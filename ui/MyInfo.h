#pragma once
// The hidden service window: runs the trap log clean-up on a worker thread on its first
// one-second tick and then once every 86,400 ticks, never while the last run is busy.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

class CMyInfo : public QObject {
    Q_OBJECT
public:
    static constexpr int kTicksPerDay = 86400;

    // The clean-up that the worker runs.
    using Cleanup = std::function<void()>;
    explicit CMyInfo(Cleanup cleanup);

    void Start();
    void Stop();
    // Timer 1 (every 1000 ms).
    void OnTimer();

    bool IsRunning() const { return m_bRunning != 0; }
    int Ticks() const { return m_nTick; }
    bool IsBusy() const { return m_bBusy->load() != 0; }

    // Replaces the clean-up (tests).
    void SetCleanup(Cleanup cleanup);

private:
    void StartWorker();

    int m_bRunning = 0;
    int m_nTick = 0;
    // Set and cleared by the worker; the worker is not waited for, so it holds the flag
    // too and may outlive the window.
    std::shared_ptr<std::atomic<int>> m_bBusy = std::make_shared<std::atomic<int>>(0);
    QTimer* m_timer = nullptr;
    Cleanup m_cleanup;
};

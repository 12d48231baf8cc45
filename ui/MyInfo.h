#pragma once
// The hidden service window: runs the trap log clean-up on a worker thread on its first
// one-second tick and then once every 86,400 ticks, never while the last run is busy.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

class CMyInfo : public QObject {
    Q_OBJECT
public:
    static constexpr int kTicksPerDay = 86400;

    // The clean-up that the worker runs; what it works on must outlive the window.
    using Cleanup = std::function<void()>;
    explicit CMyInfo(Cleanup cleanup);
    // Waits for a running clean-up (WaitForWorker).
    ~CMyInfo() override;

    void Start();
    void Stop();
    // Timer 1 (every 1000 ms).
    void OnTimer();

    bool IsRunning() const { return m_bRunning != 0; }
    int Ticks() const { return m_nTick; }
    bool IsBusy() const { return m_bBusy.load() != 0; }

    // Returns once the last clean-up has ended. For the end of the program, after Stop;
    // a tick never waits for the worker.
    void WaitForWorker();

    // Replaces the clean-up (tests).
    void SetCleanup(Cleanup cleanup);

private:
    void StartWorker();

    int m_bRunning = 0;
    int m_nTick = 0;
    std::atomic<int> m_bBusy{0};  // set and cleared by the worker
    std::thread m_worker;
    QTimer* m_timer = nullptr;
    Cleanup m_cleanup;
};

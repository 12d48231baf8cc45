#pragma once
// The hidden service window: runs the trap log clean-up on a worker thread on its first
// one-second tick and then once every 86,400 ticks, never while the last run is busy.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>

class CMyInfo : public QObject {
    Q_OBJECT
public:
    static constexpr int kTicksPerDay = 86400;

    // The one process-wide service window.
    static CMyInfo& Instance();

    void Start();
    void Stop();
    // Timer 1 (every 1000 ms).
    void OnTimer();

    bool IsRunning() const { return m_bRunning != 0; }
    int Ticks() const { return m_nTick; }
    bool IsBusy() const { return m_bBusy.load() != 0; }

    // The clean-up that the worker runs (PurgeExpiredLogEntries unless a test replaces it).
    using Cleanup = std::function<void()>;
    void SetCleanup(Cleanup cleanup);

private:
    CMyInfo();
    void StartWorker();

    int m_bRunning = 0;
    int m_nTick = 0;
    // Set and cleared by the worker; the worker is not waited for, so the flag lives as
    // long as the process (the object is never destroyed).
    std::atomic<int> m_bBusy{0};
    QTimer* m_timer = nullptr;
    Cleanup m_cleanup;
};

#include "ui/MyInfo.h"

CMyInfo::CMyInfo(Cleanup cleanup) : m_cleanup(std::move(cleanup)) {
    setObjectName(QStringLiteral("MyInfo service dummy window"));
}

CMyInfo::~CMyInfo() { WaitForWorker(); }

void CMyInfo::WaitForWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CMyInfo::SetCleanup(Cleanup cleanup) { m_cleanup = std::move(cleanup); }

void CMyInfo::Start() {
    if (m_bRunning) return;
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &CMyInfo::OnTimer);
    // The busy flag is left alone: a worker of an earlier run may still be going.
    m_nTick = 0;
    m_timer->start();
    m_bRunning = 1;
}

void CMyInfo::Stop() {
    if (!m_bRunning) return;
    m_bRunning = 0;
    delete m_timer;
    m_timer = nullptr;
}

void CMyInfo::OnTimer() {
    if (m_nTick == 0 || m_nTick >= kTicksPerDay) {
        m_nTick = 0;
        if (!m_bBusy.load()) StartWorker();
    }
    ++m_nTick;
}

void CMyInfo::StartWorker() {
    // The worker marks itself busy, as the flag's only writer while it runs; the flag is
    // set here already so that a second tick in the same instant cannot start another.
    m_bBusy = 1;
    // The last worker has cleared the flag as its last step: it has ended or is ending.
    WaitForWorker();
    m_worker = std::thread([this, cleanup = m_cleanup] {
        m_bBusy = 1;
        if (cleanup) cleanup();
        m_bBusy = 0;
    });
}

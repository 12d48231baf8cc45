#pragma once
// The main frame: menus and accelerators, the status bar with the elapsed-time clock, and
// the three panes (counters and detail on top, the trap list below).

#include <QMainWindow>
#include <QTimer>

#include "ui/LossSummary.h"

class CExSplitter3Wnd;
class Program;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClockPaneWidth = 150;
    // The receiver's rows and counters reach the windows on this tick (25 times a second).
    static constexpr int kRefreshIntervalMs = 40;

    // The frame and its windows work with program's parts.
    explicit CMainFrame(Program& program);
    ~CMainFrame() override;

    // Frame timer 2 (every 1000 ms): the elapsed running time.
    void OnClockTick();
    QString ClockText() const;
    // The refresh tick: queued rows into the list, the counters and the loss counts.
    void OnRefreshTick();

    // Menu commands.
    void OnFileSave();
    void OnFileExit();
    void OnViewClear();
    void OnHelp();

    // Stops the clock and the service window; the frame is then destroyed.
    void DestroyWindow();

    CExSplitter3Wnd* Splitter() const { return m_pSplitter; }

    // The visibility gate: hidden whatever is asked until the splash has ended.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateClient();
    void CreateStatusBar();
    void CreateMenus();
    void ShowLosses();
    void ShowListening();

    Program& m_program;
    CExSplitter3Wnd* m_pSplitter = nullptr;
    QLabel* m_pane0 = nullptr;
    QLabel* m_pane1 = nullptr;
    QLabel* m_lossPane = nullptr;    // hidden while nothing was lost
    QLabel* m_rowsPane = nullptr;    // rows trimmed at the list's ceiling; hidden while none
    QLabel* m_listenPane = nullptr;  // the trap port and the reception mode
    LossCounts m_lossBaseline{};     // the counts at the last clear of the display
    QString m_lossSince;
    QLabel* m_mibPane = nullptr;  // MIB loading progress, then modules loaded and failed
    QTimer m_clock;
    QTimer m_refresh;
    int m_nHour = 0;
    int m_nMin = 0;
    int m_nSec = 0;
    bool m_bDestroyed = false;
};

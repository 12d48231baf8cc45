#pragma once
// The main frame: menus and accelerators, the status bar with the elapsed-time clock, and
// the three panes (counters and detail on top, the trap list below).

#include <QMainWindow>
#include <QTimer>

#include "ui/LossSummary.h"
#include "ui/MyInfo.h"

class CAlarmPane;
class CCountDlg;
class CDataView;
class CEventView;
class CExSplitter3Wnd;
class Program;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClockPaneWidth = 150;
    // The receiver's rows and counters reach the windows on this tick (25 times a second).
    static constexpr int kRefreshIntervalMs = 40;

    // The windows show program's state and change it.
    // The frame runs serviceWindow while it lives.
    CMainFrame(Program& program, CMyInfo& serviceWindow);
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
    // 表示 > アラーム (and a click on the alarm pane); トラップ > アラーム ルール.
    void OnAlarmWindow();
    void OnAlarmRules();
    // Shows the about box modally.
    void OnAppAbout();

    // Stops the clock and the service window; the frame is then destroyed.
    void DestroyWindow();

    CExSplitter3Wnd* Splitter() const { return m_pSplitter; }
    // The three views.
    CEventView* List() const { return m_list; }
    CCountDlg* Counters() const { return m_counters; }
    CDataView* Detail() const { return m_detail; }
    CAlarmPane* AlarmPane() const { return m_alarmPane; }
    // The hidden service window (the log clean-up).
    CMyInfo& ServiceWindow() { return m_info; }

    // The visibility gate: hidden whatever is asked until the splash has ended and
    // called AllowShowing.
    void setVisible(bool visible) override;
    void AllowShowing() { m_bShowMainWnd = true; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateClient();
    void CreateStatusBar();
    void CreateMenus();
    void ShowLosses();
    void ShowListening();

    Program& m_program;
    CMyInfo& m_info;
    bool m_bShowMainWnd = false;
    CExSplitter3Wnd* m_pSplitter = nullptr;
    CEventView* m_list = nullptr;
    CCountDlg* m_counters = nullptr;
    CDataView* m_detail = nullptr;
    QLabel* m_pane0 = nullptr;
    QLabel* m_pane1 = nullptr;
    QLabel* m_lossPane = nullptr;    // hidden while nothing was lost
    QLabel* m_rowsPane = nullptr;    // rows trimmed at the list's ceiling; hidden while none
    QLabel* m_listenPane = nullptr;  // the trap port and the reception mode
    QLabel* m_spoolPane = nullptr;   // the last run's unsent mails; hidden when there were none
    LossCounts m_lossBaseline{};     // the counts at the last clear of the display
    QString m_lossSince;
    CAlarmPane* m_alarmPane = nullptr;  // open alarms by severity
    int m_alarmTicks = 0;
    QLabel* m_mibPane = nullptr;  // MIB loading progress, then modules loaded and failed
    QTimer m_clock;
    QTimer m_refresh;
    int m_nHour = 0;
    int m_nMin = 0;
    int m_nSec = 0;
    bool m_bDestroyed = false;
};

#pragma once
// The main frame: menus and accelerators, the status bar with the elapsed-time clock, and
// the three panes (counters and detail on top, the trap list below).

#include <QMainWindow>
#include <QTimer>

class CExSplitter3Wnd;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClockPaneWidth = 150;

    CMainFrame();
    ~CMainFrame() override;

    // Frame timer 2 (every 1000 ms): the elapsed running time.
    void OnClockTick();
    QString ClockText() const;

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

    CExSplitter3Wnd* m_pSplitter = nullptr;
    QLabel* m_pane0 = nullptr;
    QLabel* m_pane1 = nullptr;
    QTimer m_clock;
    int m_nHour = 0;
    int m_nMin = 0;
    int m_nSec = 0;
    bool m_bDestroyed = false;
};

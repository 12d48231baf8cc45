#pragma once
// The start-up splash. It decides when the main frame first becomes visible: on its third
// one-second tick it lets the frame show itself (CMainFrame::AllowShowing), centred at
// 800 x 600, and closes.

#include <QDialog>
#include <QTimer>

class CInitDlg : public QDialog {
    Q_OBJECT
public:
    // owner is the hidden main frame that the splash shows when it ends.
    explicit CInitDlg(QWidget* owner);

    bool TimerRunning() const { return m_timer.isActive(); }

    // Timer 1 (every 1000 ms).
    void OnTimer();

    // Escape and the close request are refused: the splash is what shows the hidden frame,
    // so it must end by its own third tick.
    void reject() override;

private:
    QWidget* m_owner;
    QTimer m_timer;
    int m_nTick = 0;
};

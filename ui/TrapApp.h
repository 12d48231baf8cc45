#pragma once
// The application object: start-up with the hidden main frame and the splash, the end on a
// signal, and the end of the program's threads after the event loop.

#include <QPointer>

#include "ui/MyInfo.h"
#include "ui/QtServiceWindows.h"

class CMainFrame;
class Program;

class CTrapApp {
public:
    // The windows show program's state; it must outlive the application object.
    explicit CTrapApp(Program& program);
    CTrapApp(const CTrapApp&) = delete;
    CTrapApp& operator=(const CTrapApp&) = delete;

    // Start-up in order: settings, hidden frame, splash (modal, shows the frame when it
    // ends). False ends the program at once.
    bool InitInstance();

    // The main frame, hidden until the splash shows it, with the receiver's calls to the
    // windows going to its views. Made by InitInstance; tests make it without the splash.
    CMainFrame* CreateMainFrame();
    // Null before CreateMainFrame and once the frame is destroyed.
    CMainFrame* MainFrame() const;
    // The hidden service window with the log clean-up, which the main frame runs.
    CMyInfo& ServiceWindow() { return m_info; }

    // SIGTERM, SIGINT or SIGHUP: closes the main frame as the user would and ends every
    // event loop, a modal dialog's too, so that ExitInstance follows as after a close.
    void EndOnSignal();
    // Whether EndOnSignal was called: the program then starts no further event loop.
    bool EndRequested() const { return m_bEndRequested; }

    // One line on standard error with the rows of the trap list ("olixtrap: rows=N"), for
    // scripts that watch a running program.
    void ReportRows() const;

    // After the event loop: the windows are gone, so the receiver is stopped and joined
    // while calls it has already queued to the windows are still delivered; forwarding and
    // mail get a moment for their queues. Returns code; when they do not end within a few
    // seconds the process ends with code.
    int ExitInstance(int code);

private:
    Program& m_program;
    QtServiceWindows m_serviceWindows;
    QPointer<CMainFrame> m_frame;
    // Here rather than in the frame: its worker must end before the program's log does.
    CMyInfo m_info;
    bool m_bEndRequested = false;
};

#pragma once
// The application object: start-up, the about command and the views' pointers through
// which the rest of the program reaches the windows.

#include <atomic>

#include "program/Program.h"

class CCountView;
class CCountDlg;
class CDataView;
class CEventView;
class CMainFrame;

// While 0 the main frame refuses to become visible; the splash sets it to 1 when it ends.
extern std::atomic<int> g_bShowMainWnd;

class CTrapApp {
public:
    // Each view stores itself here when it is created (and clears itself when destroyed).
    CCountView* m_pCountView = nullptr;
    CEventView* m_pEventView = nullptr;
    CDataView* m_pDataView = nullptr;
    CCountDlg* m_pCountDlg = nullptr;
    CMainFrame* m_pMainWnd = nullptr;

    // Start-up in order: settings, hidden frame, splash (modal, shows the frame when it
    // ends). False ends the program at once.
    bool InitInstance();

    // SIGTERM, SIGINT or SIGHUP: closes the main frame as the user would and ends every
    // event loop, a modal dialog's too, so that ExitInstance follows as after a close.
    void EndOnSignal();
    // Whether EndOnSignal was called: the program then starts no further event loop.
    bool EndRequested() const { return m_bEndRequested; }

    // One line on standard error with the rows of the trap list ("olixtrap: rows=N"), for
    // scripts that watch a running program.
    void ReportRows() const;

    // After the event loop: EndProgram of the application's program.
    int ExitInstance(int code);

    // Shows the about box modally.
    void OnAppAbout();

private:
    // Everything of the program that lives as long as it does; the windows get their
    // parts from the main frame.
    Program m_program;
    bool m_bEndRequested = false;
};

// The process-wide application object.
CTrapApp& TheApp();

// After the event loop: program's windows are gone, so its receiver is stopped and joined
// while calls it has already queued to the windows are still delivered; forwarding and mail
// get a moment for their queues. Returns code; when they do not end within a few seconds
// the process ends with code.
int EndProgram(Program& program, int code);

#include <malloc.h>

#include <QApplication>

#include "program/Program.h"
#include "ui/ProcessSignals.h"
#include "ui/QtMessageBox.h"
#include "ui/TrapApp.h"

int main(int argc, char** argv) {
    // One heap for every thread. A thread's own heap grows a page at a time, with a system
    // call each, and the rows the receiver thread makes for the list (kept there) would
    // make it grow every few traps; the main heap grows in large steps.
    mallopt(M_ARENA_MAX, 1);
    QApplication app(argc, argv);
    QtMessageBoxes boxes;
    Program program(boxes);
    CTrapApp trapApp(program);
    WatchProcessSignals([&trapApp] { trapApp.EndOnSignal(); },
                        [&trapApp] { trapApp.ReportRows(); });
    if (!trapApp.InitInstance()) return 0;
    // A termination signal during the splash has ended its loop: no other loop starts then.
    const int code = trapApp.EndRequested() ? 0 : QApplication::exec();
    return trapApp.ExitInstance(code);
}

#include <QApplication>

#include "ui/ProcessSignals.h"
#include "ui/QtMessageBox.h"
#include "ui/TrapApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallQtMessageBoxHandler();
    WatchProcessSignals([] { TheApp().EndOnSignal(); }, [] { TheApp().ReportRows(); });
    if (!TheApp().InitInstance()) return 0;
    // A termination signal during the splash has ended its loop: no other loop starts then.
    const int code = TheApp().EndRequested() ? 0 : QApplication::exec();
    return TheApp().ExitInstance(code);
}

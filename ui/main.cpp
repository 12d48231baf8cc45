#include <QApplication>

#include "ui/QtMessageBox.h"
#include "ui/TrapApp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallQtMessageBoxHandler();
    if (!TheApp().InitInstance()) return 0;
    return TheApp().ExitInstance(QApplication::exec());
}

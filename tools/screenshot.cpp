// Takes the README's screenshot headless: the program starts as usual in a program folder
// of its own, net-snmp's snmptrap sends a few traps to its loopback port, one row (a trap
// whose binding is Japanese text) is clicked so the detail view shows it, and the main
// window is grabbed into a PNG file at 800 × 600, then as OUTPUT-1280.png at 1280 × 1024.
//
// Usage: olixtrap_screenshot OUTPUT.png PORT   (OLIXTRAP_HOME names the program folder)

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

#include "program/Program.h"
#include "ui/DataView.h"
#include "ui/EventView.h"
#include "ui/MainFrame.h"
#include "ui/MenuCommands.h"
#include "ui/QtMessageBox.h"
#include "ui/RejectedDlg.h"
#include "ui/TrapApp.h"

namespace {

constexpr int kStartWaitMs = 5000;  // the receiver starts on the list view's fourth second
constexpr int kSettleMs = 1500;
constexpr int kLayoutMs = 1000;  // generous: the machine may be busy

void SendTrap(const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MIBS"), QString());
    environment.insert(QStringLiteral("SNMP_PERSISTENT_DIR"),
                       QDir::tempPath() + QStringLiteral("/olixtrap-screenshot-snmp"));
    QProcess snmptrap;
    snmptrap.setProcessEnvironment(environment);
    snmptrap.start(QStringLiteral("snmptrap"), arguments);
    if (!snmptrap.waitForFinished(10000)) std::fprintf(stderr, "snmptrap did not finish\n");
}

void SendSampleTraps(const QString& target) {
    SendTrap({"-v", "2c", "-c", "public", target, "", "1.3.6.1.6.3.1.1.5.1", "1.3.6.1.2.1.1.5.0",
              "s", "core-sw01"});
    SendTrap({"-v", "1", "-c", "public", target, "1.3.6.1.4.1.8072.3.2.10", "192.0.2.10", "2", "0",
              "360000", "1.3.6.1.2.1.2.2.1.1.3", "i", "3", "1.3.6.1.2.1.2.2.1.8.3", "i", "2"});
    SendTrap({"-v", "2c", "-c", "public", target, "", "1.3.6.1.6.3.1.1.5.4",
              "1.3.6.1.2.1.2.2.1.1.3", "i", "3"});
    SendTrap({"-v", "1", "-c", "monitor", target, "1.3.6.1.4.1.99999.1", "192.0.2.20", "6", "17",
              "123456", "1.3.6.1.4.1.99999.1.1.0", "s", "ディスク容量不足",
              "1.3.6.1.4.1.99999.1.2.0", "i", "45"});
    SendTrap({"-v", "2c", "-c", "public", target, "", "1.3.6.1.6.3.1.1.5.5"});
}

// A few datagrams the receiver refuses, for the rejected-messages window: an encrypted trap
// from a user it does not know, an inform, and octets that are no message at all.
void SendRejectedSamples(const QString& target) {
    SendTrap({"-v", "3", "-u", "stranger", "-l", "authPriv", "-a", "SHA", "-A", "authpass1", "-x",
              "AES", "-X", "privpass1", "-e", "0x8000000001020304", target, "",
              "1.3.6.1.6.3.1.1.5.3"});
    SendTrap({"-v", "2c", "-Ci", "-r", "0", "-t", "1", "-c", "public", target, "",
              "1.3.6.1.6.3.1.1.5.4"});
    const int colon = static_cast<int>(target.lastIndexOf(QLatin1Char(':')));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(target.mid(colon + 1).toUInt()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const unsigned char garbage[] = {0x30, 0x06, 0x02, 0x01, 0x01, 0x04, 0x01, 0x78, 0x02};
    if (fd >= 0) {
        sendto(fd, garbage, sizeof garbage, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        close(fd);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.png PORT\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString target = QStringLiteral("127.0.0.1:") + QString::fromLocal8Bit(argv[2]);
    QtMessageBoxes boxes;
    Program program(boxes);
    CTrapApp trapApp(program);
    if (!trapApp.InitInstance()) return 1;

    int result = 1;
    QTimer::singleShot(kStartWaitMs, [target] { SendSampleTraps(target); });
    QTimer::singleShot(kStartWaitMs + kSettleMs, [&trapApp] {
        CEventView* list = trapApp.MainFrame() ? trapApp.MainFrame()->List() : nullptr;
        if (list && list->RowCount() > 3) {
            list->List()->selectRow(3);
            list->OnListClick();
            // The bindings, with the text beside the hex, are at the end of the detail.
            trapApp.MainFrame()->Detail()->List()->scrollToBottom();
        }
    });
    // The grab waits a moment so the detail list has laid itself out (its scroll bar).
    QTimer::singleShot(kStartWaitMs + kSettleMs + kLayoutMs, [&result, &trapApp, output] {
        CMainFrame* frame = trapApp.MainFrame();
        if (frame && frame->grab().save(output)) result = 0;
        std::fprintf(stderr, "%d rows; screenshot %s\n", frame ? frame->List()->RowCount() : 0,
                     result == 0 ? "saved" : "failed");
        if (frame) frame->resize(1280, 1024);
    });
    // The same window at 1280 × 1024, as OUTPUT-1280.png.
    QTimer::singleShot(kStartWaitMs + kSettleMs + 2 * kLayoutMs,
                       [&result, &trapApp, &program, output] {
                           QString wideOutput = output;
                           wideOutput.replace(QStringLiteral(".png"), QStringLiteral("-1280.png"));
                           CMainFrame* frame = trapApp.MainFrame();
                           if (frame) frame->Detail()->List()->scrollToBottom();
                           if (!frame || !frame->grab().save(wideOutput)) result = 1;
                           if (frame) {
                               frame->resize(800, 600);
                               OnTrafficGraphCommand(frame, program.Traffic());
                           }
                       });
    QTimer::singleShot(kStartWaitMs + kSettleMs + 3 * kLayoutMs,
                       [target] { SendRejectedSamples(target); });
    // The reception graph beside it, as OUTPUT-graph.png, once it has drawn its counts.
    QTimer::singleShot(
        kStartWaitMs + kSettleMs + 4 * kLayoutMs, [&result, &trapApp, &program, &boxes, output] {
            QString graphOutput = output;
            graphOutput.replace(QStringLiteral(".png"), QStringLiteral("-graph.png"));
            CMainFrame* frame = trapApp.MainFrame();
            QWidget* graph =
                frame ? frame->findChild<QWidget*>(QStringLiteral("trafficGraph")) : nullptr;
            if (!graph || !graph->grab().save(graphOutput)) result = 1;
            if (frame)
                OnRejectedMessagesCommand(frame, program.Rejected(), program.Answers(), boxes);
        });
    // The rejected-messages window, as OUTPUT-rejected.png.
    QTimer::singleShot(kStartWaitMs + kSettleMs + 6 * kLayoutMs, [&result, &trapApp, output] {
        QString rejectedOutput = output;
        rejectedOutput.replace(QStringLiteral(".png"), QStringLiteral("-rejected.png"));
        CMainFrame* frame = trapApp.MainFrame();
        QWidget* rejected = frame ? frame->findChild<CRejectedDlg*>() : nullptr;
        if (!rejected || !rejected->grab().save(rejectedOutput)) result = 1;
        QApplication::quit();
    });
    return trapApp.ExitInstance(QApplication::exec()) == 0 ? result : 1;
}

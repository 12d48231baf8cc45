#include "ui/TrapApp.h"

#include <QApplication>

#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "forward/Forwarder.h"
#include "mail/MailQueue.h"
#include "platform/Sound.h"
#include "program/Program.h"
#include "ui/AppIcon.h"
#include "ui/EventView.h"
#include "ui/InitDlg.h"
#include "ui/MainFrame.h"
#include "ui/QtTranslation.h"
#include "ui/UiThread.h"

namespace {

// With a Latin default face, Japanese text falls back to another font per character, so
// digits after Japanese text come from that font and look unlike the others. One Japanese
// face for everything, when one is installed, at the default size.
void UseJapaneseFont() {
    const QStringList installed = QFontDatabase::families();
    for (const char* family :
         {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"}) {
        if (!installed.contains(QString::fromLatin1(family))) continue;
        QFont font = QApplication::font();
        font.setFamily(QString::fromLatin1(family));
        QApplication::setFont(font);
        return;
    }
}

// The lists' columns have fixed pixel widths made for a narrow 12-pixel face; with the
// wider default face a date with its time no longer fits a 120-pixel column.
// Slightly smaller text in the lists and their headers keeps such cells whole.
void UseListFont() {
    QFont font = QApplication::font();
    font.setPixelSize(10);
    for (const char* list : {"QTableView", "QTreeView", "QHeaderView"})
        QApplication::setFont(font, list);
}

}  // namespace

CTrapApp::CTrapApp(Program& program)
    : m_program(program), m_info([&log = program.Log()] { log.PurgeExpired(); }) {}

bool CTrapApp::InitInstance() {
    QCoreApplication::setOrganizationName(QStringLiteral("Olix Soft"));
    InstallQtTranslation();
    QApplication::setWindowIcon(AppIcon());
    UseJapaneseFont();
    UseListFont();
    m_program.Settings().Load();
    m_program.Forwarding().ApplyForwardSettings(LoadForwardSettingsFile());
    m_program.StartAlarms();
    // The pipeline beeps on the receiver thread; the beep belongs to the user interface thread.
    m_program.Sounds().SetBeep([] { PostToUiThread([] { QApplication::beep(); }); });
    // The mails the last run could not send go out first; the frame's status bar says so.
    const MailSpoolStart spool = m_program.Mail().UseSpool(MailSpoolPath(), std::time(nullptr));
    if (spool.found) {
        std::fprintf(stderr, "olixtrap: %s\n", MailSpoolStartText(spool).c_str());
        std::fflush(stderr);
    }

    CInitDlg splash(CreateMainFrame());
    splash.exec();
    return true;
}

CMainFrame* CTrapApp::CreateMainFrame() {
    auto* frame = new CMainFrame(m_program, m_info);
    m_frame = frame;
    m_serviceWindows.ShowIn(frame->List());
    m_program.Windows().Install(&m_serviceWindows);
    frame->hide();
    return frame;
}

CMainFrame* CTrapApp::MainFrame() const { return m_frame; }

int CTrapApp::ExitInstance(int code) {
    m_program.Windows().Install(nullptr);
    // No further clean-up starts; one that runs is waited for below, within the same limit.
    m_info.Stop();
    // The receiver may be waiting for this thread to carry out a window call: keep the
    // event loop turning while it ends. Mails still queued get a moment of their own, then
    // what is left is kept in the spool; after a few seconds the process ends anyway.
    constexpr int kShutdownWaitMs = 5000;
    std::atomic<bool> ended{false};
    std::thread stopper([&ended, &program = m_program, &info = m_info] {
        program.TrapReceiver().Shutdown();
        // Forwarding and mail each get their own moment, side by side.
        std::thread forwarding(
            [&program] { program.Forwarding().ShutdownForwarding(kForwardShutdownWait); });
        // The alarm store writes its last batch: the receiver makes no more.
        program.StopAlarms();
        const MailQueueEnd mail = program.Mail().Shutdown(kMailShutdownWait);
        if (mail.spool.unsent > 0) {
            std::fprintf(stderr, "olixtrap: %s\n", MailSpoolEndText(mail.spool).c_str());
            std::fflush(stderr);
        }
        forwarding.join();
        info.WaitForWorker();
        ended = true;
    });
    const QDeadlineTimer deadline(kShutdownWaitMs);
    while (!ended.load() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!ended.load()) {
        stopper.detach();
        std::fflush(nullptr);
        std::_Exit(code);
    }
    stopper.join();
    return code;
}

void CTrapApp::EndOnSignal() {
    m_bEndRequested = true;
    if (m_frame) m_frame->close();
    QCoreApplication::exit(0);
}

void CTrapApp::ReportRows() const {
    const int rows = m_frame ? m_frame->List()->RowCount() : 0;
    std::fprintf(stderr, "olixtrap: rows=%d\n", rows);
    std::fflush(stderr);
}

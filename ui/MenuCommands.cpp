#include "ui/MenuCommands.h"

#include <string>

#include "forward/dialogs/CForwardDlg.h"
#include "mib/MibService.h"
#include "platform/FixedText.h"
#include "platform/qt/QtText.h"
#include "rules/dialogs/CEventDlg.h"
#include "settings/SettingsSource.h"
#include "settings/dialogs/COptionDlg.h"
#include "traffic/dialogs/CTrafficGraphWnd.h"
#include "traplog/Export.h"
#include "traplog/dialogs/CLogDlg.h"
#include "ui/EventView.h"
#include "ui/RejectedDlg.h"
#include "users/dialogs/CUserListDlg.h"

// A file that cannot be written has been reported by ExportTrapList's own box.
void OnExportHtmlCommand(QWidget*, const PacketCounters& counters, CEventView* list,
                         ProgramLauncher& launcher, MessageBoxPort& boxes) {
    if (list)
        static_cast<void>(ExportTrapList(ExportFormat::Html, counters, *list, launcher, boxes));
}

void OnExportCsvCommand(QWidget*, const PacketCounters& counters, CEventView* list,
                        ProgramLauncher& launcher, MessageBoxPort& boxes) {
    if (list)
        static_cast<void>(ExportTrapList(ExportFormat::Csv, counters, *list, launcher, boxes));
}

void OnTrapSettingsCommand(QWidget* frame, RuleStore& rules, const UserStore& users,
                           SettingsSource& settings, MessageBoxPort& boxes) {
    CEventDlg dialog(rules, users, settings, boxes, frame);
    RunModal(dialog);
}

void OnUserSettingsCommand(QWidget* frame, UserStore& users, MessageBoxPort& boxes) {
    CUserListDlg dialog(users, boxes, frame);
    RunModal(dialog);
}

void OnRejectedMessagesCommand(QWidget* frame, RejectedMessages& rejected,
                               const AnswerCounts& answers, MessageBoxPort& boxes) {
    auto* window = frame->findChild<CRejectedDlg*>();
    if (!window) {
        window = new CRejectedDlg(rejected, answers, boxes, frame);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void OnTrafficGraphCommand(QWidget* frame, TrafficCounts& counts) {
    auto* window = frame->findChild<CTrafficGraphWnd*>();
    if (!window) {
        window = new CTrafficGraphWnd(counts, frame);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void OnTrapLogCommand(QWidget* frame, TrapLog& log, MessageBoxPort& boxes) {
    // Each new window steps down and right from the last one still open, so that none
    // exactly covers another.
    constexpr int kCascadeStep = 30;
    const QList<CLogDlg*> open =
        frame ? frame->findChildren<CLogDlg*>(Qt::FindDirectChildrenOnly) : QList<CLogDlg*>{};
    auto* window = new CLogDlg(log, boxes, frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!open.isEmpty()) window->move(open.back()->pos() + QPoint(kCascadeStep, kCascadeStep));
    window->show();
}

void OnOptionsCommand(QWidget* frame, SettingsSource& settings, EngineFile& engine, MibService& mib,
                      MessageBoxPort& boxes) {
    const std::string mibFolders(FixedTextView(settings.Snapshot().mibFolders));
    COptionDlg dialog(settings, engine, boxes, frame);
    RunModal(dialog);
    // New MIB folders take effect at once, as the MIB window's reload would.
    if (FixedTextView(settings.Snapshot().mibFolders) != mibFolders) StartMibLoading(mib, settings);
}

void OnForwardSettingsCommand(QWidget* frame, Forwarder& forwarder, MessageBoxPort& boxes) {
    CForwardDlg dialog(forwarder, boxes, frame);
    RunModal(dialog);
}

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
void OnExportHtmlCommand(QWidget*, const PacketCounters& counters, CEventView* list) {
    if (list) static_cast<void>(ExportTrapList(ExportFormat::Html, counters, *list));
}

void OnExportCsvCommand(QWidget*, const PacketCounters& counters, CEventView* list) {
    if (list) static_cast<void>(ExportTrapList(ExportFormat::Csv, counters, *list));
}

void OnTrapSettingsCommand(QWidget* frame, RuleStore& rules, const UserStore& users,
                           SettingsSource& settings) {
    CEventDlg dialog(rules, users, settings, frame);
    RunModal(dialog);
}

void OnUserSettingsCommand(QWidget* frame, UserStore& users) {
    CUserListDlg dialog(users, frame);
    RunModal(dialog);
}

void OnRejectedMessagesCommand(QWidget* frame, RejectedMessages& rejected,
                               const AnswerCounts& answers) {
    auto* window = frame->findChild<CRejectedDlg*>();
    if (!window) {
        window = new CRejectedDlg(rejected, answers, frame);
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

void OnTrapLogCommand(QWidget* frame) {
    // Each new window steps down and right from the last one still open, so that none
    // exactly covers another.
    constexpr int kCascadeStep = 30;
    const QList<CLogDlg*> open =
        frame ? frame->findChildren<CLogDlg*>(Qt::FindDirectChildrenOnly) : QList<CLogDlg*>{};
    auto* log = new CLogDlg(frame);
    log->setAttribute(Qt::WA_DeleteOnClose);
    if (!open.isEmpty()) log->move(open.back()->pos() + QPoint(kCascadeStep, kCascadeStep));
    log->show();
}

void OnOptionsCommand(QWidget* frame, SettingsSource& settings, EngineFile& engine,
                      MibService& mib) {
    const std::string mibFolders(FixedTextView(settings.Snapshot().mibFolders));
    COptionDlg dialog(settings, engine, frame);
    RunModal(dialog);
    // New MIB folders take effect at once, as the MIB window's reload would.
    if (FixedTextView(settings.Snapshot().mibFolders) != mibFolders) StartMibLoading(mib, settings);
}

void OnForwardSettingsCommand(QWidget* frame, Forwarder& forwarder) {
    CForwardDlg dialog(forwarder, frame);
    RunModal(dialog);
}

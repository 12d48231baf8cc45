#pragma once
// Main menu commands whose windows belong to the dialogs: each command of the main frame
// calls one of these on the user interface thread. frame is the main frame (the parent);
// the other arguments are the program's parts the command's window works on, boxes where
// its message boxes go.

class AnswerCounts;
class CEventView;
class EngineFile;
class Forwarder;
class MessageBoxPort;
class MibService;
class PacketCounters;
class ProgramLauncher;
class QWidget;
class RejectedMessages;
class RuleStore;
class SettingsSource;
class TrafficCounts;
class TrapLog;
class UserStore;

// File > Output > HTML (32772) and CSV (32773), given the trap list view and the counters
// the exports show; the written file is opened with launcher.
void OnExportHtmlCommand(QWidget* frame, const PacketCounters& counters, CEventView* list,
                         ProgramLauncher& launcher, MessageBoxPort& boxes);
void OnExportCsvCommand(QWidget* frame, const PacketCounters& counters, CEventView* list,
                        ProgramLauncher& launcher, MessageBoxPort& boxes);
// Trap > reception settings (32776): the reception filter dialog on rules (users for the
// user filter's names) and settings (the reception mode, the mail settings), modal.
void OnTrapSettingsCommand(QWidget* frame, RuleStore& rules, const UserStore& users,
                           SettingsSource& settings, MessageBoxPort& boxes);
// Trap > user settings (32787): the SNMPv3 user list dialog on users, modal.
void OnUserSettingsCommand(QWidget* frame, UserStore& users, MessageBoxPort& boxes);
// View > rejected messages (32788): the modeless window of rejected messages and the
// receiver's answers, brought to the front when it is open already.
void OnRejectedMessagesCommand(QWidget* frame, RejectedMessages& rejected,
                               const AnswerCounts& answers, MessageBoxPort& boxes);
// 表示 > 受信グラフ: the one reception graph window of counts, opened or brought to the front.
void OnTrafficGraphCommand(QWidget* frame, TrafficCounts& counts);
// Trap > trap log (32777): one more modeless window on log.
void OnTrapLogCommand(QWidget* frame, TrapLog& log, MessageBoxPort& boxes);
// Options > options (32778): the options dialog on settings and the engine file, modal;
// changed MIB folders are loaded into mib.
void OnOptionsCommand(QWidget* frame, SettingsSource& settings, EngineFile& engine, MibService& mib,
                      MessageBoxPort& boxes);
// Options > forwarding settings (32789): forwarder's destinations dialog, modal.
void OnForwardSettingsCommand(QWidget* frame, Forwarder& forwarder, MessageBoxPort& boxes);

#pragma once
// Main menu commands whose windows belong to the dialogs: each command of the main frame
// calls one of these on the user interface thread. frame is the main frame (the parent).

class CEventView;
class Program;
class SettingsSource;
class QWidget;
class RuleStore;
class UserStore;

// File > Output > HTML (32772) and CSV (32773), given the trap list view.
void OnExportHtmlCommand(QWidget* frame, Program& program, CEventView* list);
void OnExportCsvCommand(QWidget* frame, Program& program, CEventView* list);
// Trap > reception settings (32776): the reception filter dialog on rules (users for the
// user filter's names) and settings (the reception mode, the mail settings), modal.
void OnTrapSettingsCommand(QWidget* frame, RuleStore& rules, const UserStore& users,
                           SettingsSource& settings);
// Trap > user settings (32787): the SNMPv3 user list dialog on users, modal.
void OnUserSettingsCommand(QWidget* frame, UserStore& users);
// View > rejected messages (32788): the modeless window of rejected messages, brought to
// the front when it is open already.
void OnRejectedMessagesCommand(QWidget* frame, Program& program);
// 表示 > 受信グラフ: the one reception graph window, opened or brought to the front.
void OnTrafficGraphCommand(QWidget* frame);
// Trap > trap log (32777): one more modeless trap log window.
void OnTrapLogCommand(QWidget* frame);
// Options > options (32778): the options dialog, modal.
void OnOptionsCommand(QWidget* frame, Program& program);
// Options > forwarding settings (32789): the forwarding destinations dialog, modal.
void OnForwardSettingsCommand(QWidget* frame, Program& program);

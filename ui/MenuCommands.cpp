#include "ui/MenuCommands.h"

// The dialogs that these commands open are added beside their own modules; until a
// command's window exists, choosing it does nothing.

void OnExportHtmlCommand(QWidget*, CEventView*) {}
void OnExportCsvCommand(QWidget*, CEventView*) {}
void OnTrapSettingsCommand(QWidget*) {}
void OnUserSettingsCommand(QWidget*) {}
void OnTrapLogCommand(QWidget*) {}
void OnOptionsCommand(QWidget*) {}

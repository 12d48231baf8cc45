#pragma once
// The program's own help window: OlixTrap.html of the program folder (or of an installed
// copy's shared files) in a text browser.

#include <QString>

class MessageBoxPort;
class QWidget;

inline constexpr const char* kHelpFileName = "OlixTrap.html";

// Shows the help document, scrolled to anchor when one is given (the action dialog uses
// "context-22"). A missing document gives the error box through boxes; returns 0 shown,
// 1 not. A modal dialog that asks for help passes itself as owner: a window outside it
// would take no input until the dialog closes.
int ShowHelpDocument(MessageBoxPort& boxes, const QString& anchor = {}, QWidget* owner = nullptr);

// The window currently showing the help, or null (for tests).
QWidget* HelpWindow();

#pragma once
// The window layer's message-box handler: every box of platform/MessageBox.h becomes a
// QMessageBox on the user interface thread.

#include "platform/MessageBox.h"

// The handler itself (exposed for tests that drive real boxes).
MessageAnswer ShowQtMessageBox(MessageBoxRequest request);

// Installs ShowQtMessageBox with SetMessageBoxHandler.
void InstallQtMessageBoxHandler();

#pragma once
// The window layer's message boxes: every box of platform/MessageBox.h becomes a
// QMessageBox on the user interface thread.

#include <utility>

#include "platform/MessageBox.h"

// One box (exposed for tests that drive real boxes).
MessageAnswer ShowQtMessageBox(MessageBoxRequest request);

// The port the application gives the program.
class QtMessageBoxes final : public MessageBoxPort {
public:
    MessageAnswer Show(MessageBoxRequest request) override {
        return ShowQtMessageBox(std::move(request));
    }
};

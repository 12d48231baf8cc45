#pragma once
// Helpers for the dialog tests (Qt): the texts of the message boxes raised so far, as
// UTF-8, and modal dialogs worked by the test instead of a person.

#include <QDialog>
#include <QPushButton>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "platform/qt/QtText.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "users/UserStore.h"

// Shows the dialog and presses its OK button (id 1); true when it closed with OK.
inline bool PressOk(QDialog& dialog) {
    dialog.show();
    ControlById<QPushButton>(&dialog, 1)->click();
    return dialog.result() == QDialog::Accepted && !dialog.isVisible();
}

// Every modal dialog opened from now on is shown without blocking and handed to work,
// which presses its buttons; its result is what the buttons left. Counts the dialogs.
template <class D>
class ModalScript {
public:
    explicit ModalScript(std::function<void(D&)> work) {
        SetModalRunner([this, work](QDialog& dialog) {
            ++opened;
            auto* typed = qobject_cast<D*>(&dialog);
            if (typed == nullptr) {
                ++wrongType;
                return static_cast<int>(QDialog::Rejected);
            }
            dialog.show();
            work(*typed);
            const int result = dialog.result();
            dialog.hide();
            return result;
        });
    }
    ~ModalScript() { SetModalRunner({}); }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    int opened = 0;
    int wrongType = 0;
};

// For stores in tests: a failing open is tried again at once.
inline void NoRetrySleep(std::chrono::milliseconds) {}

// A fresh program folder with the folders that the main frame creates at start-up, a
// recorder for the boxes, and a rule and a user store of its own in it that never sleep
// between attempts to open a file.
struct StoreFolder {
    StoreFolder() {
        for (const char* sub : {"/db", "/tmp", "/log"}) DBLib::MakeFolder(sub);
    }
    StoreFolder(const StoreFolder&) = delete;
    StoreFolder& operator=(const StoreFolder&) = delete;

    TempProgramFolder folder;  // built first
    MessageBoxRecorder boxes;
    StoreReadFailures readFailures;
    UserStore users{readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep}};
    RuleStore rules{readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep}};
};

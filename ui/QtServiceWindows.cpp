#include "ui/QtServiceWindows.h"

#include <QPushButton>
#include <string>

#include "platform/CBaseDlg.h"
#include "ui/CountView.h"
#include "ui/EventView.h"
#include "ui/TrapApp.h"
#include "ui/UiThread.h"

namespace {

class QtWindows final : public ServiceWindows {
public:
    void SetServiceStatus(std::string_view textCp932) override {
        const QString text = FromCp932(textCp932);
        RunOnUiThread([&] {
            if (CEventView* view = TheApp().m_pEventView) view->SetServiceStatus(text);
        });
    }

    void EnableServiceCommands(bool startEnabled, bool stopEnabled) override {
        RunOnUiThread([&] {
            if (CEventView* view = TheApp().m_pEventView) view->EnableServiceCommands(startEnabled, stopEnabled);
        });
    }

    void ShowCounter(int fieldId, uint32_t value) override {
        RunOnUiThread([&] {
            if (CCountDlg* form = TheApp().m_pCountDlg) form->ShowCounter(fieldId, value);
        });
    }

    void AddTrapRow(const TrapRecord& record) override {
        // The record is only valid during the call, which waits for the row to be complete.
        RunOnUiThread([&] {
            if (CEventView* view = TheApp().m_pEventView) view->AddTrapRow(record);
        });
    }
};

}  // namespace

ServiceWindows& QtServiceWindows() {
    static QtWindows windows;
    return windows;
}

#include "ui/QtServiceWindows.h"

#include <QPushButton>
#include <string>

#include "platform/qt/QtText.h"
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
            if (CEventView* view = TheApp().m_pEventView)
                view->EnableServiceCommands(startEnabled, stopEnabled);
        });
    }
};

}  // namespace

ServiceWindows& QtServiceWindows() {
    static QtWindows windows;
    return windows;
}

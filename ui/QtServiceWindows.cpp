#include "ui/QtServiceWindows.h"

#include <QPushButton>
#include <string>

#include "platform/qt/QtText.h"
#include "ui/EventView.h"
#include "ui/UiThread.h"

void QtServiceWindows::ShowIn(CEventView* list) { m_list = list; }

void QtServiceWindows::SetServiceStatus(std::string_view textCp932) {
    const QString text = FromCp932(textCp932);
    RunOnUiThread([&] {
        if (m_list) m_list->SetServiceStatus(text);
    });
}

void QtServiceWindows::SetServiceFailure(std::string_view textCp932) {
    const QString text = FromCp932(textCp932);
    RunOnUiThread([&] {
        if (m_list) m_list->SetServiceFailure(text);
    });
}

void QtServiceWindows::EnableServiceCommands(bool startEnabled, bool stopEnabled) {
    RunOnUiThread([&] {
        if (m_list) m_list->EnableServiceCommands(startEnabled, stopEnabled);
    });
}

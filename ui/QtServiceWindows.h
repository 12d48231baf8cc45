#pragma once
// The rare state changes the receiver thread makes to the windows, carried out on the user
// interface thread while the calling thread waits.

#include <QPointer>

#include "pipeline/WindowPorts.h"

class CEventView;

class QtServiceWindows final : public ServiceWindows {
public:
    // The trap list view that shows the service state (user interface thread). Nothing is
    // shown while there is none, or once it is destroyed.
    void ShowIn(CEventView* list);

    void SetServiceStatus(std::string_view textCp932) override;
    void SetServiceFailure(std::string_view textCp932) override;
    void EnableServiceCommands(bool startEnabled, bool stopEnabled) override;

private:
    QPointer<CEventView> m_list;  // read and written on the user interface thread only
};

#include "pipeline/TrapContext.h"

#include "traplog/TrapText.h"

TrapContext::TrapContext(const TrapRecord& record, const SettingsSource& settings)
    : record_(record), settings_(settings.Snapshot()) {}

const std::string& TrapContext::Message() {
    if (!message_) message_ = ExpandTrapMessage(record_, settings_);
    return *message_;
}

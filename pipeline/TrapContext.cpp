#include "pipeline/TrapContext.h"

#include "traplog/TrapText.h"

TrapContext::TrapContext(const TrapRecord& record) : record_(record), settings_(ReadSettings()) {}

const std::string& TrapContext::Message() {
    if (!message_) message_ = ExpandTrapMessage(record_, settings_);
    return *message_;
}

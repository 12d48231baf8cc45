#pragma once
// Helpers for the dialog tests: the texts of the message boxes raised so far, as UTF-8.

#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "support/MessageBoxRecorder.h"

inline std::vector<std::string> RecordedMessageTexts() {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : RecordedMessageBoxes()) texts.push_back(Cp932ToUtf8(box.text));
    return texts;
}

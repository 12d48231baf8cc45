#pragma once
// Answers every message box without a person: records it, answers from a script (Ok when
// the script is empty) and keeps modeless boxes open until a test closes them.

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/MessageBox.h"

class MessageBoxRecorder final : public MessageBoxPort {
public:
    MessageBoxRecorder() = default;
    // Closes the boxes still open, as their windows would close with the program.
    ~MessageBoxRecorder() override { CloseOpenModeless(); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    MessageAnswer Show(MessageBoxRequest request) override;

    // Every box raised since the last clear, oldest first (text in CP932).
    std::vector<MessageBoxRequest> Recorded() const;
    // Their texts as UTF-8.
    std::vector<std::string> Texts() const;
    void Clear();

    // The next modal boxes answer these, in order.
    void QueueAnswer(MessageAnswer answer);

    // Closes the modeless boxes still open (runs their onClosed); returns how many.
    int CloseOpenModeless();
    int OpenModelessCount() const;

private:
    mutable std::mutex mutex_;
    std::vector<MessageBoxRequest> recorded_;
    std::deque<MessageAnswer> scriptedAnswers_;
    std::vector<std::function<void()>> openModeless_;
};

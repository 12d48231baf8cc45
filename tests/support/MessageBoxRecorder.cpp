#include "support/MessageBoxRecorder.h"

#include "platform/Encoding.h"

MessageAnswer MessageBoxRecorder::Show(MessageBoxRequest request) {
    std::lock_guard lock(mutex_);
    if (request.delivery == MessageDelivery::Modeless) openModeless_.push_back(request.onClosed);
    request.onClosed = nullptr;
    recorded_.push_back(request);
    if (request.delivery != MessageDelivery::Wait || scriptedAnswers_.empty())
        return MessageAnswer::Ok;
    MessageAnswer answer = scriptedAnswers_.front();
    scriptedAnswers_.pop_front();
    return answer;
}

std::vector<MessageBoxRequest> MessageBoxRecorder::Recorded() const {
    std::lock_guard lock(mutex_);
    return recorded_;
}

std::vector<std::string> MessageBoxRecorder::Texts() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& box : Recorded()) texts.push_back(Cp932ToUtf8(box.text));
    return texts;
}

void MessageBoxRecorder::Clear() {
    std::lock_guard lock(mutex_);
    recorded_.clear();
    scriptedAnswers_.clear();
}

void MessageBoxRecorder::QueueAnswer(MessageAnswer answer) {
    std::lock_guard lock(mutex_);
    scriptedAnswers_.push_back(answer);
}

int MessageBoxRecorder::CloseOpenModeless() {
    std::vector<std::function<void()>> toClose;
    {
        std::lock_guard lock(mutex_);
        toClose.swap(openModeless_);
    }
    for (auto& onClosed : toClose)
        if (onClosed) onClosed();
    return static_cast<int>(toClose.size());
}

int MessageBoxRecorder::OpenModelessCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(openModeless_.size());
}

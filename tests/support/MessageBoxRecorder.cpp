#include "support/MessageBoxRecorder.h"

#include <deque>
#include <functional>
#include <mutex>

namespace {

std::mutex recorderMutex;
std::vector<MessageBoxRequest> recorded;
std::deque<MessageAnswer> scriptedAnswers;
std::vector<std::function<void()>> openModeless;

MessageAnswer Record(MessageBoxRequest request) {
    std::lock_guard lock(recorderMutex);
    if (request.delivery == MessageDelivery::Modeless) openModeless.push_back(request.onClosed);
    request.onClosed = nullptr;
    recorded.push_back(request);
    if (request.delivery != MessageDelivery::Wait || scriptedAnswers.empty())
        return MessageAnswer::Ok;
    MessageAnswer answer = scriptedAnswers.front();
    scriptedAnswers.pop_front();
    return answer;
}

}  // namespace

void InstallRecordingMessageBoxHandler() { SetMessageBoxHandler(Record); }

std::vector<MessageBoxRequest> RecordedMessageBoxes() {
    std::lock_guard lock(recorderMutex);
    return recorded;
}

void ClearRecordedMessageBoxes() {
    std::lock_guard lock(recorderMutex);
    recorded.clear();
    scriptedAnswers.clear();
}

void QueueMessageBoxAnswer(MessageAnswer answer) {
    std::lock_guard lock(recorderMutex);
    scriptedAnswers.push_back(answer);
}

int CloseOpenModelessBoxes() {
    std::vector<std::function<void()>> toClose;
    {
        std::lock_guard lock(recorderMutex);
        toClose.swap(openModeless);
    }
    for (auto& onClosed : toClose)
        if (onClosed) onClosed();
    return static_cast<int>(toClose.size());
}

int OpenModelessBoxCount() {
    std::lock_guard lock(recorderMutex);
    return static_cast<int>(openModeless.size());
}

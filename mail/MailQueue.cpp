#include "mail/MailQueue.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "trap/LossCounters.h"

namespace {

struct QueuedMail {
    PreparedMail mail;
    MailRoute route;
};

// Shared by the queueing threads and the mail thread, which may outlive a shutdown's wait.
struct MailQueueState {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QueuedMail> waiting;
    bool sending = false;  // a mail is in hand
    bool stopping = false;
    bool ended = false;
};

void SendQueuedMails(const std::shared_ptr<MailQueueState>& state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return !state->waiting.empty() || state->stopping; });
        if (state->waiting.empty()) break;
        const QueuedMail next = std::move(state->waiting.front());
        state->waiting.pop_front();
        state->sending = true;
        lock.unlock();
        DeliverNotificationMail(next.mail, next.route);
        lock.lock();
        state->sending = false;
        state->changed.notify_all();
    }
    state->ended = true;
    state->changed.notify_all();
}

struct MailThread {
    std::shared_ptr<MailQueueState> state;
    std::thread thread;
    // A thread still sending when the process ends is let go, not waited for.
    ~MailThread() {
        if (thread.joinable()) thread.detach();
    }
};

std::mutex mailThreadMutex;
MailThread mailThread;

// The state of the running mail thread, started when there is none; null when no thread
// can be started.
std::shared_ptr<MailQueueState> RunningQueue() {
    std::lock_guard lock(mailThreadMutex);
    if (mailThread.state == nullptr) {
        auto state = std::make_shared<MailQueueState>();
        try {
            mailThread.thread = std::thread([state] { SendQueuedMails(state); });
        } catch (const std::system_error&) {
            return nullptr;
        }
        mailThread.state = std::move(state);
    }
    return mailThread.state;
}

}  // namespace

bool QueueNotificationMail(PreparedMail mail, const MailRoute& route, LossCounters& losses) {
    const std::shared_ptr<MailQueueState> state = RunningQueue();
    if (state != nullptr) {
        std::lock_guard lock(state->mutex);
        if (!state->stopping && state->waiting.size() < kMailQueueCapacity) {
            state->waiting.push_back({std::move(mail), route});
            state->changed.notify_all();
            return true;
        }
    }
    losses.Count(LossKind::kMailsDropped);
    return false;
}

bool DrainMailQueue(std::chrono::milliseconds wait) {
    std::shared_ptr<MailQueueState> state;
    {
        std::lock_guard lock(mailThreadMutex);
        state = mailThread.state;
    }
    if (state == nullptr) return true;
    std::unique_lock lock(state->mutex);
    return state->changed.wait_for(lock, wait,
                                   [&] { return state->waiting.empty() && !state->sending; });
}

bool ShutdownMailQueue(std::chrono::milliseconds wait, LossCounters& losses) {
    MailThread ending;
    {
        std::lock_guard lock(mailThreadMutex);
        ending.state = std::move(mailThread.state);
        ending.thread = std::move(mailThread.thread);
    }
    if (ending.state == nullptr) return true;
    std::unique_lock lock(ending.state->mutex);
    ending.state->stopping = true;
    ending.state->changed.notify_all();
    const bool ended =
        ending.state->changed.wait_for(lock, wait, [&] { return ending.state->ended; });
    if (!ended) {
        losses.Count(LossKind::kMailsDropped, ending.state->waiting.size());
        ending.state->waiting.clear();
    }
    lock.unlock();
    if (ended) ending.thread.join();
    return ended;
}

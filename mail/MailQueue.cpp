#include "mail/MailQueue.h"

#include <condition_variable>
#include <deque>
#include <system_error>

#include "platform/BoundedLookup.h"
#include "trap/LossCounters.h"

namespace {

struct QueuedMail {
    PreparedMail mail;
    MailRoute route;
};

}  // namespace

// Shared by the queueing threads and the mail thread, which may outlive a shutdown's wait.
struct MailQueue::State {
    explicit State(std::shared_ptr<LookupPool> lookups) : serverLookups(std::move(lookups)) {}

    const std::shared_ptr<LookupPool> serverLookups;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QueuedMail> waiting;
    bool sending = false;  // a mail is in hand
    bool stopping = false;
    bool ended = false;

    void SendQueuedMails() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return !waiting.empty() || stopping; });
            if (waiting.empty()) break;
            const QueuedMail next = std::move(waiting.front());
            waiting.pop_front();
            sending = true;
            lock.unlock();
            DeliverNotificationMail(next.mail, next.route, *serverLookups);
            lock.lock();
            sending = false;
            changed.notify_all();
        }
        ended = true;
        changed.notify_all();
    }
};

MailQueue::Thread::~Thread() {
    if (thread.joinable()) thread.detach();
}

MailQueue::MailQueue(LossCounters& losses)
    : losses_(losses), serverLookups_(std::make_shared<LookupPool>()) {}

MailQueue::~MailQueue() {
    // The thread sends what is waiting and ends; nothing waits for it.
    if (thread_.state == nullptr) return;
    std::lock_guard lock(thread_.state->mutex);
    thread_.state->stopping = true;
    thread_.state->changed.notify_all();
}

std::shared_ptr<MailQueue::State> MailQueue::RunningQueue() {
    std::lock_guard lock(threadMutex_);
    if (thread_.state == nullptr) {
        auto state = std::make_shared<State>(serverLookups_);
        try {
            thread_.thread = std::thread([state] { state->SendQueuedMails(); });
        } catch (const std::system_error&) {
            return nullptr;
        }
        thread_.state = std::move(state);
    }
    return thread_.state;
}

bool MailQueue::QueueNotificationMail(PreparedMail mail, const MailRoute& route) {
    const std::shared_ptr<State> state = RunningQueue();
    if (state != nullptr) {
        std::lock_guard lock(state->mutex);
        if (!state->stopping && state->waiting.size() < kMailQueueCapacity) {
            state->waiting.push_back({std::move(mail), route});
            state->changed.notify_all();
            return true;
        }
    }
    losses_.Count(LossKind::kMailsDropped);
    return false;
}

bool MailQueue::Drain(std::chrono::milliseconds wait) {
    std::shared_ptr<State> state;
    {
        std::lock_guard lock(threadMutex_);
        state = thread_.state;
    }
    if (state == nullptr) return true;
    std::unique_lock lock(state->mutex);
    return state->changed.wait_for(lock, wait,
                                   [&] { return state->waiting.empty() && !state->sending; });
}

bool MailQueue::Shutdown(std::chrono::milliseconds wait) {
    Thread ending;
    {
        std::lock_guard lock(threadMutex_);
        ending.state = std::move(thread_.state);
        ending.thread = std::move(thread_.thread);
    }
    if (ending.state == nullptr) return true;
    std::unique_lock lock(ending.state->mutex);
    ending.state->stopping = true;
    ending.state->changed.notify_all();
    const bool ended =
        ending.state->changed.wait_for(lock, wait, [&] { return ending.state->ended; });
    if (!ended) {
        losses_.Count(LossKind::kMailsDropped, ending.state->waiting.size());
        ending.state->waiting.clear();
    }
    lock.unlock();
    if (ended) ending.thread.join();
    return ended;
}

#include "mail/MailQueue.h"

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <system_error>
#include <vector>

#include "platform/BoundedLookup.h"
#include "trap/LossCounters.h"

namespace {

struct QueuedMail {
    PreparedMail mail;
    MailRoute route;
    std::int64_t queuedAt{};
    bool fromSpool = false;
};

SpooledMail Spooled(const QueuedMail& queued) {
    return {queued.mail,
            {queued.route.popPort, queued.route.smtpPort, MailTimeouts{}},
            queued.queuedAt};
}

}  // namespace

// Shared by the queueing threads and the mail thread, which may outlive a shutdown's wait.
struct MailQueue::State {
    explicit State(std::shared_ptr<LookupPool> lookups) : serverLookups(std::move(lookups)) {}

    const std::shared_ptr<LookupPool> serverLookups;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QueuedMail> waiting;
    std::shared_ptr<const QueuedMail> inHand;  // read, never changed, while being sent
    bool stopping = false;
    bool ended = false;
    // The spool's mails not yet sent; the spool is removed when the last has been, unless
    // a shutdown has begun, which writes the spool anew.
    std::size_t spooledLeft = 0;
    std::string spoolToRemove;

    void SendQueuedMails() {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return !waiting.empty() || stopping; });
            if (waiting.empty()) break;
            inHand = std::make_shared<const QueuedMail>(std::move(waiting.front()));
            waiting.pop_front();
            const std::shared_ptr<const QueuedMail> next = inHand;
            lock.unlock();
            DeliverNotificationMail(next->mail, next->route, *serverLookups);
            lock.lock();
            inHand.reset();
            if (next->fromSpool && spooledLeft > 0 && --spooledLeft == 0 && !stopping &&
                !spoolToRemove.empty()) {
                std::remove(spoolToRemove.c_str());
                spoolToRemove.clear();
            }
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
            state->waiting.push_back({std::move(mail), route, std::time(nullptr)});
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
    return state->changed.wait_for(
        lock, wait, [&] { return state->waiting.empty() && state->inHand == nullptr; });
}

MailSpoolStart MailQueue::UseSpool(const std::string& path, std::int64_t now) {
    MailSpoolStart start;
    start.path = path;
    std::string bytes;
    const int read = ReadMailSpoolFile(path, bytes);
    start.found = read != 1;
    start.unreadable = read == 2;
    if (start.unreadable) return spoolStart_ = start;
    {
        std::lock_guard lock(threadMutex_);
        spoolPath_ = path;
    }
    if (!start.found) return spoolStart_ = start;
    MailSpoolReading reading = ParseMailSpool(bytes, now);
    start.droppedForAge = reading.droppedForAge;
    start.droppedForCount = reading.droppedForCount;
    start.damagedBytes = reading.damagedBytes;
    const std::shared_ptr<State> state = reading.mails.empty() ? nullptr : RunningQueue();
    if (state == nullptr) {
        // Nothing to send (or no thread to send it: then the file waits for the next start).
        if (reading.mails.empty()) std::remove(path.c_str());
        return spoolStart_ = start;
    }
    std::lock_guard lock(state->mutex);
    // Before anything queued since: they are older.
    for (auto mail = reading.mails.rbegin(); mail != reading.mails.rend(); ++mail)
        state->waiting.push_front({std::move(mail->mail),
                                   {mail->route.popPort, mail->route.smtpPort, MailTimeouts{}},
                                   mail->queuedAt,
                                   true});
    state->spooledLeft += reading.mails.size();
    state->spoolToRemove = path;
    state->changed.notify_all();
    start.queued = reading.mails.size();
    return spoolStart_ = start;
}

MailQueueEnd MailQueue::Shutdown(std::chrono::milliseconds wait) {
    Thread ending;
    MailQueueEnd end;
    {
        std::lock_guard lock(threadMutex_);
        ending.state = std::move(thread_.state);
        ending.thread = std::move(thread_.thread);
        end.spool.path = spoolPath_;
    }
    std::vector<SpooledMail> unsent;
    std::size_t waiting = 0;
    if (ending.state != nullptr) {
        std::unique_lock lock(ending.state->mutex);
        ending.state->stopping = true;
        ending.state->changed.notify_all();
        end.ended = ending.state->changed.wait_for(lock, wait, [&] { return ending.state->ended; });
        if (!end.ended) {
            if (ending.state->inHand != nullptr) unsent.push_back(Spooled(*ending.state->inHand));
            for (const QueuedMail& queued : ending.state->waiting)
                unsent.push_back(Spooled(queued));
            waiting = ending.state->waiting.size();
            ending.state->waiting.clear();
        }
        lock.unlock();
        if (end.ended) ending.thread.join();
    }
    end.spool.unsent = unsent.size();
    if (!end.spool.path.empty()) {
        if (unsent.empty())
            std::remove(end.spool.path.c_str());
        else
            end.spool.kept = WriteMailSpool(end.spool.path, unsent) == 0;
    }
    // The mail in hand may still be sent by the thread let go: only the waiting are lost.
    if (!end.spool.kept) losses_.Count(LossKind::kMailsDropped, waiting);
    return end;
}

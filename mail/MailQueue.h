#pragma once
// The one thread that sends notification mails, in the order their traps were processed,
// so that a slow or silent mail server never holds the receiver thread. The queue is
// bounded: a server that cannot keep up costs mails, counted as lost, never memory.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "mail/Mail.h"
#include "mail/MailSpool.h"

class LossCounters;

inline constexpr std::size_t kMailQueueCapacity = 1000;
// At the program's end, the longest the waiting mails are still given.
inline constexpr std::chrono::milliseconds kMailShutdownWait{1500};

// How the mail thread ended.
struct MailQueueEnd {
    bool ended = true;  // within the wait
    // The mails it did not send: kept in the spool, or without one (or when it cannot be
    // written) dropped and counted.
    MailSpoolEnd spool;
};

class MailQueue {
public:
    // Mails dropped are counted in losses.
    explicit MailQueue(LossCounters& losses);
    // The mail thread is let go, not waited for: it sends the mails still waiting and ends.
    ~MailQueue();
    MailQueue(const MailQueue&) = delete;
    MailQueue& operator=(const MailQueue&) = delete;

    // Queues mail for the mail thread, which is started on first use. A mail that finds
    // kMailQueueCapacity mails waiting (or no thread to be had) is dropped and counted in
    // the losses (LossKind::kMailsDropped). Returns whether it was queued.
    bool QueueNotificationMail(PreparedMail mail, const MailRoute& route);

    // Waits at most wait until every queued mail has been sent; returns whether they were.
    bool Drain(std::chrono::milliseconds wait);

    // From now on the spool at path keeps the mails a shutdown leaves unsent. The mails it
    // kept from the last run are queued first, within the spool's bounds as of now
    // (seconds since the epoch); the file is removed once they have been sent, or at once
    // when none is left to send. A spool that cannot be read is left alone and not used.
    MailSpoolStart UseSpool(const std::string& path, std::int64_t now);
    // What UseSpool found; nothing found before it was called.
    const MailSpoolStart& SpoolStart() const { return spoolStart_; }

    // Ends the mail thread: it goes on sending the waiting mails until wait has passed,
    // then ends after the mail in hand (whose dialogue is bounded by its MailTimeouts).
    // The mails still waiting then, and the one in hand, are written to the spool (at least
    // once: the one in hand may yet be sent); without a spool, or when it cannot be
    // written, the waiting ones are dropped and counted. With nothing unsent the spool is
    // removed. The thread is joined when it ended within wait, else let go to end with the
    // process. A later QueueNotificationMail starts a new thread.
    [[nodiscard]] MailQueueEnd Shutdown(std::chrono::milliseconds wait);

private:
    struct State;
    struct Thread {
        std::shared_ptr<State> state;  // shared with the thread, which may outlive a shutdown
        std::thread thread;
        // A thread still sending is let go, not waited for.
        ~Thread();
    };

    // The state of the running mail thread, started when there is none; null when no
    // thread can be started.
    std::shared_ptr<State> RunningQueue();

    LossCounters& losses_;
    // The mail servers' name lookups, counted apart from the senders' names; shared with
    // the mail threads.
    std::shared_ptr<LookupPool> serverLookups_;
    std::mutex threadMutex_;
    Thread thread_;
    std::string spoolPath_;  // empty without a spool; guarded by threadMutex_
    MailSpoolStart spoolStart_;
};

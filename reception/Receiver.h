#pragma once
// Start and stop of the receiver service, as the trap list view's commands and its start-up
// timer ask for them. The service runs on its own thread (ReceiverService.h): it decodes
// each datagram, answers what asks for an answer, runs the pipeline on it, counts the
// outcome and hands the trap to the tap. One thread at a time: a stopped thread has ended
// before another starts.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "reception/Answering.h"
#include "reception/ReceiverService.h"
#include "snmp/TrapDecoder.h"
#include "trap/ReusableTrapRecord.h"

class AnswerCounts;
class EngineFile;
class LossCounters;
class MessageBoxPort;
class PacketCounters;
class Pipeline;
class RejectedMessages;
class SettingsSource;
class TrapTap;
class UserStore;
class UsmKeyCache;
class WindowPorts;

// What the receiver works with; each outlives it.
struct ReceiverParts {
    const SettingsSource& settings;  // its trap port, taken at each start
    Pipeline& pipeline;
    WindowPorts& windows;
    PacketCounters& counters;
    LossCounters& losses;
    RejectedMessages& rejected;
    const UserStore& users;  // whose messages SNMPv3 decodes
    UsmKeyCache& keys;
    EngineFile& engineFile;
    AnswerCounts& answers;
    MessageBoxPort& boxes;  // where a port that cannot be bound is told
};

class Receiver {
public:
    explicit Receiver(const ReceiverParts& parts);
    // Shuts the service down (Shutdown).
    ~Receiver();
    Receiver(const Receiver&) = delete;
    Receiver& operator=(const Receiver&) = delete;

    // The listener that sees every decoded trap after the pipeline (TrapTap.h); null
    // removes it. It must outlive the service thread or be removed before it ends.
    void SetTap(TrapTap* tap) { tap_.store(tap); }

    // Start command: lets the service run, disables start, enables stop and starts the
    // thread. Refused (false, nothing changes) while a stopped thread is still ending.
    bool Start();

    // Stop command: while the thread runs, shows "サービス停止中" and disables both
    // commands; then asks the service to end. The thread sees the request within one
    // receive wait or after the datagram in hand, shows "サービス停止" and enables start
    // as it ends.
    void Stop();

    // The list view's start-up timer at its fourth tick: lets the service run and starts
    // the thread, leaving the commands to the thread. Refused as Start is.
    void StartAutomatically();

    // Asks the receiver thread to end and joins it (one receive wait and the trap in
    // hand). For the end of the program and for tests. A thread waiting in a window call
    // for the calling thread cannot end meanwhile, so the window layer calls this after
    // removing its windows from the ports, or from a thread its window calls do not wait for.
    void Shutdown();

private:
    // At most one service thread at a time: a start is refused while the last one is ending.
    struct ServiceThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void HandleDatagram(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                        uint16_t senderPort);
    bool ThreadRunning() const;
    bool JoinEndedThread(std::chrono::milliseconds wait);
    void EnableCommands(bool startEnabled, bool stopEnabled);
    void StartServiceThread();

    const SettingsSource& settings_;
    Pipeline& pipeline_;
    WindowPorts& windows_;
    PacketCounters& counters_;
    RejectedMessages& rejected_;
    std::atomic<TrapTap*> tap_{nullptr};

    // 1 asks the service to end; the list view starts with the service not yet running.
    std::atomic<int32_t> stopRequested_{1};
    std::mutex threadMutex_;
    ServiceThread serviceThread_;

    // Used only by the one service thread.
    ReceiverService service_;
    TrapDecoder decoder_;
    Answering answering_;
    ReusableTrapRecord receivedTrap_;
    std::vector<uint8_t> tappedOctets_;  // the datagram as it came, when the tap wants it
};

#include "reception/Receiver.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <system_error>
#include <thread>

#include "pipeline/Pipeline.h"
#include "pipeline/WindowPorts.h"
#include "platform/Encoding.h"
#include "reception/Answering.h"
#include "reception/ReceiverService.h"
#include "reception/RejectedMessages.h"
#include "settings/SettingsSource.h"
#include "snmp/TrapDecoder.h"
#include "trap/PacketCounters.h"
#include "trap/ReusableTrapRecord.h"
#include "trap/TrapRecord.h"
#include "trap/TrapTap.h"

namespace {

// A start waits this long for a stopped thread to end: the thread enables the start command
// in its last window call, so when the user can start again it is about to end.
constexpr std::chrono::milliseconds kEndingThreadWait{200};

// 1 asks the service to end; the list view starts with the service not yet running.
std::atomic<int32_t> stopRequested{1};

// The one decoded trap, written only by the one service thread.
ReusableTrapRecord receivedTrap;

// At most one service thread at a time: a start is refused while the last one is ending.
struct ServiceThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
    // Only when the process ends without ShutdownReceiver: let go rather than joined.
    ~ServiceThread() {
        if (thread.joinable()) thread.detach();
    }
};
std::mutex threadMutex;
ServiceThread serviceThread;

bool ThreadRunning() { return serviceThread.thread.joinable() && !serviceThread.finished->load(); }

RejectReason RejectReasonOf(DecodeReason reason) {
    switch (reason) {
    case DecodeReason::kNotATrap: return RejectReason::kNotATrap;
    case DecodeReason::kUnknownUser: return RejectReason::kUnknownUser;
    case DecodeReason::kLevelNotAllowed: return RejectReason::kLevelNotAllowed;
    case DecodeReason::kAuthFailure: return RejectReason::kAuthFailure;
    case DecodeReason::kDecryptFailure: return RejectReason::kDecryptFailure;
    case DecodeReason::kDiscovery: return RejectReason::kDiscovery;
    case DecodeReason::kNotInTimeWindow: return RejectReason::kNotInTimeWindow;
    case DecodeReason::kNewEngineLimit: return RejectReason::kNewEngineLimit;
    case DecodeReason::kMalformed: break;
    }
    return RejectReason::kMalformed;
}

std::string_view UserNameOf(const TrapRecord& record, int32_t version) {
    if (version != kSnmpV3) return {};
    return {record.userName.data(), strnlen(record.userName.data(), record.userName.size())};
}

RefusedTrap RefusedTrapOf(const TrapRecord& record) {
    return {.enterprise = {record.enterprise.data(),
                           strnlen(record.enterprise.data(), record.enterprise.size())},
            .trapOid = record.version == kSnmpV1 ? std::string_view() : NotificationOid(record),
            .genericTrap = record.genericTrap,
            .specificTrap = record.specificTrap};
}

void HandleDatagram(const RuleStore& rules, const UserStore& users, std::span<uint8_t> datagram,
                    std::array<uint8_t, 4> sender, uint16_t senderPort) {
    const ArrivedDatagram arrived(datagram, sender, senderPort,
                                  static_cast<uint32_t>(datagram.size()));
    TrapRecord& record = receivedTrap.Record();
    // Kept before it is counted, so that whoever sees the count finds the entry.
    const auto reject = [&](RejectReason reason, int32_t version, uint16_t offset,
                            const RefusedTrap& refused = {}) {
        TheRejectedMessages().Record(arrived, reason, static_cast<int8_t>(version), offset,
                                     UserNameOf(record, version), refused);
    };
    TrapTapCall tap(datagram);
    DecodeFailure failure;
    AnswerFacts answer;
    const int result =
        DecodeDatagram(users, datagram, sender, receivedTrap, failure, TheLocalEngine(), answer);
    // Answered before anything slow, so that the sender does not retry.
    if (answer.kind != AnswerKind::kNone && SendAnswer(answer, datagram.size(), sender, senderPort))
        return;
    if (result != kDecodeOk) {
        const RejectReason reason = RejectReasonOf(failure.reason);
        reject(reason, failure.version, failure.offset);
        CountPacket(PacketKindOf(reason));
    } else if (ProcessTrap(rules, record, answer.kind == AnswerKind::kResponse) != 0) {
        reject(RejectReason::kFiltered, record.version, 0, RefusedTrapOf(record));
        CountPacket(PacketKindOf(RejectReason::kFiltered));
        tap.Pass(record, sender, senderPort, false);
    } else {
        CountPacket(PacketKindOfVersion(record.version));
        CountGenericTrap(record.genericTrap);
        tap.Pass(record, sender, senderPort, true);
    }
}

// With threadMutex held. Joins the last thread once it has ended, waiting at most wait;
// returns whether no thread is left.
bool JoinEndedThread(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (ThreadRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ThreadRunning()) return false;
    if (serviceThread.thread.joinable()) serviceThread.thread.join();
    return true;
}

void EnableCommands(bool startEnabled, bool stopEnabled) {
    if (ServiceWindows* windows = GetServiceWindows())
        windows->EnableServiceCommands(startEnabled, stopEnabled);
}

// With threadMutex held and no thread left.
void StartServiceThread(const RuleStore& rules, const UserStore& users) {
    const uint16_t port = CurrentSettingsSource().Snapshot().trapPort;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        serviceThread.thread = std::thread([port, finished, &rules, &users] {
            // A name to find the thread by in top, perf and the benchmarks.
            pthread_setname_np(pthread_self(), "olixtrap-recv");
            BootAnsweringEngine();
            TrapBatches batches;
            RunReceiverService(
                port, stopRequested,
                [&rules, &users](std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                                 uint16_t senderPort) {
                    HandleDatagram(rules, users, datagram, sender, senderPort);
                },
                [&batches] { batches.End(); });
            finished->store(true);
        });
        serviceThread.finished = std::move(finished);
    } catch (const std::system_error&) {
        // No thread: the service stays stopped and can be started again.
        EnableCommands(true, false);
    }
}

}  // namespace

bool StartReceiver(const RuleStore& rules, const UserStore& users) {
    std::lock_guard lock(threadMutex);
    if (!JoinEndedThread(kEndingThreadWait)) return false;
    stopRequested.store(0);
    EnableCommands(false, true);
    StartServiceThread(rules, users);
    return true;
}

void StopReceiver() {
    std::lock_guard lock(threadMutex);
    // Shown before the request, so that the thread's own "stopped" comes after it.
    if (ThreadRunning()) {
        if (ServiceWindows* windows = GetServiceWindows())
            windows->SetServiceStatus(Utf8ToCp932("サービス停止中"));
        EnableCommands(false, false);
    }
    stopRequested.store(1);
}

void StartReceiverAutomatically(const RuleStore& rules, const UserStore& users) {
    std::lock_guard lock(threadMutex);
    if (!JoinEndedThread(kEndingThreadWait)) return;
    stopRequested.store(0);
    StartServiceThread(rules, users);
}

void ShutdownReceiver() {
    stopRequested.store(1);
    ServiceThread ending;
    {
        std::lock_guard lock(threadMutex);
        std::swap(ending.thread, serviceThread.thread);
    }
    if (ending.thread.joinable()) ending.thread.join();
}

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
#include "reception/RejectedMessages.h"
#include "settings/SettingsSource.h"
#include "trap/PacketCounters.h"
#include "trap/TrapRecord.h"
#include "trap/TrapTap.h"

namespace {

// A start waits this long for a stopped thread to end: the thread enables the start command
// in its last window call, so when the user can start again it is about to end.
constexpr std::chrono::milliseconds kEndingThreadWait{200};

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

}  // namespace

Receiver::Receiver(const ReceiverParts& parts)
    : settings_(parts.settings),
      pipeline_(parts.pipeline),
      windows_(parts.windows),
      counters_(parts.counters),
      rejected_(parts.rejected),
      service_({parts.windows, parts.counters, parts.losses, parts.rejected, parts.boxes}),
      decoder_(parts.users, parts.keys),
      answering_(parts.engineFile, parts.keys, parts.answers, service_) {}

Receiver::~Receiver() { Shutdown(); }

bool Receiver::ThreadRunning() const {
    return serviceThread_.thread.joinable() && !serviceThread_.finished->load();
}

void Receiver::HandleDatagram(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                              uint16_t senderPort) {
    const ArrivedDatagram arrived(datagram, sender, senderPort,
                                  static_cast<uint32_t>(datagram.size()));
    TrapRecord& record = receivedTrap_.Record();
    // Kept before it is counted, so that whoever sees the count finds the entry.
    const auto reject = [&](RejectReason reason, int32_t version, uint16_t offset,
                            const RefusedTrap& refused = {}) {
        rejected_.Record(arrived, reason, static_cast<int8_t>(version), offset,
                         UserNameOf(record, version), refused);
    };
    TrapTapCall tap(tap_.load(), tappedOctets_, datagram);
    // Our own relay's datagram back from a receiver that relays to us: it was received,
    // logged and relayed when it first came, so its round ends here.
    if (tap.CameBack()) {
        counters_.CountPacket(kPacketOnlyAll);
        return;
    }
    DecodeFailure failure;
    AnswerFacts answer;
    const int result =
        decoder_.Decode(datagram, sender, receivedTrap_, failure, answering_.Engine(), answer);
    // Answered before anything slow, so that the sender does not retry.
    Answering::Outcome answered;
    if (answer.kind != AnswerKind::kNone) {
        answered = answering_.Send(answer, datagram.size(), sender, senderPort);
        if (answered.repeat) return;
    }
    // An answered discovery probe is the first step of an SNMPv3 exchange, not a fault of the
    // sender: it counts among the datagrams received and the reports sent, and nowhere else.
    if (result != kDecodeOk && failure.reason == DecodeReason::kDiscovery && answered.sent) {
        counters_.CountPacket(kPacketOnlyAll);
        return;
    }
    if (result != kDecodeOk) {
        const RejectReason reason = RejectReasonOf(failure.reason);
        reject(reason, failure.version, failure.offset);
        counters_.CountPacket(PacketKindOf(reason));
    } else if (pipeline_.ProcessTrap(record, answer.kind == AnswerKind::kResponse) != 0) {
        reject(RejectReason::kFiltered, record.version, 0, RefusedTrapOf(record));
        counters_.CountPacket(PacketKindOf(RejectReason::kFiltered));
        tap.Pass(record, sender, senderPort, false);
    } else {
        counters_.CountPacket(PacketKindOfVersion(record.version));
        counters_.CountGenericTrap(record.genericTrap);
        tap.Pass(record, sender, senderPort, true);
    }
}

// With threadMutex_ held. Joins the last thread once it has ended, waiting at most wait;
// returns whether no thread is left.
bool Receiver::JoinEndedThread(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (ThreadRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (ThreadRunning()) return false;
    if (serviceThread_.thread.joinable()) serviceThread_.thread.join();
    return true;
}

void Receiver::EnableCommands(bool startEnabled, bool stopEnabled) {
    if (ServiceWindows* windows = windows_.Installed())
        windows->EnableServiceCommands(startEnabled, stopEnabled);
}

// With threadMutex_ held and no thread left.
void Receiver::StartServiceThread() {
    const uint16_t port = settings_.Snapshot().trapPort;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        serviceThread_.thread = std::thread([this, port, finished] {
            // A name to find the thread by in top, perf and the benchmarks.
            pthread_setname_np(pthread_self(), "olixtrap-recv");
            answering_.Boot();
            TrapBatches batches(pipeline_);
            service_.Run(
                port, stopRequested_,
                [this](std::span<uint8_t> datagram, std::array<uint8_t, 4> sender,
                       uint16_t senderPort) { HandleDatagram(datagram, sender, senderPort); },
                [&batches] { batches.End(); });
            finished->store(true);
        });
        serviceThread_.finished = std::move(finished);
    } catch (const std::system_error&) {
        // No thread: the service stays stopped and can be started again.
        EnableCommands(true, false);
    }
}

bool Receiver::Start() {
    std::lock_guard lock(threadMutex_);
    if (!JoinEndedThread(kEndingThreadWait)) return false;
    stopRequested_.store(0);
    EnableCommands(false, true);
    StartServiceThread();
    return true;
}

void Receiver::Stop() {
    std::lock_guard lock(threadMutex_);
    // Shown before the request, so that the thread's own "stopped" comes after it.
    if (ThreadRunning()) {
        if (ServiceWindows* windows = windows_.Installed())
            windows->SetServiceStatus(Utf8ToCp932("サービス停止中"));
        EnableCommands(false, false);
    }
    stopRequested_.store(1);
}

void Receiver::StartAutomatically() {
    std::lock_guard lock(threadMutex_);
    if (!JoinEndedThread(kEndingThreadWait)) return;
    stopRequested_.store(0);
    StartServiceThread();
}

void Receiver::Shutdown() {
    stopRequested_.store(1);
    std::thread ending;
    {
        std::lock_guard lock(threadMutex_);
        std::swap(ending, serviceThread_.thread);
    }
    if (ending.joinable()) ending.join();
}

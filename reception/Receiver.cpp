#include "reception/Receiver.h"

#include <algorithm>
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
#include <vector>

#include "notify/Pipeline.h"
#include "reception/PacketCounters.h"
#include "reception/ReceiverService.h"
#include "reception/RejectedMessages.h"
#include "reception/ReusableTrapRecord.h"
#include "reception/TrapRecord.h"
#include "reception/WindowPorts.h"
#include "settings/AppSettings.h"
#include "snmp/TrapDecoder.h"

namespace {

constexpr std::chrono::milliseconds kStopCommandWait{2000};
// One receive wait and room for the trap in hand; a thread still busy after this (a host
// name lookup, or a window call that waits for the caller) is left to end with the process.
constexpr std::chrono::milliseconds kShutdownWait{3000};

// 1 asks the service to end; the list view starts with the service not yet running.
std::atomic<int32_t> stopRequested{1};

// The one decoded trap. Only a service thread that holds the trap port writes it, and the
// port is held by one thread at a time.
ReusableTrapRecord receivedTrap;

struct ServiceThread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

// A stopped thread may still be ending when the service is started again, so there can
// be more than one; finished ones are joined at the next start. Threads still running
// when the process ends are let go rather than joined.
struct ServiceThreads {
    std::vector<ServiceThread> running;
    ~ServiceThreads() {
        for (ServiceThread& service : running)
            if (service.thread.joinable()) service.thread.detach();
    }
};
std::mutex threadsMutex;
ServiceThreads serviceThreads;

int PacketKindOfVersion(int32_t version) {
    switch (version) {
        case kSnmpV1: return kPacketV1;
        case kSnmpV2c: return kPacketV2c;
        case kSnmpV3: return kPacketV3;
        default: return 0;
    }
}

RejectReason RejectReasonOf(DecodeReason reason) {
    switch (reason) {
        case DecodeReason::kNotATrap: return RejectReason::kNotATrap;
        case DecodeReason::kUnknownUser: return RejectReason::kUnknownUser;
        case DecodeReason::kLevelNotAllowed: return RejectReason::kLevelNotAllowed;
        case DecodeReason::kAuthFailure: return RejectReason::kAuthFailure;
        case DecodeReason::kDecryptFailure: return RejectReason::kDecryptFailure;
        case DecodeReason::kMalformed: break;
    }
    return RejectReason::kMalformed;
}

std::string_view UserNameOf(const TrapRecord& record, int32_t version) {
    if (version != kSnmpV3) return {};
    return {record.userName.data(), strnlen(record.userName.data(), record.userName.size())};
}

void HandleDatagram(std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, uint16_t senderPort) {
    const ArrivedDatagram arrived(datagram, sender, senderPort, static_cast<uint32_t>(datagram.size()));
    TrapRecord& record = receivedTrap.Record();
    // Kept before it is counted, so that whoever sees the count finds the entry.
    const auto reject = [&](RejectReason reason, int32_t version, uint16_t offset) {
        TheRejectedMessages().Record(arrived, reason, static_cast<int8_t>(version), offset,
                                     UserNameOf(record, version));
    };
    DecodeFailure failure;
    const int result = DecodeDatagram(datagram, sender, receivedTrap, failure);
    if (result != kDecodeOk) reject(RejectReasonOf(failure.reason), failure.version, failure.offset);
    switch (result) {
        case kDecodeOk:
            if (ProcessTrap(record) != 0) {
                reject(RejectReason::kFiltered, record.version, 0);
                CountPacket(kPacketFilteredOut);
            } else {
                CountPacket(PacketKindOfVersion(record.version));
                CountGenericTrap(record.genericTrap);
            }
            break;
        case kDecodeAuthFailure: CountPacket(kPacketAuthFailure); break;
        case kDecodeDecryptFailure: CountPacket(kPacketDecryptFailure); break;
        default: CountPacket(kPacketDecodeError); break;
    }
}

void JoinFinishedThreads(std::vector<ServiceThread>& threads) {
    std::erase_if(threads, [](ServiceThread& service) {
        if (!service.finished->load()) return false;
        service.thread.join();
        return true;
    });
}

void StartServiceThread() {
    const uint16_t port = ReadSettings().trapPort;
    std::lock_guard lock(threadsMutex);
    JoinFinishedThreads(serviceThreads.running);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        serviceThreads.running.push_back({std::thread([port, finished] {
                                      RunReceiverService(port, stopRequested, HandleDatagram);
                                      finished->store(true);
                                  }),
                                  finished});
    } catch (const std::system_error&) {
        // No thread: the service stays stopped and can be started again.
        if (ServiceWindows* windows = GetServiceWindows()) windows->EnableServiceCommands(true, false);
    }
}

}  // namespace

void StartReceiver() {
    stopRequested.store(0);
    if (ServiceWindows* windows = GetServiceWindows()) windows->EnableServiceCommands(false, true);
    StartServiceThread();
}

void StopReceiver() {
    stopRequested.store(1);
    if (ServiceWindows* windows = GetServiceWindows()) windows->EnableServiceCommands(false, false);
    std::this_thread::sleep_for(kStopCommandWait);
    if (ServiceWindows* windows = GetServiceWindows()) windows->EnableServiceCommands(true, false);
}

void StartReceiverAutomatically() {
    stopRequested.store(0);
    StartServiceThread();
}

bool ShutdownReceiver() {
    stopRequested.store(1);
    std::vector<ServiceThread> ending;
    {
        std::lock_guard lock(threadsMutex);
        ending.swap(serviceThreads.running);
    }
    const auto allFinished = [&] {
        return std::all_of(ending.begin(), ending.end(), [](const ServiceThread& s) { return s.finished->load(); });
    };
    const auto deadline = std::chrono::steady_clock::now() + kShutdownWait;
    while (!allFinished() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool ended = allFinished();
    for (ServiceThread& service : ending) {
        if (service.finished->load())
            service.thread.join();
        else
            service.thread.detach();
    }
    return ended;
}

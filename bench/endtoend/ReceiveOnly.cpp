// The receiving side of the receive-only benchmark (bench/endtoend/receive_only.sh): the
// program's receiver service and decoder, with every datagram counted as the program
// counts it, and nothing after that (no log, no list, no filter).
//
//   olixtrap_receiveonly PORT   runs until SIGINT or SIGTERM, then prints the counters and
//                               the CPU time per datagram

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "pipeline/WindowPorts.h"
#include "platform/MessageBox.h"
#include "reception/ReceiverService.h"
#include "reception/RejectedMessages.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"
#include "trap/ReusableTrapRecord.h"
#include "users/UserStore.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: olixtrap_receiveonly PORT\n");
        return 2;
    }
    const auto port = static_cast<uint16_t>(std::atoi(argv[1]));
    // The signals are taken by a thread of their own, so that the receiver never sees one.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::atomic<int32_t> stopRequested{0};
    std::thread stopper([&stopSignals, &stopRequested] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        stopRequested.store(1);
    });

    auto record = std::make_unique<ReusableTrapRecord>();
    StandardErrorBoxes boxes;
    StoreReadFailures readFailures;
    const UserStore users(readFailures, {.boxes = boxes});
    WindowPorts windows;
    PacketCounters counters;
    LossCounters losses;
    const auto rejected = std::make_unique<RejectedMessages>();
    const auto keys = std::make_unique<UsmKeyCache>();
    const TrapDecoder decoder(users, *keys);
    ReceiverService service({windows, counters, losses, *rejected, boxes});
    service.Run(port, stopRequested,
                [&](std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, uint16_t) {
                    DecodeFailure failure;
                    if (decoder.Decode(datagram, sender, *record, failure) != kDecodeOk) {
                        counters.CountPacket(kPacketDecodeError);
                        return;
                    }
                    counters.CountPacket(PacketKindOfVersion(record->Record().version));
                    counters.CountGenericTrap(record->Record().genericTrap);
                });
    // A service that ended by itself (the port was taken) ends the waiting thread too.
    if (stopRequested.load() == 0) kill(getpid(), SIGTERM);
    stopper.join();

    const PacketCountBlock counted = counters.Snapshot();
    const double cpu = CpuSeconds();
    std::printf("received %u v2c %u v3 %u decode_errors %u cpu_us/datagram %.2f\n",
                counted.allPackets, counted.snmpV2cPackets, counted.snmpV3Packets,
                counted.decodeErrors,
                counted.allPackets > 0 ? cpu * 1e6 / counted.allPackets : 0.0);
    return 0;
}

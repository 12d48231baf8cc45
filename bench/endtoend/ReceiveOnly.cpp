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

#include "reception/ReceiverService.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "trap/PacketCounters.h"
#include "trap/ReusableTrapRecord.h"
#include "users/UserStore.h"

namespace {

std::atomic<int32_t> stopRequested{0};

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
    std::thread stopper([&stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        stopRequested.store(1);
    });

    auto record = std::make_unique<ReusableTrapRecord>();
    StoreReadFailures readFailures;
    const UserStore users(readFailures);
    RunReceiverService(
        port, stopRequested,
        [&record, &users](std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, uint16_t) {
            DecodeFailure failure;
            if (DecodeDatagram(users, datagram, sender, *record, failure) != kDecodeOk) {
                CountPacket(kPacketDecodeError);
                return;
            }
            CountPacket(PacketKindOfVersion(record->Record().version));
            CountGenericTrap(record->Record().genericTrap);
        });
    // A service that ended by itself (the port was taken) ends the waiting thread too.
    if (stopRequested.load() == 0) kill(getpid(), SIGTERM);
    stopper.join();

    const PacketCounters counters = SnapshotCounters();
    const double cpu = CpuSeconds();
    std::printf("received %u v2c %u v3 %u decode_errors %u cpu_us/datagram %.2f\n",
                counters.allPackets, counters.snmpV2cPackets, counters.snmpV3Packets,
                counters.decodeErrors,
                counters.allPackets > 0 ? cpu * 1e6 / counters.allPackets : 0.0);
    return 0;
}

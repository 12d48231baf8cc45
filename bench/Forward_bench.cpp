#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/DecodeSamples.h"
#include "forward/CapturedTrap.h"
#include "forward/Forwarder.h"
#include "forward/JsonLine.h"
#include "forward/SyslogMessage.h"
#include "forward/TrapFields.h"
#include "platform/MessageBox.h"
#include "records/StoreReadFailures.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "trap/LossCounters.h"
#include "traplog/TrapText.h"
#include "users/UserStore.h"

namespace {

// The SNMPv2c sample decoded once; each benchmark starts from its record.
const TrapRecord& DecodedV2c() {
    static const std::unique_ptr<TrapRecord> decoded = [] {
        auto record = std::make_unique<TrapRecord>();
        std::vector<uint8_t> datagram = kV2cTrap;
        StandardErrorBoxes boxes;
        StoreReadFailures readFailures;
        const UserStore users(readFailures, {.boxes = boxes});  // an SNMPv2c trap names no user
        const auto keys = std::make_unique<UsmKeyCache>();
        if (TrapDecoder(users, *keys).Decode(datagram, {127, 0, 0, 1}, *record) != kDecodeOk)
            std::abort();
        return record;
    }();
    return *decoded;
}

// What the receiver thread pays per trap for all destinations together.
void BM_ForwardCaptureOnReceiverThread(benchmark::State& state) {
    const TrapRecord& record = DecodedV2c();
    for (auto _ : state) {
        auto trap = std::make_shared<CapturedTrap>();
        trap->received = std::chrono::system_clock::now();
        trap->packedRecord = PackTrapRecord(record);
        benchmark::DoNotOptimize(trap);
    }
}
BENCHMARK(BM_ForwardCaptureOnReceiverThread);

// A sender thread's work per trap before its write: unpack and build the text.
void BM_ForwardJsonLine(benchmark::State& state) {
    const std::string packed = PackTrapRecord(DecodedV2c());
    auto record = std::make_unique<TrapRecord>();
    const auto now = std::chrono::system_clock::now();
    for (auto _ : state) {
        UnpackTrapRecord(packed, *record);
        benchmark::DoNotOptimize(BuildJsonLine(CollectTrapFields(*record, now, 1162)));
    }
}
BENCHMARK(BM_ForwardJsonLine);

void BM_ForwardSyslogMessage(benchmark::State& state) {
    const std::string packed = PackTrapRecord(DecodedV2c());
    auto record = std::make_unique<TrapRecord>();
    const auto now = std::chrono::system_clock::now();
    const AppSettings settings{};  // empty display formats
    const SyslogOrigin origin{"bench", "1"};
    for (auto _ : state) {
        UnpackTrapRecord(packed, *record);
        const std::string message = ForwardText(ExpandTrapMessage(*record, settings));
        benchmark::DoNotOptimize(
            BuildSyslogMessage(CollectTrapFields(*record, now, 1162), message, 16, 5, origin));
    }
}
BENCHMARK(BM_ForwardSyslogMessage);

}  // namespace

namespace {

// The receiver thread's share of an SNMP relay for one trap with one relay destination:
// whether the datagram came back, then Forwarder::Tap, which copies the datagram and queues
// it. Argument 0: a new datagram each time; 1: the same datagram again and again (as a loop
// would bring it back: found, and not tapped). The sender delivers to a socket that takes
// and discards; its queue is emptied outside the timing.
void BM_ForwardRelayTap(benchmark::State& state) {
    const int sink = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (sink < 0 || ::bind(sink, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::getsockname(sink, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        std::abort();
    SettingsSource settings;
    LossCounters losses;
    Forwarder forwarder(settings, losses);
    ForwardSettings destinations;
    destinations[0].kind = ForwardKind::kSnmp;
    destinations[0].host = "127.0.0.1";
    destinations[0].port = ntohs(address.sin_port);
    forwarder.ApplyForwardSettings(destinations);
    const TrapRecord& record = DecodedV2c();
    std::vector<uint8_t> datagram = kV2cTrap;
    uint32_t serial = 0;
    for (auto _ : state) {
        // The last octets are the value of a binding; a new value makes a new datagram.
        if (state.range(0) == 0) std::memcpy(datagram.data() + datagram.size() - 4, &serial, 4);
        if (!forwarder.CameBack(datagram))
            forwarder.Tap(record, TappedDatagram{datagram, {127, 0, 0, 1}, 1162}, true);
        if (++serial % 1000 == 0) {
            state.PauseTiming();
            if (!forwarder.DrainForwarding(std::chrono::seconds(10))) std::abort();
            std::array<char, 2048> discard;
            while (::recv(sink, discard.data(), discard.size(), MSG_DONTWAIT) > 0) {
            }
            state.ResumeTiming();
        }
    }
    forwarder.ShutdownForwarding(std::chrono::seconds(2));
    ::close(sink);
}
BENCHMARK(BM_ForwardRelayTap)->Arg(0)->Arg(1);

}  // namespace

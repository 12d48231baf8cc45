#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/DecodeSamples.h"
#include "forward/CapturedTrap.h"
#include "forward/JsonLine.h"
#include "forward/SyslogMessage.h"
#include "forward/TrapFields.h"
#include "platform/MessageBox.h"
#include "records/StoreReadFailures.h"
#include "settings/AppSettings.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
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

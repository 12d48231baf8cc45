#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "traplog/LogLine.h"
#include "traplog/TrapRowTexts.h"
#include "traplog/TrapText.h"

namespace {

// An SNMPv1 trap with the given number of bindings, each an OCTET STRING of 133 octets:
// the longest value text a binding can hold.
std::unique_ptr<TrapRecord> TrapWithBindings(int count) {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    SetFixedText(record->community, "public");
    SetFixedText(record->enterprise, "1.3.6.1.4.1.9999");
    record->genericTrap = 6;
    record->timeStamp = 123456;
    record->varBindCount = count;
    for (int i = 0; i < count; ++i) {
        SetFixedText(record->varBinds[i].name, "1.3.6.1.4.1.9999.1.2.3.4");
        record->varBinds[i].tag = 0x04;
        for (int k = 0; k < 133; ++k) std::memcpy(record->varBinds[i].hexText() + 3 * k, "5A ", 3);
    }
    return record;
}

void BM_ExpandDefaultV1Format(benchmark::State& state) {
    const auto record = TrapWithBindings(static_cast<int>(state.range(0)));
    const std::string format =
        "Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B";
    for (auto _ : state) benchmark::DoNotOptimize(ExpandTrapText(*record, format));
}
BENCHMARK(BM_ExpandDefaultV1Format)->Arg(1)->Arg(10)->Arg(100);

// Every field of an SNMPv1 trap (argument 0) or of an SNMPv3 one (3), whose row shows its
// engine ID and its authentication, privacy and context octets in hexadecimal.
void BM_FormatEveryField(benchmark::State& state) {
    const auto record = TrapWithBindings(1);
    record->version = static_cast<int32_t>(state.range(0));
    if (record->version == 3) {
        record->engineIdLength = 8;
        record->authParamsLength = 12;
        record->privParamsLength = 8;
        record->contextEngineIdLength = 8;
        record->engineBoots = 1;
        record->engineTime = 1000;
    }
    for (auto _ : state) {
        for (int field = 0; field < kTrapFieldCount; ++field)
            benchmark::DoNotOptimize(FormatTrapField(*record, static_cast<TrapField>(field), 0));
    }
}
BENCHMARK(BM_FormatEveryField)->Arg(0)->Arg(3);

// The texts one received trap gets with the log on: its log line and its list row, both
// showing the one-line message of the default SNMPv1 format.
void BM_TrapTextLogLineAndRow(benchmark::State& state) {
    const auto record = TrapWithBindings(static_cast<int>(state.range(0)));
    AppSettings settings{};
    SetFixedText(settings.formatV1,
                 "Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B");
    const std::tm now{};
    for (auto _ : state) {
        const std::string message = ExpandTrapMessage(*record, settings);
        benchmark::DoNotOptimize(BuildLogLine(*record, message, now));
        benchmark::DoNotOptimize(BuildTrapRowTexts(*record, message, now));
    }
}
BENCHMARK(BM_TrapTextLogLineAndRow)->Arg(1)->Arg(10);

}  // namespace

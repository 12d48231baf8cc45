#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "alarms/AlarmEngine.h"
#include "settings/SettingsSource.h"
#include "snmp/BerTags.h"
#include "trap/LossCounters.h"

namespace {

// A decoded SNMPv2c linkDown with its ifIndex binding, as the decoder leaves it.
std::unique_ptr<TrapRecord> LinkDown() {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = kSnmpV2c;
    record->sourceAddress = {10, 0, 0, 1};
    record->varBindCount = 3;
    std::strcpy(record->varBinds[0].name.data(), "1.3.6.1.2.1.1.3.0");
    record->varBinds[0].tag = kTagTimeTicks;
    record->varBinds[0].intValue = 100;
    std::strcpy(record->varBinds[1].name.data(), "1.3.6.1.6.3.1.1.4.1.0");
    record->varBinds[1].tag = kTagOid;
    std::strcpy(record->varBinds[1].oidText(), "1.3.6.1.6.3.1.1.5.3");
    std::strcpy(record->varBinds[2].name.data(), "1.3.6.1.2.1.2.2.1.1.1");
    record->varBinds[2].tag = kTagInteger;
    record->varBinds[2].intValue = 1;
    return record;
}

// The receiver thread's alarm step for repeats of alarms that exist: `alarms` of them
// (senders of 10 interfaces each) in turn. The store's writer is stood in for by taking
// its batch now and then, outside the timing.
void BM_AlarmRepeat(benchmark::State& state) {
    SettingsSource settings;
    LossCounters losses;
    AlarmEngine engine({.settings = settings, .mib = nullptr, .losses = losses});
    auto record = LinkDown();
    const int alarms = static_cast<int>(state.range(0));
    const auto aim = [&](int n) {
        const int sender = n / 10;
        record->sourceAddress = {10, 1, static_cast<uint8_t>(sender >> 8),
                                 static_cast<uint8_t>(sender)};
        const std::string name = "1.3.6.1.2.1.2.2.1.1." + std::to_string(n % 10 + 1);
        std::strcpy(record->varBinds[2].name.data(), name.c_str());
        record->varBinds[2].intValue = static_cast<uint32_t>(n % 10 + 1);
    };
    for (int n = 0; n < alarms; ++n) {
        aim(n);
        engine.Tap(*record, TappedDatagram{}, true);
    }
    AlarmStoreBatch batch;
    engine.TakeStoreBatch(batch);
    // The records of each alarm, made once, so that the loop measures the alarm step alone.
    std::vector<std::unique_ptr<TrapRecord>> records;
    for (int n = 0; n < std::min(alarms, 64); ++n) {
        aim(n * (alarms / std::min(alarms, 64)));
        records.push_back(std::make_unique<TrapRecord>(*record));
    }
    std::size_t at = 0;
    int64_t taps = 0;
    for (auto _ : state) {
        engine.Tap(*records[at], TappedDatagram{}, true);
        at = at + 1 == records.size() ? 0 : at + 1;
        if (++taps % 8192 == 0) {
            state.PauseTiming();
            batch.Clear();
            engine.TakeStoreBatch(batch);
            state.ResumeTiming();
        }
    }
    state.counters["alarms"] = static_cast<double>(engine.AlarmCount());
    state.counters["dropped"] = static_cast<double>(losses.Read(LossKind::kAlarmsDropped));
}
BENCHMARK(BM_AlarmRepeat)->Arg(1)->Arg(10'000);

}  // namespace

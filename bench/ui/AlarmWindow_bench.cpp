// The alarm window during a storm: a thread feeds the engine a million traps from 1,000
// senders with 10 interfaces each (10,000 alarms) at 200,000 a second, as the receiver
// would, while the window ticks, updates its rows in place, sorts and paints. The figure
// is the longest time one turn of the event loop took, which is how long the window
// could not answer. Arg 0: sorted by severity; 1: sorted by count, which every repeat
// changes; 2: sorted by count with a search text filtering the rows.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "alarms/AlarmEngine.h"
#include "alarms/dialogs/AlarmListModel.h"
#include "alarms/dialogs/AlarmWindow.h"
#include "platform/FixedText.h"
#include "settings/SettingsSource.h"
#include "trap/LossCounters.h"
#include "trap/TrapRecord.h"

namespace {

constexpr int kSenders = 1000;
constexpr int kInterfaces = 10;
constexpr int kTraps = 1'000'000;
constexpr int kTrapsPerMs = 200;

// linkDown (SNMPv1 generic 2) of one sender's interface.
std::unique_ptr<TrapRecord> LinkDown(int sender, int ifIndex) {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 0;
    record->sourceAddress = {10, static_cast<uint8_t>(sender >> 8),
                             static_cast<uint8_t>(sender & 0xFF), 1};
    record->agentAddress = record->sourceAddress;
    SetFixedText(record->community, "public");
    SetFixedText(record->enterprise, "1.3.6.1.4.1.8072.3.2.10");
    record->genericTrap = 2;
    record->timeStamp = 360000;
    VarBindEntry& entry = record->varBinds[0];
    SetFixedText(entry.name, "1.3.6.1.2.1.2.2.1.1." + std::to_string(ifIndex));
    entry.tag = 0x02;
    entry.intValue = static_cast<uint32_t>(ifIndex);
    record->varBindCount = 1;
    return record;
}

void BM_AlarmWindowStormLongestPause(benchmark::State& state) {
    std::vector<std::unique_ptr<TrapRecord>> traps;
    for (int sender = 0; sender < kSenders; ++sender)
        for (int ifIndex = 1; ifIndex <= kInterfaces; ++ifIndex)
            traps.push_back(LinkDown(sender, ifIndex));
    for (auto _ : state) {
        SettingsSource settings;
        LossCounters losses;
        AlarmEngine engine{{.settings = settings, .mib = nullptr, .losses = losses}};
        CAlarmWindow window(engine, std::string());
        window.show();
        if (state.range(0) >= 1)
            window.List()->sortByColumn(static_cast<int>(AlarmColumn::kCount), Qt::DescendingOrder);
        if (state.range(0) == 2) window.SearchBox()->setText(QStringLiteral("10.0.1"));
        std::atomic<bool> fed{false};
        double feedSeconds = 0;
        std::thread feeder([&] {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kTraps; ++i) {
                engine.Tap(*traps[static_cast<std::size_t>(i) % traps.size()], TappedDatagram{},
                           true);
                if ((i + 1) % kTrapsPerMs == 0)
                    std::this_thread::sleep_until(start +
                                                  std::chrono::milliseconds((i + 1) / kTrapsPerMs));
            }
            feedSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            fed = true;
        });
        double longestMs = 0;
        int turns = 0;
        // Until the feed ends and one more tick has shown its end.
        auto lastTurn = std::chrono::steady_clock::now();
        auto endAt = std::chrono::steady_clock::time_point::max();
        while (std::chrono::steady_clock::now() < endAt) {
            const auto before = std::chrono::steady_clock::now();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            lastTurn = std::chrono::steady_clock::now();
            longestMs = std::max(
                longestMs, std::chrono::duration<double, std::milli>(lastTurn - before).count());
            ++turns;
            if (fed && endAt == std::chrono::steady_clock::time_point::max())
                endAt = lastTurn + std::chrono::milliseconds(2 * CAlarmWindow::kTickMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        feeder.join();
        state.counters["longest_pause_ms"] = longestMs;
        state.counters["alarms"] = static_cast<double>(window.Model()->rowCount());
        state.counters["traps_per_s"] = kTraps / feedSeconds;
        state.counters["turns"] = turns;
    }
}
BENCHMARK(BM_AlarmWindowStormLongestPause)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

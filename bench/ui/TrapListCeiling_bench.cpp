// The trap list at its ceiling (MAXROWS 100,000): resident memory while 300,000 traps pass
// through it, and the user interface thread's time for pushing out the oldest rows.

#include <benchmark/benchmark.h>

#include <QTableView>

#include <memory>
#include <string>

#include "bench/ui/ResidentMemory.h"
#include "platform/FixedText.h"
#include "platform/MessageBox.h"
#include "program/Program.h"
#include "settings/AppSettings.h"
#include "trap/TrapRecord.h"
#include "traplog/TrapText.h"
#include "ui/EventView.h"
#include "ui/TrapListModel.h"

namespace {

constexpr int kCeiling = 100000;
constexpr int kBatch = 1000;  // one 40 ms tick at 25,000 traps a second

// A link-down trap as SNMPv2c agents send it: uptime, trap OID, ifIndex, ifDescr.
std::unique_ptr<TrapRecord> LinkDownTrap() {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 1;
    record->sourceAddress = {192, 0, 2, 10};
    SetFixedText(record->community, "public");
    record->genericTrap = 2;
    record->requestId = 123456;
    const char* names[] = {"1.3.6.1.2.1.1.3.0", "1.3.6.1.6.3.1.1.4.1.0", "1.3.6.1.2.1.2.2.1.1.3"};
    for (int i = 0; i < 3; ++i) {
        VarBindEntry& entry = record->varBinds[static_cast<std::size_t>(i)];
        SetFixedText(entry.name, names[i]);
        entry.tag = 0x02;
        entry.intValue = static_cast<uint32_t>(360000 + i);
    }
    record->varBindCount = 3;
    return record;
}

void SetCeiling(Program& program, int rows) {
    AppSettings settings = program.Settings().Snapshot();
    settings.maxRows = rows;
    SetFixedText(settings.formatV2c, "Com = %C / VarBindings = %B");
    program.Settings().Replace(settings);
}

void QueueBatch(Program& program, const TrapRecord& trap) {
    const std::string message = ExpandTrapMessage(trap, program.Settings().Snapshot());
    // The list takes each batch before the next: the queue never refuses a row here.
    for (int i = 0; i < kBatch; ++i)
        static_cast<void>(program.Rows().QueueReceivedTrapRow(trap, message));
}

// Resident memory after every 50,000 traps; it must stay flat once the list is full.
void BM_StormThroughFullList(benchmark::State& state) {
    constexpr int kTraps = 300000;
    const auto trap = LinkDownTrap();
    StandardErrorBoxes boxes;
    for (auto _ : state) {
        const auto program = std::make_unique<Program>(boxes);
        SetCeiling(*program, kCeiling);
        CEventView view(program->Settings(), program->Mib(), program->TrapReceiver(),
                        program->Losses(), program->Rows(), boxes);
        view.resize(800, 380);
        view.show();
        const double before = ResidentMiB();
        for (int sent = kBatch; sent <= kTraps; sent += kBatch) {
            QueueBatch(*program, *trap);
            view.InsertQueuedRows();
            if (sent % 50000 == 0)
                state.counters["MiB@" + std::to_string(sent / 1000) + "k"] = ResidentMiB();
            if (sent == kCeiling)
                state.counters["bytes/row"] = (ResidentMiB() - before) * 1024 * 1024 / kCeiling;
        }
    }
}
BENCHMARK(BM_StormThroughFullList)->Iterations(1)->Unit(benchmark::kMillisecond);

// One batch taken into a list of 100,000 rows. At the ceiling (1) each batch pushes out as
// many of the oldest rows as it brings; below it (0) as many are taken out before the batch,
// untimed. The difference between the two is the time spent removing rows.
void BM_InsertBatch(benchmark::State& state) {
    const bool atCeiling = state.range(0) != 0;
    const auto trap = LinkDownTrap();
    StandardErrorBoxes boxes;
    const auto program = std::make_unique<Program>(boxes);
    SetCeiling(*program, atCeiling ? kCeiling : kMaxRowsHighest);
    CEventView view(program->Settings(), program->Mib(), program->TrapReceiver(), program->Losses(),
                    program->Rows(), boxes);
    view.resize(800, 380);
    view.show();
    auto* model = dynamic_cast<TrapListModel*>(view.List()->model());
    for (int rows = 0; rows < kCeiling; rows += kBatch) {
        QueueBatch(*program, *trap);
        view.InsertQueuedRows();
    }
    for (auto _ : state) {
        state.PauseTiming();
        if (!atCeiling) model->RemoveRows(0, kBatch);
        QueueBatch(*program, *trap);
        state.ResumeTiming();
        view.InsertQueuedRows();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_InsertBatch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

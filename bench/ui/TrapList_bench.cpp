// The received trap list with many rows: the cost of one more row, of painting the visible
// rows and of reading a row back, with 100,000 rows in the list; the resident memory a
// row takes in a list of a million; and how long a search of a million rows holds the window.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <algorithm>
#include <chrono>
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
#include "ui/TrapListFinder.h"

namespace {

std::unique_ptr<TrapRecord> SampleTrap() {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 0;
    record->sourceAddress = {192, 0, 2, 10};
    record->agentAddress = record->sourceAddress;
    SetFixedText(record->community, "public");
    SetFixedText(record->enterprise, "1.3.6.1.4.1.8072.3.2.10");
    record->genericTrap = 2;
    record->timeStamp = 360000;
    for (int i = 0; i < 4; ++i) {
        VarBindEntry& entry = record->varBinds[static_cast<std::size_t>(i)];
        SetFixedText(entry.name, "1.3.6.1.2.1.2.2.1.1.3");
        entry.tag = 0x02;
        entry.intValue = static_cast<uint32_t>(i);
    }
    record->varBindCount = 4;
    return record;
}

struct FilledList {
    explicit FilledList(int rows) : trap(SampleTrap()) {
        AppSettings settings = program.Settings().Snapshot();
        SetFixedText(settings.formatV1,
                     "Com = %C / ePrise = %E / GID = %G / SID = %S / VarBindings = %B");
        program.Settings().Replace(settings);
        message = ExpandTrapMessage(*trap, settings);
        view.resize(800, 380);
        view.show();
        for (int i = 0; i < rows; ++i) Queue();
        view.InsertQueuedRows();
    }
    // Queues the row of the sample trap; the list takes the rows before the queue's bound,
    // so none is refused.
    void Queue() { static_cast<void>(program.Rows().QueueReceivedTrapRow(*trap, message)); }

    StandardErrorBoxes boxes;
    Program program{boxes};
    std::unique_ptr<TrapRecord> trap;
    std::string message;
    CEventView view{program.Settings(), program.Mib(),  program.TrapReceiver(),
                    program.Losses(),   program.Rows(), boxes};
};

// One trap's row: built and queued on the receiver's side, inserted in a batch of 1,000.
void BM_AddTrapRow(benchmark::State& state) {
    constexpr int kBatch = 1000;
    FilledList list(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) list.Queue();
        list.view.InsertQueuedRows();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_AddTrapRow)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond);

// Rows arrive as the receiver queues them and the list takes them, 2,000 a tick (50,000
// traps a second); the growth of the resident set is the cost of the rows.
void BM_ResidentBytesPerRow(benchmark::State& state) {
    constexpr int kRows = 1000000;
    constexpr int kRowsPerTick = 2000;
    for (auto _ : state) {
        auto list = std::make_unique<FilledList>(0);
        const double before = ResidentMiB();
        for (int row = 0; row < kRows; row += kRowsPerTick) {
            for (int i = 0; i < kRowsPerTick; ++i) list->Queue();
            list->view.InsertQueuedRows();
            QCoreApplication::processEvents();
        }
        state.counters["bytes_per_row"] = (ResidentMiB() - before) * 1024 * 1024 / kRows;
    }
}
BENCHMARK(BM_ResidentBytesPerRow)->Iterations(1)->Unit(benchmark::kSecond);

void BM_PaintVisibleRows(benchmark::State& state) {
    FilledList list(static_cast<int>(state.range(0)));
    QTableView* table = list.view.List();
    table->scrollTo(table->model()->index(list.view.RowCount() / 2, 0));
    for (auto _ : state) benchmark::DoNotOptimize(table->viewport()->grab());
}
BENCHMARK(BM_PaintVisibleRows)->Arg(100)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadTrapRow(benchmark::State& state) {
    FilledList list(100000);
    TrapListRow row;
    int index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.view.ReadTrapRow(index, row));
        index = (index + 7919) % 100000;
    }
}
BENCHMARK(BM_ReadTrapRow)->Unit(benchmark::kMicrosecond);

// A search over a million rows as the search box runs it: the whole search, and the longest
// time the event loop was held by one step of it (a slice of rows, or the filter taking the
// results), which is how long the window cannot answer. Arg 0: no row matches; 1: all do;
// 2: a filter expression on a binding by its MIB name and on the name column, which
// every row passes.
void BM_SearchMillionRowsLongestPause(benchmark::State& state) {
    FilledList list(1000000);
    CTrapListFinder& finder = *list.view.Finder();
    double longestMs = 0;
    for (auto _ : state) {
        finder.TextBox()->clear();
        finder.ApplySearch();
        const QString texts[] = {QStringLiteral("core-sw99"), QStringLiteral("public"),
                                 QStringLiteral("ifIndex == 3 && trap ~ \"linkDown\"")};
        finder.TextBox()->setText(texts[state.range(0)]);
        auto start = std::chrono::steady_clock::now();
        finder.ApplySearch();
        auto stepEnd = std::chrono::steady_clock::now();
        longestMs =
            std::max(longestMs, std::chrono::duration<double, std::milli>(stepEnd - start).count());
        for (int turn = 0; finder.Searching() && turn < 100000; ++turn) {
            start = std::chrono::steady_clock::now();
            QCoreApplication::processEvents();
            stepEnd = std::chrono::steady_clock::now();
            longestMs = std::max(
                longestMs, std::chrono::duration<double, std::milli>(stepEnd - start).count());
        }
    }
    state.counters["longest_pause_ms"] = longestMs;
}
BENCHMARK(BM_SearchMillionRowsLongestPause)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Searching the trap list: one text through a million rows as the list keeps them, found in
// none (every row read to its end) and in one row of ten.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "traplog/TrapRowSearch.h"

namespace {

std::vector<TrapRow> MillionRows() {
    std::vector<TrapRow> rows;
    rows.reserve(1000000);
    TrapRowTexts texts;
    texts.columns[1] = "2024/03/02 09:05:03";
    texts.columns[4] = "2";
    texts.columns[6] = "public";
    for (int i = 0; i < 1000000; ++i) {
        texts.image = i % 8;
        texts.columns[2] = "192.0.2." + std::to_string(i % 250);
        texts.columns[kMessageColumn] =
            "Com = public / VarBindings =  { 1.3.6.1.2.1.1.3.0 = 00:55:" + std::to_string(i % 60) +
            " }{ 1.3.6.1.6.3.1.1.4.1.0 = 1.3.6.1.6.3.1.1.5." + std::to_string(i % 10) + " }";
        texts.columns[kBindingsColumn] =
            "1.3.6.1.2.1.1.3.0,00:55:12,1.3.6.1.6.3.1.1.4.1.0,1.3.6.1.6.3.1.1.5.3,";
        rows.push_back(PackTrapRow(texts));
    }
    return rows;
}

void SearchMillion(benchmark::State& state, const char* text) {
    static const std::vector<TrapRow> rows = MillionRows();
    const TrapRowQuery query{text, -1, 0};
    for (auto _ : state) {
        std::size_t shown = 0;
        for (const TrapRow& row : rows) shown += TrapRowMatches(row, query) ? 1 : 0;
        benchmark::DoNotOptimize(shown);
    }
}

void BM_SearchMillionRowsFindingNone(benchmark::State& state) { SearchMillion(state, "core-sw99"); }
void BM_SearchMillionRowsFindingOneInTen(benchmark::State& state) {
    SearchMillion(state, "1.1.5.7 }");
}
BENCHMARK(BM_SearchMillionRowsFindingNone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchMillionRowsFindingOneInTen)->Unit(benchmark::kMillisecond);

}  // namespace

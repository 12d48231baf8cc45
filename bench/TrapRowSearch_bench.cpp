// Searching the trap list: one text through a million rows as the list keeps them, found in
// none (every row read to its end) and in one row of ten; and filter expressions, compiled
// once, on the same rows: over cells and addresses, over one binding by its OID, and the
// same with letters in either case.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "traplog/TrapRowFilter.h"
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

void FilterMillion(benchmark::State& state, const char* expression, bool ignoreCase) {
    static const std::vector<TrapRow> rows = MillionRows();
    auto compiled = TrapRowFilter::Compile(expression, ignoreCase);
    if (!std::holds_alternative<std::shared_ptr<const TrapRowFilter>>(compiled)) {
        state.SkipWithError("the expression does not compile");
        return;
    }
    const TrapRowQuery query{std::get<std::shared_ptr<const TrapRowFilter>>(compiled)};
    std::size_t shown = 0;
    for (auto _ : state) {
        shown = 0;
        for (const TrapRow& row : rows) shown += TrapRowMatches(row, query) ? 1 : 0;
        benchmark::DoNotOptimize(shown);
    }
    state.counters["shown"] = static_cast<double>(shown);
}

// Cells, a CIDR and a text: one row of 250 passes.
void BM_FilterMillionRowsOnCells(benchmark::State& state) {
    FilterMillion(
        state,
        R"(source == 192.0.2.0/24 && version == 2 && message ~ "1.1.5.7 }" && source == 192.0.2.7)",
        false);
}
// A binding by OID (an instance of it) and a cell, which every row passes.
void BM_FilterMillionRowsOnABinding(benchmark::State& state) {
    FilterMillion(state, "1.3.6.1.6.3.1.1.4.1 == 1.3.6.1.6.3.1.1.5.3 && community == public",
                  false);
}
void BM_FilterMillionRowsIgnoringCase(benchmark::State& state) {
    FilterMillion(state, R"(community == PUBLIC && message ~ "VARBINDINGS = ")", true);
}
BENCHMARK(BM_FilterMillionRowsOnCells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterMillionRowsOnABinding)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterMillionRowsIgnoringCase)->Unit(benchmark::kMillisecond);

}  // namespace

#pragma once
// The status bar's account of traps the program missed: each loss count above zero with
// its name, then each store whose file cannot be read with its count of failed reads; an
// empty text when nothing was lost. Rows trimmed at the list's ceiling are no loss of a
// trap and have a text of their own. Counts are taken since a baseline (the last clear of
// the display); the tooltip gives both. No Qt here.

#include <array>
#include <cstdint>
#include <string>

#include "trap/LossCounters.h"

class StoreReadFailures;

using LossCounts = std::array<uint64_t, kLossKindCount>;

LossCounts ReadLossCounts(const LossCounters& losses);

// UTF-8, for example "受信破棄 (カーネル): 12 | ログ書込失敗: 1". The stores' failed reads
// come from failures.
std::string LossSummary(const LossCounters& losses, const StoreReadFailures& failures,
                        const LossCounts& baseline = {});
// "一覧上限で除外: 500", or empty.
std::string TrimmedRowsSummary(const LossCounters& losses, const LossCounts& baseline = {});
// What each count means, since the clear (sinceText) and since start-up.
std::string LossToolTip(const LossCounters& losses, const LossCounts& baseline,
                        const std::string& sinceText);

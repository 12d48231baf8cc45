#include "ui/LossSummary.h"

#include <array>

#include "reception/LossCounters.h"

namespace {

struct LossLabel {
    LossKind kind;
    const char* name;
};

constexpr std::array<LossLabel, kLossKindCount> kLossLabels = {{
    {LossKind::kKernelDrops, "受信破棄 (カーネル)"},
    {LossKind::kMailsDropped, "メール破棄"},
    {LossKind::kRowsRemoved, "一覧から除外"},
    {LossKind::kProgramsSkipped, "プログラム起動省略"},
    {LossKind::kLogLinesLost, "ログ書込失敗"},
}};

}  // namespace

std::string LossSummary() {
    std::string summary;
    for (const LossLabel& label : kLossLabels) {
        const uint64_t count = ReadLoss(label.kind);
        if (count == 0) continue;
        if (!summary.empty()) summary += "  ";
        summary += std::string(label.name) + ": " + std::to_string(count);
    }
    return summary;
}

#include "ui/LossSummary.h"

#include <array>

#include "notify/records/StoreReadFailures.h"
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
    {LossKind::kForwardDropped, "転送破棄"},
}};

struct StoreLabel {
    StoreKind kind;
    const char* name;
};

constexpr std::array<StoreLabel, kStoreKindCount> kStoreLabels = {{
    {StoreKind::kRules, "ルール読込失敗"},
    {StoreKind::kUsers, "ユーザー読込失敗"},
}};

void AddCount(std::string& summary, const char* name, uint64_t count) {
    if (!summary.empty()) summary += "  ";
    summary += std::string(name) + ": " + std::to_string(count);
}

}  // namespace

std::string LossSummary() {
    std::string summary;
    for (const LossLabel& label : kLossLabels) {
        const uint64_t count = ReadLoss(label.kind);
        if (count != 0) AddCount(summary, label.name, count);
    }
    // A store's failed reads are shown only while its file stays unreadable.
    for (const StoreLabel& label : kStoreLabels)
        if (StoreReadFailing(label.kind)) AddCount(summary, label.name, StoreReadFailures(label.kind));
    return summary;
}

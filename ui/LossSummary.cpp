#include "ui/LossSummary.h"

#include "records/StoreReadFailures.h"

namespace {

struct LossLabel {
    LossKind kind;
    const char* name;
    const char* meaning;
};

constexpr std::array<LossLabel, kLossKindCount> kLossLabels = {{
    {LossKind::kKernelDrops, "受信破棄 (カーネル)",
     "受信バッファが一杯でカーネルが捨てたデータグラム"},
    {LossKind::kMailsDropped, "メール破棄",
     "送信待ちが上限 (1,000 通) を超えて送らなかった通知メール"},
    {LossKind::kRowsRemoved, "一覧上限で除外",
     "一覧の上限行数を超えて一覧から外した古い行 (ログには残る)"},
    {LossKind::kProgramsSkipped, "プログラム起動省略",
     "同時に動くプログラムが上限のため起動しなかったアクション"},
    {LossKind::kLogLinesLost, "ログ書込失敗", "ディスク不足などで書けなかったログ行"},
    {LossKind::kForwardDropped, "転送破棄", "転送先の送信待ちが一杯で転送しなかったトラップ"},
    {LossKind::kAlarmsDropped, "アラーム破棄",
     "アラーム保存の待ちが一杯で記録しなかった変化と、アラーム表が一杯で扱わなかったトラップ"},
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
    if (!summary.empty()) summary += " | ";
    summary += std::string(name) + ": " + std::to_string(count);
}

uint64_t Since(const LossCounters& losses, const LossCounts& baseline, LossKind kind) {
    const uint64_t now = losses.Read(kind);
    const uint64_t base = baseline[static_cast<std::size_t>(kind)];
    return now > base ? now - base : 0;
}

}  // namespace

LossCounts ReadLossCounts(const LossCounters& losses) {
    LossCounts counts{};
    for (const LossLabel& label : kLossLabels)
        counts[static_cast<std::size_t>(label.kind)] = losses.Read(label.kind);
    return counts;
}

std::string LossSummary(const LossCounters& losses, const StoreReadFailures& failures,
                        const LossCounts& baseline) {
    std::string summary;
    for (const LossLabel& label : kLossLabels) {
        if (label.kind == LossKind::kRowsRemoved) continue;
        const uint64_t count = Since(losses, baseline, label.kind);
        if (count != 0) AddCount(summary, label.name, count);
    }
    // A store's failed reads are shown only while its file stays unreadable.
    for (const StoreLabel& label : kStoreLabels)
        if (failures.Failing(label.kind))
            AddCount(summary, label.name, failures.Failures(label.kind));
    return summary;
}

std::string TrimmedRowsSummary(const LossCounters& losses, const LossCounts& baseline) {
    std::string summary;
    const uint64_t count = Since(losses, baseline, LossKind::kRowsRemoved);
    if (count != 0)
        AddCount(summary, kLossLabels[static_cast<std::size_t>(LossKind::kRowsRemoved)].name,
                 count);
    return summary;
}

std::string LossToolTip(const LossCounters& losses, const LossCounts& baseline,
                        const std::string& sinceText) {
    std::string tip = sinceText + " 以降の数 (起動以降の合計)";
    for (const LossLabel& label : kLossLabels)
        tip += std::string("\n") + label.name + ": " +
               std::to_string(Since(losses, baseline, label.kind)) + " (" +
               std::to_string(losses.Read(label.kind)) + ")  " + label.meaning;
    return tip;
}

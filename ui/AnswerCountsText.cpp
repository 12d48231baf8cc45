#include "ui/AnswerCountsText.h"

#include <array>

namespace {

// By ReportKind - 1: the usmStats counter each report carries (RFC 3414 5).
constexpr std::array<const char*, kReportKindCount> kReportNames = {
    "UnsupportedSecLevels", "NotInTimeWindows", "UnknownUserNames",
    "UnknownEngineIDs",     "WrongDigests",     "DecryptionErrors"};

}  // namespace

QString AnswerCountsText(const AnswerCountsSnapshot& counts) {
    QString text = QStringLiteral("インフォーム応答: %1（再送 %2）  レポート送信:")
                       .arg(counts.informsAnswered)
                       .arg(counts.repeats);
    for (std::size_t i = 0; i < kReportNames.size(); ++i)
        text +=
            QStringLiteral(" %1 %2").arg(QLatin1String(kReportNames[i])).arg(counts.reportsSent[i]);
    if (counts.unsent != 0) text += QStringLiteral("  大きすぎて未送信: %1").arg(counts.unsent);
    return text;
}

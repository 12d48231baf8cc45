#include "mib/dialogs/MibStatusText.h"

#include "mib/MibService.h"

QString MibStatusText(const MibService& service) {
    const MibProgressView progress = service.Progress();
    if (progress.loading)
        return QStringLiteral("MIB 読み込み中 %1/%2").arg(progress.done).arg(progress.total);
    const auto report = service.Report();
    if (!report) return {};
    return QStringLiteral("MIB %1 モジュール 失敗 %2").arg(report->loaded).arg(report->failed);
}

#include "ui/WindowState.h"

#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTableView>

#include "platform/qt/WindowPlacement.h"
#include "ui/EventView.h"
#include "ui/ExSplitter3Wnd.h"
#include "ui/MainFrame.h"

namespace {

QSettings Open() { return QSettings(WindowStatePath(), QSettings::IniFormat); }

QHeaderView* TrapListHeader(const CMainFrame& frame) {
    CEventView* list = frame.List();
    return list && list->List() ? list->List()->horizontalHeader() : nullptr;
}

QList<QVariant> ToVariants(const QList<int>& numbers) {
    QList<QVariant> variants;
    for (int number : numbers) variants << number;
    return variants;
}

QList<int> ToNumbers(const QVariant& value) {
    QList<int> numbers;
    for (const QVariant& item : value.toList()) numbers << item.toInt();
    return numbers;
}

void SaveColumns(QSettings& settings, const QHeaderView& header) {
    QList<int> widths;
    QList<int> order;  // logical index of each visual position
    for (int section = 0; section < header.count(); ++section) {
        widths << header.sectionSize(section);
        order << header.logicalIndex(section);
    }
    settings.setValue(QStringLiteral("trapList/widths"), ToVariants(widths));
    settings.setValue(QStringLiteral("trapList/order"), ToVariants(order));
}

void RestoreColumns(const QSettings& settings, QHeaderView& header) {
    const QList<int> widths = ToNumbers(settings.value(QStringLiteral("trapList/widths")));
    const QList<int> order = ToNumbers(settings.value(QStringLiteral("trapList/order")));
    if (widths.size() != header.count() || order.size() != header.count()) return;
    for (int section = 0; section < header.count(); ++section) {
        if (widths[section] > 0) header.resizeSection(section, widths[section]);
    }
    for (int visual = 0; visual < header.count(); ++visual) {
        const int logical = order[visual];
        if (logical < 0 || logical >= header.count()) return;
        header.moveSection(header.visualIndex(logical), visual);
    }
}

}  // namespace

QString WindowStatePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/olixtrap/window.conf");
}

void RestoreWindowState(CMainFrame& frame) {
    const QSettings settings = Open();
    const QRect geometry = settings.value(QStringLiteral("mainWindow/geometry")).toRect();
    if (geometry.isValid()) {
        // A screen that has since become smaller must still show the whole window.
        frame.setGeometry(frame.screen() ? FitInside(geometry, frame.screen()->availableGeometry())
                                         : geometry);
    }
    if (CExSplitter3Wnd* splitter = frame.Splitter()) {
        splitter->restoreState(settings.value(QStringLiteral("splitter/rows")).toByteArray());
        if (QSplitter* nested = splitter->NestedSplitter())
            nested->restoreState(settings.value(QStringLiteral("splitter/top")).toByteArray());
    }
    if (QHeaderView* header = TrapListHeader(frame)) RestoreColumns(settings, *header);
}

void SaveWindowState(const CMainFrame& frame) {
    QSettings settings = Open();
    settings.setValue(QStringLiteral("mainWindow/geometry"), frame.geometry());
    if (const CExSplitter3Wnd* splitter = frame.Splitter()) {
        settings.setValue(QStringLiteral("splitter/rows"), splitter->saveState());
        if (const QSplitter* nested = splitter->NestedSplitter())
            settings.setValue(QStringLiteral("splitter/top"), nested->saveState());
    }
    if (const QHeaderView* header = TrapListHeader(frame)) SaveColumns(settings, *header);
}

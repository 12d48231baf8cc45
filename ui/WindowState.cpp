#include "ui/WindowState.h"

#include <QScreen>
#include <QSettings>
#include <QStandardPaths>

#include "platform/qt/WindowPlacement.h"
#include "ui/EventView.h"
#include "ui/ExSplitter3Wnd.h"
#include "ui/MainFrame.h"
#include "ui/TrapListColumns.h"
#include "ui/TrapListFinder.h"

namespace {

QSettings Open() { return QSettings(WindowStatePath(), QSettings::IniFormat); }

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
    if (frame.List()) frame.List()->Columns().Restore(settings);
    if (CTrapListFinder* finder = frame.List() ? frame.List()->Finder() : nullptr) {
        finder->SetHistory(settings.value(QStringLiteral("trapList/searchHistory")).toStringList());
        finder->SetIgnoreCase(settings.value(QStringLiteral("trapList/ignoreCase")).toBool());
    }
}

void SaveWindowState(const CMainFrame& frame) {
    QSettings settings = Open();
    settings.setValue(QStringLiteral("mainWindow/geometry"), frame.geometry());
    if (const CExSplitter3Wnd* splitter = frame.Splitter()) {
        settings.setValue(QStringLiteral("splitter/rows"), splitter->saveState());
        if (const QSplitter* nested = splitter->NestedSplitter())
            settings.setValue(QStringLiteral("splitter/top"), nested->saveState());
    }
    if (frame.List()) frame.List()->Columns().Save(settings);
    if (const CTrapListFinder* finder = frame.List() ? frame.List()->Finder() : nullptr) {
        settings.setValue(QStringLiteral("trapList/searchHistory"), finder->History());
        settings.setValue(QStringLiteral("trapList/ignoreCase"), finder->IgnoreCase());
    }
}

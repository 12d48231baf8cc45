#include "platform/qt/HelpWindow.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QTextBrowser>
#include <QUrl>
#include <algorithm>

#include "platform/Version.h"
#include "platform/qt/QtText.h"
#include "platform/qt/WindowPlacement.h"
#include "settings/ProgramFolder.h"

namespace {

QPointer<QTextBrowser> helpBrowser;

// The program folder's copy first; OLIXTRAP_HOME may name a folder without one, so then
// the copy beside the executable (a build tree) and the one an installed copy keeps in its
// shared files.
QStringList HelpDocumentCandidates() {
    QStringList paths;
    const QString name = QString::fromLatin1(kHelpFileName);
    for (const std::string& folder :
         {GetProgramFolder(), ExecutableFolder(), InstalledDataFolder()}) {
        const QString path = QDir::cleanPath(QString::fromStdString(folder) + '/' + name);
        if (!paths.contains(path)) paths << path;
    }
    return paths;
}

}  // namespace

int ShowHelpDocument(MessageBoxPort& boxes, const QString& anchor, QWidget* owner) {
    const QStringList candidates = HelpDocumentCandidates();
    const auto found = std::find_if(candidates.begin(), candidates.end(),
                                    [](const QString& path) { return QFile::exists(path); });
    if (found == candidates.end()) {
        ShowStopMessage(boxes,
                        ("ヘルプファイル(OlixTrap.html)を開くことができません。\n\n探した場所:\n" +
                         candidates.join(QLatin1Char('\n')))
                            .toStdString());
        return 1;
    }
    const QString path = *found;
    if (helpBrowser && helpBrowser->parentWidget() != owner) delete helpBrowser;
    if (!helpBrowser) {
        helpBrowser = new QTextBrowser(owner);
        helpBrowser->setWindowFlag(Qt::Window);
        helpBrowser->setAttribute(Qt::WA_DeleteOnClose);
        helpBrowser->setAttribute(Qt::WA_QuitOnClose, false);
        helpBrowser->setOpenExternalLinks(true);
        helpBrowser->setWindowTitle(FromCp932(kProgramTitle) + QStringLiteral(" ヘルプ"));
        helpBrowser->resize(760, 600);
        PlaceOnScreen(helpBrowser);
    }
    QUrl url = QUrl::fromLocalFile(path);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    helpBrowser->setSource(url);
    if (!anchor.isEmpty()) helpBrowser->scrollToAnchor(anchor);
    helpBrowser->show();
    helpBrowser->raise();
    return 0;
}

QWidget* HelpWindow() { return helpBrowser; }

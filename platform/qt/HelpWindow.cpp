#include "platform/qt/HelpWindow.h"

#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>

#include "platform/qt/QtText.h"
#include "platform/Version.h"
#include "settings/ProgramFolder.h"

namespace {

QPointer<QTextBrowser> helpBrowser;

// The program folder's copy, else the one an installed copy keeps in its shared files.
QString HelpDocumentPath() {
    const QString name = QString::fromLatin1(kHelpFileName);
    const QString own = QString::fromStdString(GetProgramFolder()) + '/' + name;
    if (QFile::exists(own)) return own;
    const QString installed = QString::fromStdString(InstalledDataFolder()) + '/' + name;
    return QFile::exists(installed) ? installed : QString();
}

}  // namespace

int ShowHelpDocument(const QString& anchor, QWidget* owner) {
    const QString path = HelpDocumentPath();
    if (path.isEmpty()) {
        ShowStopMessage("ヘルプファイル(OlixTrap.html)を開くことができません。");
        return 1;
    }
    if (helpBrowser && helpBrowser->parentWidget() != owner) delete helpBrowser;
    if (!helpBrowser) {
        helpBrowser = new QTextBrowser(owner);
        helpBrowser->setWindowFlag(Qt::Window);
        helpBrowser->setAttribute(Qt::WA_DeleteOnClose);
        helpBrowser->setAttribute(Qt::WA_QuitOnClose, false);
        helpBrowser->setOpenExternalLinks(true);
        helpBrowser->setWindowTitle(FromCp932(kProgramTitle) + QStringLiteral(" ヘルプ"));
        helpBrowser->resize(760, 600);
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

#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslation() {
    // Installed once for the whole run, as a child of the application, which keeps using
    // it until exit; a second call finds it there.
    const QString name = QStringLiteral("qtbase_ja");
    QCoreApplication* app = QCoreApplication::instance();
    if (app->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly)) return true;
    auto* loaded = new QTranslator(app);
    if (!loaded->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    loaded->setObjectName(name);
    QCoreApplication::installTranslator(loaded);
    return true;
}

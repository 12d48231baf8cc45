#include "ui/UiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace {

bool IsUiThread() {
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

void RunOnUiThread(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (IsUiThread()) {
        fn();
        return;
    }
    // If the application goes away before the call is delivered, Qt releases the waiter.
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

void PostToUiThread(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

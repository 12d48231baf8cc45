#include "ui/QtMessageBox.h"

#include <QMessageBox>
#include <QString>
#include <memory>
#include <utility>

#include "platform/CBaseDlg.h"
#include "ui/UiThread.h"

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Stop: break;
    }
    return QMessageBox::Critical;
}

QMessageBox* MakeBox(const MessageBoxRequest& request) {
    auto buttons = request.buttons == MessageButtons::OkCancel ? (QMessageBox::Ok | QMessageBox::Cancel)
                                                               : QMessageBox::StandardButtons(QMessageBox::Ok);
    auto* box = new QMessageBox(ToQtIcon(request.icon), FromCp932(request.caption),
                                FromCp932(request.text), buttons);
    // Pop-up texts carry trap data from the network: never interpret them as markup.
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Ok);
    if (request.alwaysOnTop) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

MessageAnswer RunModal(const MessageBoxRequest& request) {
    std::unique_ptr<QMessageBox> box(MakeBox(request));
    return box->exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

// Shown without a modal loop of its own; deletes itself when closed.
void ShowOpen(MessageBoxRequest request, bool modal) {
    QMessageBox* box = MakeBox(request);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window still ends the program
    box->setModal(modal);
    if (request.onClosed)
        QObject::connect(box, &QObject::destroyed, [onClosed = std::move(request.onClosed)] { onClosed(); });
    box->show();
}

}  // namespace

MessageAnswer ShowQtMessageBox(MessageBoxRequest request) {
    switch (request.delivery) {
    case MessageDelivery::Post:
        PostToUiThread([request = std::move(request)]() mutable { ShowOpen(std::move(request), true); });
        return MessageAnswer::Ok;
    case MessageDelivery::Modeless:
        PostToUiThread([request = std::move(request)]() mutable { ShowOpen(std::move(request), false); });
        return MessageAnswer::Ok;
    case MessageDelivery::Wait: break;
    }
    MessageAnswer answer = MessageAnswer::Cancel;
    RunOnUiThread([&] { answer = RunModal(request); });
    return answer;
}

void InstallQtMessageBoxHandler() { SetMessageBoxHandler(ShowQtMessageBox); }

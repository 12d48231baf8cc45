#include "ui/QtMessageBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QString>
#include <memory>
#include <utility>

#include "platform/qt/QtText.h"
#include "platform/qt/WindowPlacement.h"
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

// The window that raised the box: the dialog in its modal loop, else the active window.
// Never another box: a box is gone when answered.
QWidget* RaisingWindow() {
    QWidget* window = QApplication::activeModalWidget();
    if (!window) window = QApplication::activeWindow();
    while (qobject_cast<QMessageBox*>(window)) window = window->parentWidget();
    return window ? window->window() : nullptr;
}

// A box sizes itself to its text; a short text would let the window manager cut the
// caption in a title bar that also holds its icon and buttons.
void FitCaption(QMessageBox* box) {
    constexpr int kTitleBarExtras = 160;  // window icon and buttons, with margins
    // Title bars use a larger, bold face: allow a quarter more than the dialog font.
    const int textWidth = QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) * 5 / 4;
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(textWidth + kTitleBarExtras, 0, QSizePolicy::Minimum,
                                      QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

QMessageBox* MakeBox(const MessageBoxRequest& request, QWidget* owner) {
    auto buttons = request.buttons == MessageButtons::OkCancel
                       ? (QMessageBox::Ok | QMessageBox::Cancel)
                       : QMessageBox::StandardButtons(QMessageBox::Ok);
    auto* box = new QMessageBox(ToQtIcon(request.icon), FromCp932(request.caption),
                                FromCp932(request.text), buttons, owner);
    FitCaption(box);
    // Pop-up texts carry trap data from the network: never interpret them as markup.
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(QMessageBox::Ok);
    if (request.alwaysOnTop) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

MessageAnswer RunModal(const MessageBoxRequest& request) {
    std::unique_ptr<QMessageBox> box(MakeBox(request, RaisingWindow()));
    return box->exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

// Marks a pop-up, so that the pop-ups still there (closed ones until they are deleted)
// can be counted among the top-level windows.
constexpr char kPopupProperty[] = "olixtrapPopup";

// Steps a new pop-up down from the others still there, so that it does not open on top of
// the last.
void PlacePopup(QMessageBox* box) {
    int others = 0;
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (window != box && window->property(kPopupProperty).toBool()) ++others;
    box->setProperty(kPopupProperty, true);
    if (const QScreen* screen = box->screen())
        box->move(Cascaded(others, box->size(), screen->availableGeometry()).topLeft());
}

// Shown without a modal loop of its own; deletes itself when closed. Such a box has no
// parent, so that it outlives the window it came up over (the splash closes by itself);
// a modal one is still centred on that window. A pop-up stands alone.
void ShowOpen(MessageBoxRequest request, bool modal) {
    QWidget* owner = modal ? RaisingWindow() : nullptr;
    QMessageBox* box = MakeBox(request, nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window still ends the program
    box->setModal(modal);
    if (request.onClosed)
        QObject::connect(box, &QObject::destroyed,
                         [onClosed = std::move(request.onClosed)] { onClosed(); });
    box->show();
    if (owner) box->move(owner->frameGeometry().center() - box->rect().center());
    if (!modal) PlacePopup(box);
}

}  // namespace

MessageAnswer ShowQtMessageBox(MessageBoxRequest request) {
    switch (request.delivery) {
    case MessageDelivery::Post:
        PostToUiThread(
            [request = std::move(request)]() mutable { ShowOpen(std::move(request), true); });
        return MessageAnswer::Ok;
    case MessageDelivery::Modeless:
        PostToUiThread(
            [request = std::move(request)]() mutable { ShowOpen(std::move(request), false); });
        return MessageAnswer::Ok;
    case MessageDelivery::Wait: break;
    }
    MessageAnswer answer = MessageAnswer::Cancel;
    RunOnUiThread([&] { answer = RunModal(request); });
    return answer;
}

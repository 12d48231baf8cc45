#include "platform/qt/WindowPlacement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kCascadeStep = 28;  // about a title bar's height
constexpr int kTitleBarRoom = 32;

}  // namespace

QRect FitInside(QRect frame, const QRect& available) {
    frame.setWidth(std::min(frame.width(), available.width()));
    frame.setHeight(std::min(frame.height(), available.height()));
    frame.moveLeft(
        std::clamp(frame.left(), available.left(), available.right() - frame.width() + 1));
    frame.moveTop(
        std::clamp(frame.top(), available.top(), available.bottom() - frame.height() + 1));
    return frame;
}

QRect Cascaded(int index, QSize size, const QRect& available) {
    QRect frame(QPoint(), size);
    frame.moveCenter(available.center());
    const int room =
        std::min(available.right() - frame.right(), available.bottom() - frame.bottom());
    const int steps = std::max(1, room / kCascadeStep + 1);
    frame.translate(QPoint(kCascadeStep, kCascadeStep) * (index % steps));
    return FitInside(frame, available);
}

void PlaceOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect available = screen->availableGeometry().adjusted(0, kTitleBarRoom, 0, 0);
    QRect frame(QPoint(), window->size());
    frame.moveCenter(available.center());
    window->setGeometry(FitInside(frame, available));
}

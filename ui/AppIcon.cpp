#include "ui/AppIcon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap AppIconPixmap(int size) {
    constexpr double kGrid = 32.0;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kGrid, size / kGrid);
    // A receiving dish with three incoming waves.
    painter.setPen(QPen(QColor(0, 64, 128), 2));
    painter.setBrush(QColor(0, 128, 192));
    QPainterPath dish;
    dish.moveTo(4, 14);
    dish.quadTo(8, 30, 24, 28);
    dish.lineTo(4, 14);
    painter.drawPath(dish);
    painter.drawLine(14, 21, 22, 13);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 128, 0), 2));
    // Centred near the feed's tip and small enough that the outer wave stays inside the grid.
    const QPointF feed(21, 12);
    for (double r : {3.5, 6.5, 9.5})
        painter.drawArc(QRectF(feed.x() - r, feed.y() - r, 2 * r, 2 * r), 0, 90 * 16);
    return pixmap;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 256}) icon.addPixmap(AppIconPixmap(size));
    return icon;
}

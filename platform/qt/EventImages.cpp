#include "platform/qt/EventImages.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <algorithm>

namespace {

constexpr std::array<QRgb, 8> kEventColours = {
    qRgb(0, 128, 192), qRgb(128, 64, 64),   qRgb(255, 255, 0),   qRgb(0, 255, 0),
    qRgb(255, 0, 0),   qRgb(166, 202, 240), qRgb(255, 255, 255), qRgb(192, 192, 192)};

constexpr QRgb kButtonFace = qRgb(192, 192, 192);

QPixmap DrawLabel(int width, QColor face, const char* text) {
    QPixmap pixmap(width, kEventImageHeight);
    pixmap.fill(face);
    QPainter painter(&pixmap);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(0, 0, width - 1, kEventImageHeight - 1);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    // Dark faces take white text so that every label stays readable.
    painter.setPen(face.lightness() < 110 ? Qt::white : Qt::black);
    painter.drawText(QRect(0, 0, width, kEventImageHeight), Qt::AlignCenter,
                     QString::fromLatin1(text));
    return pixmap;
}

}  // namespace

const QPixmap& EventImage(int genericTrap) {
    // Kept for the whole run: pixmaps must not outlive the application at exit.
    static const auto* images = [] {
        auto* drawn = new std::array<QPixmap, 9>;
        for (std::size_t i = 0; i < kEventColours.size(); ++i)
            (*drawn)[i] =
                DrawLabel(kEventImageWidth, QColor(kEventColours[i]), kGenericTrapNames[i]);
        return drawn;
    }();
    if (genericTrap < 0 || genericTrap >= static_cast<int>(kEventColours.size()))
        return (*images)[8];
    return (*images)[static_cast<std::size_t>(genericTrap)];
}

QColor EventColour(int genericTrap) {
    return QColor(kEventColours[static_cast<std::size_t>(std::clamp(genericTrap, 0, 7))]);
}

QPixmap CounterLabelImage(const char* text) {
    return DrawLabel(kCounterImageWidth, QColor(kButtonFace), text);
}

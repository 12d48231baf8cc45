// Draws the application icon into a PNG file for installation (the desktop's icon theme).
//
// Usage: olixtrap_icon_png SIZE OUTPUT.png   (run with QT_QPA_PLATFORM=offscreen)

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "ui/AppIcon.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIZE OUTPUT.png\n", argv[0]);
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size <= 0 || !AppIconPixmap(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write a %s-pixel icon to %s\n", argv[0], argv[1], argv[2]);
        return 1;
    }
    return 0;
}

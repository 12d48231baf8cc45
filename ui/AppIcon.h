#pragma once
// The application icon, drawn at run time on a 32 x 32 grid and scaled to the size asked.

#include <QIcon>
#include <QPixmap>

QPixmap AppIconPixmap(int size = 32);

// The icon at the sizes window managers and task bars pick from.
QIcon AppIcon();

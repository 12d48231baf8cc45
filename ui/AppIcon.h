#pragma once
// The application icon (32 x 32), drawn at run time.

#include <QPixmap>

QPixmap AppIconPixmap();

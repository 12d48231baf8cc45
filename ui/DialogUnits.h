#pragma once
// Form geometry is given in dialog units. Our dialog font (9-point text at 96 dpi) has
// base units of 6 x 12 pixels, so a horizontal unit is 1.5 pixels and a vertical one too.

#include <QRect>

constexpr int DuX(int x) { return x * 6 / 4; }
constexpr int DuY(int y) { return y * 12 / 8; }
inline QRect DuRect(int x, int y, int width, int height) {
    return QRect(DuX(x), DuY(y), DuX(width), DuY(height));
}

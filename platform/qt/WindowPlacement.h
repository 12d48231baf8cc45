#pragma once
// Where top-level windows go: inside the screen's free area, and boxes that open one after
// another stepped down and to the right so that none hides the one before.

#include <QRect>

class QWidget;

// frame shrunk to fit available, then moved inside it.
QRect FitInside(QRect frame, const QRect& available);

// The place of the index-th of several boxes of this size opened together: the first in
// the middle of available, each next one step further, starting again in the middle when
// the steps would leave it.
QRect Cascaded(int index, QSize size, const QRect& available);

// Centres window on its screen and keeps it inside the screen's free area, leaving room
// for the title bar the window manager adds.
void PlaceOnScreen(QWidget* window);

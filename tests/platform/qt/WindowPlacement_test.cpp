#include "platform/qt/WindowPlacement.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, FitInsideShrinksAndMovesAWindowOntoTheScreen) {
    const QRect screen(0, 0, 1024, 600);
    // A help window taller than the screen, placed partly below it.
    EXPECT_EQ(FitInside(QRect(100, 300, 760, 800), screen), QRect(100, 0, 760, 600));
    EXPECT_EQ(FitInside(QRect(900, 500, 300, 200), screen), QRect(724, 400, 300, 200));
    EXPECT_EQ(FitInside(QRect(-50, -20, 300, 200), screen), QRect(0, 0, 300, 200));
    EXPECT_EQ(FitInside(QRect(10, 10, 300, 200), screen), QRect(10, 10, 300, 200));
}

TEST(WindowPlacement, CascadedBoxesStepAwayFromTheMiddleAndStartAgainAtTheEdge) {
    const QRect screen(0, 0, 1000, 800);
    const QSize box(200, 100);
    const QRect first = Cascaded(0, box, screen);
    EXPECT_EQ(first.center(), screen.center());
    const QRect second = Cascaded(1, box, screen);
    EXPECT_EQ(second.topLeft() - first.topLeft(), QPoint(28, 28));
    for (int index = 0; index < 100; ++index)
        EXPECT_TRUE(screen.contains(Cascaded(index, box, screen))) << index;
    int restart = 1;
    while (restart < 100 && Cascaded(restart, box, screen) != first) ++restart;
    EXPECT_LT(restart, 100);
}

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "ui/InitDlg.h"

TEST(Splash, ShowsItsOwnerCentredAt800x600OnTheThirdTickAndCloses) {
    QWidget owner;
    CInitDlg splash(&owner);
    bool hasText = false;
    for (QLabel* label : splash.findChildren<QLabel*>())
        hasText |= label->text() == "Olix Trap Receiver  version 3.00";
    EXPECT_TRUE(hasText);
    for (QLabel* label : splash.findChildren<QLabel*>()) {
        EXPECT_GE(label->width(), label->sizeHint().width())
            << "cut: " << label->text().toStdString();
        EXPECT_TRUE(splash.rect().contains(label->geometry()))
            << "outside: " << label->text().toStdString();
    }
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(splash.TimerRunning());
    splash.show();

    splash.OnTimer();
    QTest::keyClick(&splash, Qt::Key_Escape);
    splash.close();
    EXPECT_TRUE(splash.isVisible()) << "only the third tick ends the splash";
    splash.OnTimer();
    EXPECT_FALSE(owner.isVisible());
    EXPECT_TRUE(splash.isVisible());

    splash.OnTimer();
    EXPECT_TRUE(owner.isVisible());
    EXPECT_EQ(owner.size(), QSize(800, 600));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(owner.pos(), QPoint((screen.width() - 800) / 2, (screen.height() - 600) / 2));
    EXPECT_FALSE(splash.TimerRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.isVisible(); }, 2000))
        << "the close is posted";
    EXPECT_EQ(splash.result(), QDialog::Accepted);
}

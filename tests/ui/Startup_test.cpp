#include <QApplication>
#include <QFontMetrics>
#include <QStyle>
#include <QTimer>

#include "FrameFixture.h"
#include "ui/InitDlg.h"

namespace {

class StartupTest : public FrameTest {
protected:
    StartupTest() : FrameTest(false) {}
};

CInitDlg* Splash() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<CInitDlg*>(widget); splash && splash->isVisible())
            return splash;
    return nullptr;
}

}  // namespace

TEST(QtHarness, RunsHeadless) {
    ASSERT_NE(qApp, nullptr);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
}

TEST_F(StartupTest, FrameStaysHiddenUntilTheSplashsThirdTickAndReceptionStartsOnTheFourthTick) {
    bool splashSeen = false;
    // Runs inside the splash's modal loop: the ticks are driven by hand.
    QTimer::singleShot(0, [&] {
        CInitDlg* splash = Splash();
        ASSERT_NE(splash, nullptr);
        CMainFrame* created = app.MainFrame();
        ASSERT_NE(created, nullptr);
        EXPECT_FALSE(created->isVisible());
        splash->OnTimer();
        splash->OnTimer();
        created->show();
        EXPECT_FALSE(created->isVisible()) << "nothing shows the frame before the splash ends";
        splash->OnTimer();
        EXPECT_TRUE(created->isVisible());
        EXPECT_EQ(created->size(), QSize(800, 600));
        splashSeen = true;
    });
    ASSERT_TRUE(app.InitInstance());
    frame = app.MainFrame();
    EXPECT_TRUE(splashSeen);
    EXPECT_EQ(QCoreApplication::organizationName(), "Olix Soft");
    EXPECT_EQ(Splash(), nullptr);

    // Only the hand-driven ticks count: a slow run must not let the real timer tick too.
    List().findChild<QTimer*>("startTimer")->stop();
    for (int tick = 1; tick < CEventView::kAutoStartTick; ++tick) {
        List().OnTimer();
        EXPECT_FALSE(PortHeldWithin(200)) << "tick " << tick;
    }
    List().OnTimer();
    EXPECT_TRUE(PortHeldWithin(10000));
    EXPECT_FALSE(List().findChild<QWidget*>("1504")->isEnabled());
}

TEST_F(StartupTest, ADateWithItsTimeFitsTheDateColumn) {
    QTimer::singleShot(0, [] {
        if (CInitDlg* splash = Splash())
            for (int tick = 0; tick < 3; ++tick) splash->OnTimer();
    });
    ASSERT_TRUE(app.InitInstance());
    frame = app.MainFrame();
    const QTableView* table = List().List();
    // An item view keeps a margin of the focus frame and one pixel on each side of a cell's
    // text, and the grid line takes one more.
    const int margins =
        2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 1;
    EXPECT_LE(QFontMetrics(table->font()).horizontalAdvance("2026/12/07 09:29:17") + margins,
              table->columnWidth(1));
}

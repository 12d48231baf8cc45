#include "ui/LinkStatic.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QEnterEvent>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "platform/ProcessLauncher.h"
#include "ui/AboutDlg.h"

namespace {

class LinkControl : public ::testing::Test {
protected:
    LinkControl() { link.resize(200, 20); }

    void Enter() {
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(&link, &event);
    }
    void Leave() {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(&link, &event);
    }

    std::vector<std::string> opened;
    CLinkStatic link{QString::fromLatin1("https://www.olixsoft.example/"),
                     [this](const std::string& target) { opened.push_back(target); }};
};

}  // namespace

TEST_F(LinkControl, IsBlueAndUnderlinedAtRestAndOrangeUnderTheMouse) {
    EXPECT_EQ(link.TextColour(), QColor(0, 0, 255));
    EXPECT_TRUE(link.font().underline());
    Enter();
    EXPECT_EQ(link.TextColour(), QColor(255, 128, 0));
    Leave();
    EXPECT_EQ(link.TextColour(), QColor(0, 0, 255));
}

TEST_F(LinkControl, ClickOpensAWebAddressUnchangedAndAMailAddressAsMailto) {
    Enter();
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
    link.setText(QStringLiteral("support@olixsoft.example"));
    QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://www.olixsoft.example/",
                                                "mailto:support@olixsoft.example"}));
    EXPECT_EQ(CLinkStatic::LinkTarget(""), "mailto:");
}

TEST_F(LinkControl, ReleasingOutsideOpensNothingAndRestoresBlue) {
    Enter();
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&link, QPoint(300, 50));
    EXPECT_EQ(link.TextColour(), QColor(255, 128, 0)) << "stays orange while the button is held";
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(300, 50));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(link.TextColour(), QColor(0, 0, 255));
}

TEST(AboutBox, CarriesTheVersionTheTwoLinksAndCloses) {
    ProgramLauncher launcher;
    CAboutDlg about(launcher);
    EXPECT_EQ(about.windowTitle(), "バージョン情報");
    auto* home = about.findChild<CLinkStatic*>("1015");
    auto* mail = about.findChild<CLinkStatic*>("1016");
    ASSERT_NE(home, nullptr);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(CLinkStatic::LinkTarget(home->text().toStdString()), home->text().toStdString());
    EXPECT_EQ(CLinkStatic::LinkTarget(mail->text().toStdString()),
              "mailto:" + mail->text().toStdString());
    bool hasTitle = false;
    for (QLabel* label : about.findChildren<QLabel*>())
        hasTitle |= label->text() == "Olix Trap Receiver Ver3.03";
    EXPECT_TRUE(hasTitle);
    about.show();
    about.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

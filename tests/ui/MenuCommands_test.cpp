#include <QAction>

#include "FrameFixture.h"
#include "forward/dialogs/CForwardDlg.h"
#include "rules/dialogs/CEventDlg.h"
#include "settings/dialogs/COptionDlg.h"
#include "support/DialogTesting.h"
#include "support/TrapRecords.h"
#include "support/WorkingFolder.h"
#include "traplog/dialogs/CLogDlg.h"
#include "users/dialogs/CUserListDlg.h"

namespace {

class MenuCommandTest : public FrameTest {
protected:
    void Choose(int commandId) {
        QAction* action = frame->findChild<QAction*>(QString::number(commandId));
        ASSERT_NE(action, nullptr) << commandId;
        action->trigger();
    }

    // Chooses the command and expects it to open one modal dialog of type D.
    // The dialog carries its resource id as its object name ("" for none).
    template <class D>
    void ExpectModal(int commandId, const char* resourceId) {
        ModalScript<D> script([resourceId](D& dialog) {
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.objectName(), resourceId);
        });
        Choose(commandId);
        EXPECT_EQ(script.opened, 1) << commandId;
        EXPECT_EQ(script.wrongType, 0) << commandId;
    }
};

TEST_F(MenuCommandTest, SettingsCommandsOpenTheirModalDialogs) {
    ExpectModal<CEventDlg>(32776, "159");
    ExpectModal<CUserListDlg>(32787, "179");
    ExpectModal<COptionDlg>(32778, "");
    ExpectModal<CForwardDlg>(32789, "");
}

TEST_F(MenuCommandTest, EachTrapLogCommandOpensOneMoreLogWindowBesideTheLast) {
    Choose(32777);
    Choose(32777);
    const QList<CLogDlg*> windows = frame->findChildren<CLogDlg*>();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_NE(windows[0]->pos(), windows[1]->pos()) << "the second window must not cover the first";
    for (CLogDlg* window : windows) {
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
        EXPECT_EQ(window->objectName(), "165");
        window->close();
    }
}

TEST_F(MenuCommandTest, OutputCommandsWriteTheListIntoTheStartFolder) {
    WorkingFolder start(folder.File("start"));
    auto record = V1ColdStartishRecord();
    AddTrapRow(*record);
    Choose(32773);
    Choose(32772);
    const std::string csv = folder.Read("start/OlixTrap.csv");
    EXPECT_NE(csv.find("\"192.168.1.20\",\"\",\"1\",\"v1 public"), std::string::npos) << csv;
    EXPECT_NE(folder.Read("start/OlixTrap.html").find("<td>192.168.1.20</td>"), std::string::npos);
    EXPECT_TRUE(boxes.Recorded().empty());
}

}  // namespace

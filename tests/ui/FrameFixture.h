#pragma once
// A main frame of a program of its own, in a program folder of its own, with the trap port
// taken from this suite's range (24000-24999), the window layer installed and the log
// clean-up replaced by a no-op.

#include <gtest/gtest.h>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTableView>
#include <QTest>
#include <cstdlib>
#include <string>

#include "program/Program.h"
#include "settings/SettingsSource.h"
#include "support/LoopbackSender.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "traplog/TrapText.h"
#include "ui/CountView.h"
#include "ui/DataView.h"
#include "ui/EventView.h"
#include "ui/MainFrame.h"
#include "ui/TrapApp.h"

inline constexpr uint16_t kUiFirstTrapPort = 24000;

class FrameTest : public ::testing::Test {
protected:
    explicit FrameTest(bool createFrame = true) {
        // The window state goes to this test's folder, never to the user's configuration.
        setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
        port = PickFreeTrapPort(kUiFirstTrapPort);
        folder.Write("OlixTrap.ini",
                     "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port) +
                         "\r\nHOST=0\r\nLOG=0\r\nT1MSG=v1 %C %G/%S\r\nT2MSG=v2 %C\r\n"
                         "T3MSG=v3 %u\r\nLOGDELM=0\r\n");
        Settings().Load();
        app.ServiceWindow().SetCleanup([] {});
        if (createFrame) NewFrame();
    }

    ~FrameTest() override {
        // Ends any receiver while its window calls are still carried out, then the frame.
        app.ExitInstance(0);
        delete frame.data();
    }

    // A new main frame of the program, hidden.
    void NewFrame() { frame = app.CreateMainFrame(); }

    SettingsSource& Settings() { return program.Settings(); }
    CEventView& List() { return *frame->List(); }
    CDataView& Detail() { return *frame->Detail(); }
    CCountDlg& Counters() { return *frame->Counters(); }

    // The receiver shows its state through the windows before it binds the port, so the
    // event loop turns while this waits.
    bool PortHeldWithin(int milliseconds) {
        return QTest::qWaitFor(
            [&] { return WaitUntilPortIsHeld(port, std::chrono::milliseconds(0)); }, milliseconds);
    }

    // The row of record as the receiver queues it, taken into the list as on a tick.
    void AddTrapRow(const TrapRecord& record) {
        ASSERT_EQ(program.Rows().QueueReceivedTrapRow(
                      record, ExpandTrapMessage(record, Settings().Snapshot())),
                  0);
        List().InsertQueuedRows();
    }

    QString Counter(int fieldId) { return Counters().CounterField(fieldId)->text(); }

    void SelectRow(int row) {
        QTableView* table = List().List();
        table->selectionModel()->select(table->model()->index(row, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Right-clicks the trap list's header on column logical and chooses the action named
    // command there (or in a submenu).
    void ChooseColumnCommand(int logical, const QString& command) {
        QHeaderView* header = List().List()->horizontalHeader();
        emit header->customContextMenuRequested(
            QPoint(header->sectionViewportPosition(logical) + 2, 2));
        QMenu* menu = header->findChild<QMenu*>("trapListColumns");
        ASSERT_NE(menu, nullptr);
        QAction* action = menu->findChild<QAction*>(command);
        ASSERT_NE(action, nullptr) << command.toStdString();
        ASSERT_TRUE(action->isEnabled()) << command.toStdString();
        action->trigger();
        delete menu;
    }

    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    Program program{boxes};
    CTrapApp app{program};
    uint16_t port = 0;
    QPointer<CMainFrame> frame;
};

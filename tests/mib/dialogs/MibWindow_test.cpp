#include "mib/dialogs/MibWindow.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTableWidget>
#include <QTest>

#include "alarms/AlarmRules.h"
#include "mib/MibService.h"
#include "settings/SettingsSource.h"
#include "support/TempProgramFolder.h"

namespace {

const QString kTestModules = QStringLiteral(OLIXTRAP_TESTDATA_DIR "/mibs/");

// The first row whose cells in column `key` and `column` hold key and value; -1 when none.
int FindRow(const QTableWidget* table, int keyColumn, const QString& key, int column,
            const QString& value) {
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* keyItem = table->item(row, keyColumn);
        const QTableWidgetItem* item = table->item(row, column);
        if (keyItem && item && keyItem->text() == key && item->text() == value) return row;
    }
    return -1;
}

TEST(MibWindow, ListsLoadedAndFailedFilesAndAddCopiesIntoMibsAndReloads) {
    TempProgramFolder folder;
    SettingsSource settings;  // no extra MIB folders
    const QString mibs = QString::fromStdString(folder.File("mibs"));
    for (const char* name : {"OLIX-TEST-ROOT-MIB.txt", "OLIX-TEST-BROKEN-MIB.txt"}) {
        QFile source(kTestModules + name);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        folder.Write(std::string("mibs/") + name, source.readAll().toStdString());
    }
    MibService service;
    CMibWindow window(service, settings);
    window.OnReload();
    // Rows of this folder only: an earlier load's report may name the same modules elsewhere.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return FindRow(window.Loaded(), 0, "OLIX-TEST-ROOT-MIB", 2, mibs) >= 0; }, 30000));
    const int broken =
        FindRow(window.Failed(), 0, "OLIX-TEST-BROKEN-MIB.txt", 0, "OLIX-TEST-BROKEN-MIB.txt");
    ASSERT_GE(broken, 0);
    EXPECT_GT(window.Failed()->item(broken, 1)->text().toInt(), 0);
    EXPECT_FALSE(window.Failed()->item(broken, 2)->text().isEmpty());
    EXPECT_EQ(
        FindRow(window.Loaded(), 1, "OLIX-TEST-BROKEN-MIB.txt", 1, "OLIX-TEST-BROKEN-MIB.txt"), -1);

    EXPECT_EQ(window.AddFiles({kTestModules + "OLIX-TEST-TC.txt"}), 0);
    EXPECT_TRUE(QFile::exists(mibs + "/OLIX-TEST-TC.txt"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return FindRow(window.Loaded(), 0, "OLIX-TEST-TC", 2, mibs) >= 0; }, 30000));
}

TEST(MibWindow, ANotificationStartsAnAlarmRuleWithItsNameObjectsAndDescription) {
    TempProgramFolder folder;
    SettingsSource settings;
    for (const char* name : {"OLIX-TEST-ROOT-MIB.txt", "OLIX-TEST-TC.txt", "OLIX-TEST-MIB.txt"}) {
        QFile source(kTestModules + name);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        folder.Write(std::string("mibs/") + name, source.readAll().toStdString());
    }
    MibService service;
    CMibWindow window(service, settings);
    std::vector<MibNotification> started;
    window.SetNotificationAction(
        [&](const MibNotification& notification) { started.push_back(notification); });
    window.OnReload();
    int row = -1;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            row = FindRow(window.Notifications(), 0, "olixFanFailure", 0, "olixFanFailure");
            return row >= 0;
        },
        30000));
    EXPECT_EQ(window.Notifications()->item(row, 2)->text(), "olixFanName, olixFanState");
    window.StartRuleFrom(row);
    ASSERT_EQ(started.size(), 1u);
    const MibNotification& fan = started.front();
    const std::string oid = fan.oid;
    EXPECT_TRUE(oid.ends_with(".0.1")) << oid;
    ASSERT_EQ(fan.objects.size(), 2u);
    EXPECT_EQ(fan.objects[0].first, "olixFanName");
    EXPECT_FALSE(fan.objects[0].second.empty());

    const AlarmRule rule = RuleForNotification(fan.name, fan.oid, fan.objects, fan.description);
    EXPECT_EQ(rule.traps, (std::vector<OidPattern>{{oid, false}}));
    EXPECT_EQ(rule.instance, std::vector<std::string>{fan.objects[0].second});
    EXPECT_EQ(rule.message,
              "$source olixFanFailure olixFanName=$olixFanName "
              "olixFanState=$olixFanState");
    EXPECT_EQ(rule.comment,
              "A fan stopped turning. The box may overheat\nunless the fan is replaced.");
    // The rules file takes it as it is.
    const AlarmRulesParse read = ParseAlarmRules(FormatAlarmRules({rule}));
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.rules.front(), rule);
}

}  // namespace

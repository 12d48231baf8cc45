#include "rules/dialogs/CEventDlg.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "platform/FixedText.h"
#include "rules/RuleStore.h"
#include "rules/RuleText.h"
#include "rules/dialogs/CActDlg.h"
#include "rules/dialogs/CFilPageDlg.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "settings/dialogs/CMailDlg.h"
#include "support/DialogTesting.h"

namespace {

RuleRecord IpRule(const char* from, const char* to) {
    RuleRecord rule{};
    rule.kind = IpRange;
    rule.ipFrom = ParseDottedAddress(from);
    rule.ipTo = ParseDottedAddress(to);
    return rule;
}

RuleRecord EnterpriseRule(const char* enterprise, int generic, int specific) {
    RuleRecord rule{};
    rule.kind = Enterprise;
    SetFixedText(rule.enterprise, enterprise);
    rule.genericTrap = generic;
    rule.specificTrap = specific;
    return rule;
}

RuleRecord UserRule(const char* name) {
    RuleRecord rule{};
    rule.kind = User;
    SetFixedText(rule.userName, name);
    return rule;
}

// Stored rules and receiveMode 0, before the dialog reads them.
struct StoredRules {
    explicit StoredRules(RuleStore& store) {
        AppSettings settings{};
        settings.trapPort = 162;
        source.Replace(settings);
        EXPECT_LE(store.Put(IpRule("192.168.1.1", "192.168.1.254")), RuleStore::kPutReplaced);
        EXPECT_LE(store.Put(EnterpriseRule("1.3.6.1.4.1.9", 6, 1)), RuleStore::kPutReplaced);
        EXPECT_LE(store.Put(IpRule("10.0.0.1", "10.0.0.1")), RuleStore::kPutReplaced);
        EXPECT_LE(store.Put(EnterpriseRule("1.3.6.1.4.1.9", 7, 0)), RuleStore::kPutReplaced);
        EXPECT_LE(store.Put(UserRule("alice")), RuleStore::kPutReplaced);
    }
    SettingsSource source;
};

class EventDialog : public ::testing::Test {
protected:
    CReportListCtrl* List(int tab) { return dialog.Page(tab)->List(); }

    StoreFolder stores;
    StoredRules rules{stores.rules};
    CEventDlg dialog{stores.rules, stores.users, rules.source, stores.boxes};
};

TEST_F(EventDialog, ShowsTheModeAndTheRulesOfEachKindInFileOrder) {
    EXPECT_EQ(dialog.windowTitle(), "Olix Trap Receiver: Event");
    EXPECT_TRUE(ControlById<QRadioButton>(&dialog, CEventDlg::kAllTrapsRadio)->isChecked());
    EXPECT_TRUE(ControlById<QPushButton>(&dialog, CEventDlg::kActionButton)->isEnabled());
    auto* tabs = ControlById<QTabWidget>(&dialog, CEventDlg::kTabs);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "IP Filter");
    EXPECT_EQ(tabs->tabText(1), "EnterPrise Filter");
    EXPECT_EQ(tabs->tabText(2), "User Filter");
    EXPECT_EQ(dialog.Page(1)->objectName(), "160");

    ASSERT_EQ(List(0)->RowCount(), 2);
    EXPECT_EQ(List(0)->horizontalHeaderItem(0)->text(), "開始アドレス");
    EXPECT_EQ(List(0)->CellText(1, 0), "10.0.0.1");
    ASSERT_EQ(List(1)->RowCount(), 2);
    EXPECT_EQ(List(1)->horizontalHeaderItem(0)->text(), "Enter Prises");
    EXPECT_EQ(List(1)->CellText(1, 1), "Any");
    ASSERT_EQ(List(2)->RowCount(), 1);
    EXPECT_EQ(List(2)->CellText(0, 0), "alice");
}

TEST_F(EventDialog, OkStoresTheChosenModeAndSavesIt) {
    dialog.show();
    ControlById<QRadioButton>(&dialog, CEventDlg::kFilteredRadio)->click();
    EXPECT_FALSE(ControlById<QPushButton>(&dialog, CEventDlg::kActionButton)->isEnabled());
    QTest::keyClick(List(0), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(List(0), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(rules.source.Snapshot().receiveMode, 1);
    EXPECT_NE(stores.folder.Read("OlixTrap.ini").find("TRECV=1"), std::string::npos);
}

TEST_F(EventDialog, CancelKeepsTheModeButNotADeletedRule) {
    AppSettings settings = rules.source.Snapshot();
    settings.receiveMode = 1;
    rules.source.Replace(settings);
    CEventDlg filtering(stores.rules, stores.users, rules.source, stores.boxes);
    filtering.show();
    EXPECT_FALSE(ControlById<QPushButton>(&filtering, CEventDlg::kActionButton)->isEnabled());
    ControlById<QRadioButton>(&filtering, CEventDlg::kAllTrapsRadio)->click();
    EXPECT_TRUE(ControlById<QPushButton>(&filtering, CEventDlg::kActionButton)->isEnabled());

    CFilPageDlg* users = filtering.Page(2);
    users->List()->SelectRows({0});
    users->OnDelete();
    ControlById<QPushButton>(&filtering, 2)->click();
    EXPECT_EQ(filtering.result(), QDialog::Rejected);
    EXPECT_EQ(rules.source.Snapshot().receiveMode, 1);
    RuleRecord alice = UserRule("alice");
    EXPECT_EQ(stores.rules.FindActions(alice), 1);
}

TEST_F(EventDialog, DeleteAsksFirstAndRemovesOnlyTheSelectedRow) {
    CFilPageDlg* enterprises = dialog.Page(1);
    enterprises->OnDelete();
    EXPECT_EQ(stores.boxes.Texts(),
              std::vector<std::string>{"削除するイベントを選択してください。"});

    stores.boxes.Clear();
    enterprises->List()->SelectRows({0});
    stores.boxes.QueueAnswer(MessageAnswer::Cancel);
    enterprises->OnDelete();
    ASSERT_EQ(stores.boxes.Recorded().size(), 1u);
    EXPECT_EQ(stores.boxes.Texts().front(), "選択されているイベントを削除します。よろしいですか？");
    EXPECT_EQ(stores.boxes.Recorded().front().icon, MessageIcon::Information);
    EXPECT_EQ(stores.boxes.Recorded().front().buttons, MessageButtons::OkCancel);
    EXPECT_EQ(enterprises->List()->RowCount(), 2);

    // The specific rule 9/6/1 is the same rule as the stored "Any" line of enterprise 9,
    // so the store drops both lines; the list loses only the selected row.
    enterprises->OnDelete();
    ASSERT_EQ(enterprises->List()->RowCount(), 1);
    EXPECT_EQ(enterprises->List()->CellText(0, 1), "Any");
    RuleRecord rule{};
    rule.kind = Enterprise;
    EXPECT_EQ(stores.rules.ReadNth(0, rule), 1);
    EXPECT_EQ(dialog.Page(0)->List()->RowCount(), 2);
}

TEST_F(EventDialog, EditWithoutSelectionNamesWhatToSelectOnEachPage) {
    const char* messages[] = {"編集するIPアドレスを選択してください。",
                              "編集するイベントを選択してください。",
                              "編集するユーザを選択してください。"};
    ModalScript<CActDlg> script([](CActDlg&) {});
    for (int tab = 0; tab < 3; ++tab) {
        stores.boxes.Clear();
        dialog.Page(tab)->OnEdit();
        EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{messages[tab]});
    }
    EXPECT_EQ(script.opened, 0);
}

TEST_F(EventDialog, EditOpensTheSelectedRuleWithItsKeyLocked) {
    RuleRecord stored = IpRule("10.0.0.1", "10.0.0.1");
    SetFixedText(stored.popupMessage, "seen");
    ASSERT_LE(stores.rules.Put(stored), RuleStore::kPutReplaced);
    List(0)->SelectRows({1});
    ModalScript<CActDlg> script([](CActDlg& action) {
        auto* start = ControlById<QWidget>(&action, CActDlg::kStartAddress);
        EXPECT_FALSE(start->isEnabled());
        EXPECT_EQ(ControlById<QLineEdit>(&action, CActDlg::kStartAddress)->text(), "10.0.0.1");
        EXPECT_EQ(ControlById<QLineEdit>(&action, CActDlg::kPopupEdit)->text(), "seen");
    });
    dialog.show();
    ControlById<QPushButton>(dialog.Page(0), CFilPageDlg::kEditButton)->click();
    EXPECT_EQ(script.opened, 1);
    EXPECT_EQ(script.wrongType, 0);
}

TEST_F(EventDialog, ActionAndMailButtonsOpenTheirDialogs) {
    dialog.show();
    {
        ModalScript<CActDlg> script([](CActDlg& action) {
            EXPECT_FALSE(ControlById<QWidget>(&action, CActDlg::kKeyLabel)->isVisible());
        });
        ControlById<QPushButton>(&dialog, CEventDlg::kActionButton)->click();
        EXPECT_EQ(script.opened, 1);
        EXPECT_EQ(script.wrongType, 0);
    }
    ModalScript<CMailDlg> mail([](CMailDlg&) {});
    ControlById<QPushButton>(&dialog, CEventDlg::kMailButton)->click();
    EXPECT_EQ(mail.opened, 1);
    EXPECT_EQ(mail.wrongType, 0);
}

}  // namespace

#include "rules/dialogs/CActDlg.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <set>

#include "platform/FixedText.h"
#include "platform/qt/HelpWindow.h"
#include "rules/RuleStore.h"
#include "rules/dialogs/CFilEpriseDlg.h"
#include "rules/dialogs/CFilIPDlg.h"
#include "rules/dialogs/CFilUserDlg.h"
#include "support/DialogTesting.h"
#include "users/UserStore.h"

namespace {

const char* const kCommaMessage = "設定値に , を使用することはできません。";

class ActionDialog : public ::testing::Test {
protected:
    template <class W>
    static W* Control(CActDlg& dialog, int id) {
        return ControlById<W>(&dialog, id);
    }
    static void SetText(CActDlg& dialog, int id, const QString& text) {
        Control<QLineEdit>(dialog, id)->setText(text);
    }

    static RuleRecord EnterpriseKey(const char* enterprise, int generic, int specific) {
        RuleRecord key{};
        key.kind = Enterprise;
        SetFixedText(key.enterprise, enterprise);
        key.genericTrap = generic;
        key.specificTrap = specific;
        return key;
    }

    StoreFolder stores;
};

TEST_F(ActionDialog, AddedEnterpriseIsStoredWithItsPrefixAndEditedWithoutIt) {
    CFilEpriseDlg page(stores.rules, stores.users, stores.boxes);
    {
        ModalScript<CActDlg> script([](CActDlg& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Olix Trap Receiver: Action");
            EXPECT_EQ(dialog.objectName(), "157");
            EXPECT_EQ(Control<QLabel>(dialog, CActDlg::kKeyLabel)->text(), "エンタープライズ：");
            EXPECT_FALSE(Control<QWidget>(dialog, CActDlg::kStartAddress)->isVisible());
            EXPECT_TRUE(Control<QWidget>(dialog, CActDlg::kEnterpriseEdit)->isVisible());
            EXPECT_EQ(Control<QComboBox>(dialog, CActDlg::kGenericCombo)->currentText(),
                      "Enterprise Specific");
            SetText(dialog, CActDlg::kEnterpriseEdit, "9.1");
            SetText(dialog, CActDlg::kSpecificEdit, "5");
            SetText(dialog, CActDlg::kPopupEdit, "ポップアップ");
            dialog.OnOK();
        });
        page.OnAdd();
        EXPECT_EQ(script.opened, 1);
    }
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.List()->CellText(0, 0), "1.3.6.1.4.1.9.1");
    EXPECT_EQ(page.List()->CellText(0, 1), "6");
    EXPECT_EQ(page.List()->CellText(0, 2), "5");
    RuleRecord stored = EnterpriseKey("1.3.6.1.4.1.9.1", 6, 5);
    ASSERT_EQ(stores.rules.FindActions(stored), 0);
    EXPECT_EQ(FixedTextView(stored.popupMessage), Utf8ToCp932("ポップアップ"));

    page.List()->SelectRows({0});
    ModalScript<CActDlg> edit([](CActDlg& dialog) {
        auto* enterprise = Control<QLineEdit>(dialog, CActDlg::kEnterpriseEdit);
        EXPECT_EQ(enterprise->text(), "9.1");
        EXPECT_FALSE(enterprise->isEnabled());
        EXPECT_FALSE(Control<QComboBox>(dialog, CActDlg::kGenericCombo)->isEnabled());
        EXPECT_EQ(Control<QLineEdit>(dialog, CActDlg::kPopupEdit)->text(), "ポップアップ");
        SetText(dialog, CActDlg::kMailEdit, "mail body");
        dialog.OnOK();
    });
    page.OnEdit();
    EXPECT_EQ(page.List()->RowCount(), 1);
    ASSERT_EQ(stores.rules.FindActions(stored), 0);
    EXPECT_EQ(FixedTextView(stored.mailMessage), "mail body");
}

TEST_F(ActionDialog, AnyDisablesTheSpecificEditAndKeepsItsNumber) {
    CFilEpriseDlg page(stores.rules, stores.users, stores.boxes);
    ModalScript<CActDlg> script([](CActDlg& dialog) {
        auto* generic = Control<QComboBox>(dialog, CActDlg::kGenericCombo);
        ASSERT_EQ(generic->count(), 8);
        EXPECT_EQ(generic->itemText(4), "Authentication Failure");
        SetText(dialog, CActDlg::kEnterpriseEdit, "311");
        SetText(dialog, CActDlg::kSpecificEdit, "77");
        generic->setCurrentIndex(7);
        EXPECT_FALSE(Control<QLineEdit>(dialog, CActDlg::kSpecificEdit)->isEnabled());
        generic->setCurrentIndex(6);
        EXPECT_TRUE(Control<QLineEdit>(dialog, CActDlg::kSpecificEdit)->isEnabled());
        generic->setCurrentIndex(7);
        dialog.OnOK();
    });
    page.OnAdd();
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.List()->CellText(0, 1), "Any");
    EXPECT_EQ(page.List()->CellText(0, 2), "77");
    RuleRecord rule{};
    rule.kind = Enterprise;
    ASSERT_EQ(stores.rules.ReadNth(0, rule), 0);
    EXPECT_EQ(rule.genericTrap, 7);
    EXPECT_EQ(rule.specificTrap, 77);
}

TEST_F(ActionDialog, AddingAnExistingKeyReplacesItsActionsWithoutASecondRow) {
    CFilIPDlg page(stores.rules, stores.users, stores.boxes);
    int round = 0;
    ModalScript<CActDlg> script([&](CActDlg& dialog) {
        EXPECT_EQ(Control<QLabel>(dialog, CActDlg::kKeyLabel)->text(), "IP アドレス範囲：");
        SetText(dialog, CActDlg::kStartAddress, "10.0.0.1");
        SetText(dialog, CActDlg::kEndAddress, "10.0.0.9");
        SetText(dialog, CActDlg::kProgramEdit, round++ == 0 ? "first" : "second");
        dialog.OnOK();
    });
    page.OnAdd();
    page.OnAdd();
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.List()->CellText(0, 0), "10.0.0.1");
    EXPECT_EQ(page.List()->CellText(0, 1), "10.0.0.9");
    RuleRecord rule{};
    rule.kind = IpRange;
    ASSERT_EQ(stores.rules.ReadNth(0, rule), 0);
    EXPECT_EQ(FixedTextView(rule.programLine), "second");
    EXPECT_EQ(stores.rules.ReadNth(1, rule), 1);
}

TEST_F(ActionDialog, AddressRangeMustNotRunBackwards) {
    CFilIPDlg page(stores.rules, stores.users, stores.boxes);
    CActDlg dialog(stores.rules, stores.users, stores.boxes);
    dialog.SetMode(&page, CActDlg::ModeAddIpRange);
    dialog.show();
    // Compared as numbers with the first octet highest: 10.0.0.2 is above 9.255.255.255.
    SetText(dialog, CActDlg::kStartAddress, "10.0.0.2");
    SetText(dialog, CActDlg::kEndAddress, "9.255.255.255");
    dialog.OnOK();
    EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{"アドレス範囲が不正です。"});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(page.List()->RowCount(), 0);

    SetText(dialog, CActDlg::kEndAddress, "10.0.0.2");
    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.List()->CellText(0, 1), "10.0.0.2");
}

// Each check with the text at its limit (accepted) and one byte over, or with a comma.
struct CheckCase {
    int mode;
    int id;
    QString text;
    const char* message;  // nullptr: accepted
};

TEST_F(ActionDialog, ChecksRefuseAtTheirBoundariesAndCommasEverywhere) {
    const QString kana18 = QString(18, QChar(0x30A2));  // 36 bytes in Shift_JIS
    const QString kana64 = QString(64, QChar(0x30A2));  // 128 bytes
    const std::vector<CheckCase> cases = {
        {CActDlg::ModeAddEnterprise, CActDlg::kEnterpriseEdit, "",
         "EnterPriseを入力してください。"},
        {CActDlg::ModeAddEnterprise, CActDlg::kEnterpriseEdit, kana18, nullptr},
        {CActDlg::ModeAddEnterprise, CActDlg::kEnterpriseEdit, kana18 + "1",
         "EnterPriseのデータサイズが不正です。(36Byteまで)"},
        {CActDlg::ModeAddEnterprise, CActDlg::kEnterpriseEdit, "9,1", kCommaMessage},
        {CActDlg::ModeAddUser, CActDlg::kUserCombo, "", "ユーザ名を入力してください。"},
        {CActDlg::ModeAddUser, CActDlg::kUserCombo, kana18, nullptr},
        {CActDlg::ModeAddUser, CActDlg::kUserCombo, kana18 + "u",
         "ユーザ名が不正です。（0～36文字）"},
        {CActDlg::ModeAddUser, CActDlg::kUserCombo, "a,b",
         "ユーザ名に , を使用することはできません。"},
        {CActDlg::ModeAllTraps, CActDlg::kPopupEdit, kana64, nullptr},
        {CActDlg::ModeAllTraps, CActDlg::kPopupEdit, kana64 + "x",
         "メッセージのデータサイズが不正です。(128Byteまで)"},
        {CActDlg::ModeAllTraps, CActDlg::kPopupEdit, "a,b", kCommaMessage},
        {CActDlg::ModeAllTraps, CActDlg::kProgramEdit, kana64, nullptr},
        {CActDlg::ModeAllTraps, CActDlg::kProgramEdit, kana64 + "x",
         "ファイルパスのデータサイズが不正です。(128Byteまで)"},
        {CActDlg::ModeAllTraps, CActDlg::kProgramEdit, "a,b", kCommaMessage},
        {CActDlg::ModeAllTraps, CActDlg::kWaveEdit, kana64, nullptr},
        {CActDlg::ModeAllTraps, CActDlg::kWaveEdit, kana64 + "x",
         "ファイルパスのデータサイズが不正です。(128Byteまで)"},
        {CActDlg::ModeAllTraps, CActDlg::kWaveEdit, "a,b", kCommaMessage},
        {CActDlg::ModeAllTraps, CActDlg::kMailEdit, kana64, nullptr},
        {CActDlg::ModeAllTraps, CActDlg::kMailEdit, kana64 + "x",
         "メールメッセージのデータサイズが不正です。(128Byteまで)"},
        {CActDlg::ModeAllTraps, CActDlg::kMailEdit, "a,b", kCommaMessage},
    };
    CFilEpriseDlg enterprisePage(stores.rules, stores.users, stores.boxes);
    CFilUserDlg userPage(stores.rules, stores.users, stores.boxes);
    for (const CheckCase& check : cases) {
        SCOPED_TRACE(check.text.toStdString() + " in " + std::to_string(check.id));
        stores.boxes.Clear();
        CActDlg dialog(stores.rules, stores.users, stores.boxes);
        CFilPageDlg* page = check.mode == CActDlg::ModeAddEnterprise
                                ? static_cast<CFilPageDlg*>(&enterprisePage)
                            : check.mode == CActDlg::ModeAddUser ? &userPage
                                                                 : nullptr;
        dialog.SetMode(page, check.mode);
        dialog.show();
        if (check.mode == CActDlg::ModeAddEnterprise && check.id != CActDlg::kEnterpriseEdit)
            SetText(dialog, CActDlg::kEnterpriseEdit, "1");
        if (check.id == CActDlg::kUserCombo)
            Control<QComboBox>(dialog, check.id)->setEditText(check.text);
        else
            SetText(dialog, check.id, check.text);
        dialog.OnOK();
        if (check.message) {
            EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{check.message});
            EXPECT_EQ(stores.boxes.Recorded().front().icon, MessageIcon::Stop);
            EXPECT_TRUE(dialog.isVisible());
        } else {
            EXPECT_TRUE(stores.boxes.Recorded().empty());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
        }
    }
}

TEST_F(ActionDialog, BeepDisablesTheWaveFileAndComesBackChecked) {
    {
        CActDlg dialog(stores.rules, stores.users, stores.boxes);
        dialog.SetMode(nullptr, CActDlg::ModeAllTraps);
        dialog.show();
        EXPECT_FALSE(Control<QLabel>(dialog, CActDlg::kKeyLabel)->isVisible());
        auto* beep = Control<QCheckBox>(dialog, CActDlg::kBeepCheck);
        beep->click();
        EXPECT_FALSE(Control<QLineEdit>(dialog, CActDlg::kWaveEdit)->isEnabled());
        beep->click();
        EXPECT_TRUE(Control<QLineEdit>(dialog, CActDlg::kWaveEdit)->isEnabled());
        beep->click();
        SetText(dialog, CActDlg::kWaveEdit, "/tmp/ding.wav");
        dialog.OnOK();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
    RuleRecord all{};
    ASSERT_EQ(stores.rules.FindActions(all), 0);
    EXPECT_EQ(all.beep, 1);
    EXPECT_EQ(FixedTextView(all.waveFile), "/tmp/ding.wav");

    CActDlg again(stores.rules, stores.users, stores.boxes);
    again.SetMode(nullptr, CActDlg::ModeAllTraps);
    EXPECT_TRUE(Control<QCheckBox>(again, CActDlg::kBeepCheck)->isChecked());
    EXPECT_FALSE(Control<QLineEdit>(again, CActDlg::kWaveEdit)->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(again, CActDlg::kWaveEdit)->text(), "/tmp/ding.wav");
}

TEST_F(ActionDialog, RuleTooLongForItsRecordIsRefusedAndNothingStored) {
    // Every y (0x79) needs an escape byte in the stored form: four full actions of y
    // cannot fit the 663-byte record, though each field is within its limit.
    CFilIPDlg page(stores.rules, stores.users, stores.boxes);
    CActDlg dialog(stores.rules, stores.users, stores.boxes);
    dialog.SetMode(&page, CActDlg::ModeAddIpRange);
    dialog.show();
    for (int id :
         {CActDlg::kPopupEdit, CActDlg::kProgramEdit, CActDlg::kWaveEdit, CActDlg::kMailEdit})
        SetText(dialog, id, QString(128, QLatin1Char('y')));
    dialog.OnOK();
    EXPECT_EQ(stores.boxes.Texts(),
              std::vector<std::string>{std::string(RuleStore::kTooLongMessage)});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(page.List()->RowCount(), 0);
    RuleRecord rule{};
    rule.kind = IpRange;
    EXPECT_EQ(stores.rules.ReadNth(0, rule), 1);
}

TEST_F(ActionDialog, EnterValidatesAndEscapeAndCancelStoreNothing) {
    CFilIPDlg page(stores.rules, stores.users, stores.boxes);
    CActDlg dialog(stores.rules, stores.users, stores.boxes);
    dialog.SetMode(&page, CActDlg::ModeAddIpRange);
    dialog.show();
    SetText(dialog, CActDlg::kStartAddress, "1.2.3.4");
    SetText(dialog, CActDlg::kEndAddress, "1.2.3.5");
    QTest::keyClick(Control<QLineEdit>(dialog, CActDlg::kPopupEdit), Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    ControlById<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(page.List()->RowCount(), 0);

    CActDlg second(stores.rules, stores.users, stores.boxes);
    second.SetMode(&page, CActDlg::ModeAddIpRange);
    second.show();
    SetText(second, CActDlg::kStartAddress, "1.2.3.4");
    QTest::keyClick(Control<QLineEdit>(second, CActDlg::kMailEdit), Qt::Key_Return);
    EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{"アドレス範囲が不正です。"});
    EXPECT_TRUE(second.isVisible());
    SetText(second, CActDlg::kEndAddress, "1.2.3.4");
    QTest::keyClick(Control<QLineEdit>(second, CActDlg::kMailEdit), Qt::Key_Enter);
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(page.List()->RowCount(), 1);
}

TEST_F(ActionDialog, UserNamesComeFromTheUserStoreAndAnEditedRuleKeepsItsOwn) {
    ASSERT_EQ(stores.users.AppendUser("alice", "", "", "", 0, 0), 0);
    ASSERT_EQ(stores.users.AppendUser("bob", "", "", "", 0, 0), 0);
    CFilUserDlg page(stores.rules, stores.users, stores.boxes);
    ModalScript<CActDlg> add([](CActDlg& dialog) {
        auto* users = Control<QComboBox>(dialog, CActDlg::kUserCombo);
        ASSERT_EQ(users->count(), 2);
        EXPECT_EQ(users->itemText(1), "bob");
        EXPECT_EQ(users->currentText(), "alice");
        users->setEditText("carol");  // not in the user store: accepted all the same
        dialog.OnOK();
    });
    page.OnAdd();
    ASSERT_EQ(page.List()->RowCount(), 1);
    EXPECT_EQ(page.List()->CellText(0, 0), "carol");

    page.List()->SelectRows({0});
    ModalScript<CActDlg> edit([](CActDlg& dialog) {
        auto* users = Control<QComboBox>(dialog, CActDlg::kUserCombo);
        EXPECT_FALSE(users->isEnabled());
        EXPECT_EQ(users->currentText(), "carol");
        SetText(dialog, CActDlg::kPopupEdit, "for carol");
        dialog.OnOK();
    });
    page.OnEdit();
    RuleRecord carol{};
    carol.kind = User;
    SetFixedText(carol.userName, "carol");
    ASSERT_EQ(stores.rules.FindActions(carol), 0);
    EXPECT_EQ(FixedTextView(carol.popupMessage), "for carol");
    RuleRecord alice{};
    alice.kind = User;
    SetFixedText(alice.userName, "alice");
    EXPECT_EQ(stores.rules.FindActions(alice), 1);
}

TEST_F(ActionDialog, KeepsOneWidthInEveryMode) {
    std::vector<int> widths;
    for (int mode : {CActDlg::ModeAllTraps, CActDlg::ModeAddEnterprise, CActDlg::ModeAddIpRange,
                     CActDlg::ModeAddUser}) {
        CActDlg dialog(stores.rules, stores.users, stores.boxes);
        dialog.SetMode(nullptr, mode);
        dialog.show();
        QCoreApplication::processEvents();
        widths.push_back(dialog.width());
    }
    EXPECT_EQ(std::set<int>(widths.begin(), widths.end()).size(), 1u)
        << widths[0] << " " << widths[2];
}

// Records the windows that a modal dialog blocks from input.
class BlockedWindows : public QObject {
public:
    BlockedWindows() { qApp->installEventFilter(this); }
    ~BlockedWindows() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::WindowBlocked) blocked.insert(watched);
        if (event->type() == QEvent::WindowUnblocked) blocked.erase(watched);
        return false;
    }
    std::set<QObject*> blocked;
};

TEST_F(ActionDialog, HelpOpensAtContext22AndTakesInputWhileTheDialogIsModal) {
    CActDlg dialog(stores.rules, stores.users, stores.boxes);
    dialog.SetMode(nullptr, CActDlg::ModeAllTraps);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ControlById<QPushButton>(&dialog, CActDlg::kHelpButton)->click();
    ASSERT_EQ(stores.boxes.Texts().size(), 1u);
    EXPECT_TRUE(stores.boxes.Texts()[0].starts_with(
        "ヘルプファイル(OlixTrap.html)を開くことができません。"));

    stores.folder.Write("OlixTrap.html",
                        "<html><body><a name=\"context-22\">actions</a></body></html>");
    BlockedWindows windows;
    ControlById<QPushButton>(&dialog, CActDlg::kHelpButton)->click();
    ASSERT_NE(HelpWindow(), nullptr);
    EXPECT_TRUE(HelpWindow()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(windows.blocked.count(HelpWindow()), 0u);
    EXPECT_EQ(windows.blocked.count(HelpWindow()->windowHandle()), 0u);
    HelpWindow()->close();
}

}  // namespace

#include "users/dialogs/CUserListDlg.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "platform/FixedText.h"
#include "platform/qt/FieldWidth.h"
#include "platform/qt/ReportListCtrl.h"
#include "support/DialogTesting.h"
#include "users/UserStore.h"
#include "users/dialogs/CUserDlg.h"

namespace {

struct StoredUsers {
    explicit StoredUsers(UserStore& store) {
        EXPECT_EQ(store.AppendUser("alice", "authpass1", "privpass1", "80001f8880", 1, 0), 0);
        EXPECT_EQ(store.AppendUser("bob", "", "", "", 0, 0), 0);
    }
};

// The users of the store, one "name/auth/priv/engine/authProtocol/privProtocol" each.
std::vector<std::string> StoredUserLines(const UserStore& store) {
    std::vector<std::string> lines;
    UserEntry entry{};
    for (int index = 0; store.GetUser(index, entry) == 0; ++index)
        lines.push_back(std::string(FixedTextView(entry.userName)) + "/" +
                        std::string(FixedTextView(entry.authPassword)) + "/" +
                        std::string(FixedTextView(entry.privPassword)) + "/" +
                        std::string(FixedTextView(entry.engineId)) + "/" +
                        std::to_string(entry.authProtocol) + "/" +
                        std::to_string(entry.privProtocol));
    return lines;
}

void Type(CUserDlg& dialog, int id, const QString& text) {
    ControlById<QLineEdit>(&dialog, id)->setText(text);
}

class UserListDialog : public ::testing::Test {
protected:
    CReportListCtrl* List() { return dialog.List(); }

    StoreFolder stores;
    StoredUsers users{stores.users};
    CUserListDlg dialog{stores.users, stores.boxes};
};

TEST_F(UserListDialog, ListsTheStoredUsersWithMaskedPasswords) {
    EXPECT_EQ(dialog.windowTitle(), "Olix Trap Receiver: User List");
    ASSERT_EQ(List()->RowCount(), 2);
    EXPECT_EQ(List()->columnCount(), 7);
    EXPECT_EQ(List()->horizontalHeaderItem(6)->text(), "hide encpsw");
    EXPECT_EQ(List()->CellText(0, 0), "alice");
    EXPECT_EQ(List()->CellText(0, 1), "*******");
    EXPECT_EQ(List()->CellText(0, 2), "0x80001f8880");
    EXPECT_EQ(List()->CellText(0, 3), "HMAC-SHA1");
    EXPECT_EQ(List()->CellText(0, 4), "None");
    EXPECT_EQ(List()->CellText(0, 5), "authpass1");
    EXPECT_TRUE(List()->isColumnHidden(5));
    EXPECT_TRUE(List()->isColumnHidden(6));
    EXPECT_EQ(List()->CellText(1, 2), "");
    EXPECT_EQ(dialog.LastChange(), 0);
}

TEST_F(UserListDialog, AddedUserIsSavedInListOrderWithItsProtocolNumbers) {
    ModalScript<CUserDlg> script([](CUserDlg& user) {
        EXPECT_EQ(user.windowTitle(), "Olix Trap Receiver: User");
        EXPECT_EQ(user.objectName(), "169");
        EXPECT_EQ(ControlById<QLineEdit>(&user, CUserDlg::kAuthPasswordEdit)->echoMode(),
                  QLineEdit::Password);
        EXPECT_EQ(ControlById<QComboBox>(&user, CUserDlg::kAuthCombo)->currentIndex(), 0);
        Type(user, CUserDlg::kNameEdit, "carol");
        Type(user, CUserDlg::kEngineIdEdit, "8000ABcd");
        ControlById<QComboBox>(&user, CUserDlg::kAuthCombo)->setCurrentText("HMAC-MD5");
        ControlById<QComboBox>(&user, CUserDlg::kPrivCombo)->setCurrentText("CBC-DES");
        Type(user, CUserDlg::kAuthPasswordEdit, "md5password");
        Type(user, CUserDlg::kPrivPasswordEdit, "despassword");
        user.OnOK();
    });
    ControlById<QPushButton>(&dialog, CUserListDlg::kAddButton)->click();
    ASSERT_EQ(List()->RowCount(), 3);
    EXPECT_EQ(List()->CellText(2, 2), "0x8000ABcd");
    EXPECT_EQ(List()->CellText(2, 3), "HMAC-MD5");
    EXPECT_EQ(List()->CellText(2, 4), "CBC-DES");
    EXPECT_EQ(dialog.LastChange(), 10);

    dialog.OnOK();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(StoredUserLines(stores.users),
              (std::vector<std::string>{"alice/authpass1/privpass1/80001f8880/1/0", "bob////0/0",
                                        "carol/md5password/despassword/8000ABcd/2/1"}));
}

TEST_F(UserListDialog, NewerProtocolsFollowInCodeOrderAndAreSavedAsTheirCodes) {
    const auto names = [](QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
        return texts;
    };
    ModalScript<CUserDlg> script([&](CUserDlg& user) {
        auto* auth = ControlById<QComboBox>(&user, CUserDlg::kAuthCombo);
        auto* priv = ControlById<QComboBox>(&user, CUserDlg::kPrivCombo);
        EXPECT_EQ(names(auth), (QStringList{"None", "HMAC-SHA1", "HMAC-MD5", "HMAC-SHA-224",
                                            "HMAC-SHA-256", "HMAC-SHA-384", "HMAC-SHA-512"}));
        EXPECT_EQ(names(priv), (QStringList{"None", "CBC-DES", "CFB-AES-128"}));
        Type(user, CUserDlg::kNameEdit, "dave");
        auth->setCurrentText("HMAC-SHA-384");
        priv->setCurrentText("CFB-AES-128");
        Type(user, CUserDlg::kAuthPasswordEdit, "sha384password");
        Type(user, CUserDlg::kPrivPasswordEdit, "aespassword");
        user.OnOK();
    });
    ControlById<QPushButton>(&dialog, CUserListDlg::kAddButton)->click();
    ASSERT_EQ(List()->RowCount(), 3);
    EXPECT_EQ(List()->CellText(2, 3), "HMAC-SHA-384");
    EXPECT_EQ(List()->CellText(2, 4), "CFB-AES-128");
    dialog.OnOK();
    EXPECT_EQ(StoredUserLines(stores.users).back(), "dave/sha384password/aespassword//5/2");
}

TEST_F(UserListDialog, EditShowsTheRowAndOverwritesIt) {
    ModalScript<CUserDlg> none([](CUserDlg&) {});
    dialog.OnEdit();
    EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{"編集するユーザを選択してください。"});
    EXPECT_EQ(none.opened, 0);

    List()->SelectRows({0});
    ModalScript<CUserDlg> script([](CUserDlg& user) {
        EXPECT_EQ(ControlById<QLineEdit>(&user, CUserDlg::kNameEdit)->text(), "alice");
        EXPECT_EQ(ControlById<QLineEdit>(&user, CUserDlg::kEngineIdEdit)->text(), "80001f8880");
        EXPECT_EQ(ControlById<QLineEdit>(&user, CUserDlg::kEngineIdEdit)->cursorPosition(), 0)
            << "a long engine ID shows its first digits";
        EXPECT_EQ(ControlById<QLineEdit>(&user, CUserDlg::kAuthPasswordEdit)->text(), "authpass1");
        EXPECT_EQ(ControlById<QComboBox>(&user, CUserDlg::kAuthCombo)->currentText(), "HMAC-SHA1");
        Type(user, CUserDlg::kEngineIdEdit, "");
        QTest::keyClick(ControlById<QLineEdit>(&user, CUserDlg::kNameEdit), Qt::Key_Escape);
        EXPECT_TRUE(user.isVisible());
        QTest::keyClick(ControlById<QLineEdit>(&user, CUserDlg::kNameEdit), Qt::Key_Return);
    });
    dialog.OnEdit();
    EXPECT_EQ(script.opened, 1);
    ASSERT_EQ(List()->RowCount(), 2);
    EXPECT_EQ(List()->CellText(0, 0), "alice");
    EXPECT_EQ(List()->CellText(0, 2), "");
    EXPECT_EQ(dialog.LastChange(), 11);
}

TEST_F(UserListDialog, TheLongestEngineIdIsShownWholeInTheListAndTheUserDialog) {
    const std::string longest = "0123456789ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef";
    ASSERT_EQ(stores.users.AppendUser("carol", "authpass1", "", longest, 1, 0), 0);
    CUserListDlg withLongId(stores.users, stores.boxes);
    CReportListCtrl* list = withLongId.List();
    ASSERT_EQ(list->RowCount(), 3);
    const int needed =
        QFontMetrics(list->font()).horizontalAdvance(QString::fromStdString("0x" + longest));
    EXPECT_GT(list->columnWidth(CUserListDlg::kEngineIdColumn), needed);
    EXPECT_EQ(List()->columnWidth(CUserListDlg::kEngineIdColumn), 100)
        << "short IDs keep the usual width";

    list->SelectRows({2});
    ModalScript<CUserDlg> script([&](CUserDlg& user) {
        auto* engineId = ControlById<QLineEdit>(&user, CUserDlg::kEngineIdEdit);
        EXPECT_GE(engineId->width(), EditWidthFor(engineId, QString::fromStdString(longest)));
        user.reject();
    });
    withLongId.OnEdit();
    EXPECT_EQ(script.opened, 1);
}

TEST_F(UserListDialog, UnknownCodesSurviveEditAndSaveUntouched) {
    // Codes of a newer version: saving them as "None" would accept unauthenticated traps.
    ASSERT_EQ(stores.users.AppendUser("eve", "authpass2", "privpass2", "", 7, -1), 0);
    CUserListDlg newer(stores.users, stores.boxes);
    ASSERT_EQ(newer.List()->RowCount(), 3);
    EXPECT_EQ(newer.List()->CellText(2, CUserListDlg::kAuthColumn), "(7)");
    EXPECT_EQ(newer.List()->CellText(2, CUserListDlg::kPrivColumn), "(-1)");
    newer.List()->SelectRows({2});
    ModalScript<CUserDlg> script([](CUserDlg& user) {
        EXPECT_EQ(ControlById<QComboBox>(&user, CUserDlg::kAuthCombo)->currentIndex(), -1);
        EXPECT_EQ(ControlById<QComboBox>(&user, CUserDlg::kAuthCombo)->placeholderText(), "(7)");
        user.OnOK();
    });
    newer.OnEdit();
    EXPECT_EQ(script.opened, 1);
    newer.OnOK();
    EXPECT_EQ(StoredUserLines(stores.users),
              (std::vector<std::string>{"alice/authpass1/privpass1/80001f8880/1/0", "bob////0/0",
                                        "eve/authpass2/privpass2//7/-1"}));
}

TEST_F(UserListDialog, AddCancelledStillRewritesTheStoreOnOk) {
    // A user written behind the dialog's back shows whether OK rewrote the store.
    ASSERT_EQ(stores.users.AppendUser("outsider", "", "", "", 0, 0), 0);
    ModalScript<CUserDlg> script(
        [](CUserDlg& user) { ControlById<QPushButton>(&user, 2)->click(); });
    dialog.OnAdd();
    EXPECT_EQ(List()->RowCount(), 2);
    dialog.OnOK();
    EXPECT_EQ(StoredUserLines(stores.users).size(), 2u);
}

TEST_F(UserListDialog, OkWithoutChangesWritesNothing) {
    ASSERT_EQ(stores.users.AppendUser("outsider", "", "", "", 0, 0), 0);
    dialog.OnOK();
    EXPECT_EQ(StoredUserLines(stores.users).size(), 3u);
}

TEST_F(UserListDialog, DeleteTakesEverySelectedRowAndCancelKeepsTheStore) {
    List()->SelectRows({0, 1});
    ControlById<QPushButton>(&dialog, CUserListDlg::kDeleteButton)->click();
    EXPECT_EQ(List()->RowCount(), 0);
    EXPECT_EQ(dialog.LastChange(), 12);
    EXPECT_TRUE(stores.boxes.Recorded().empty());
    dialog.show();
    ControlById<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(StoredUserLines(stores.users).size(), 2u);
}

struct UserCase {
    QString name;
    QString engineId;
    QString authPassword;
    QString privPassword;
    const char* message;  // nullptr: accepted
};

TEST(UserDialog, ChecksRefuseAtTheirBoundaries) {
    StoreFolder stores;
    const QString kana16 = QString(16, QChar(0x30E6));  // 32 bytes in Shift_JIS
    const QString hex64 = QString("0123456789abcdef").repeated(4);
    const std::vector<UserCase> cases = {
        {"", "", "", "", "ユーザ名を入力してください。"},
        {kana16, "", "", "", nullptr},
        {kana16 + "x", "", "", "", "ユーザ名が不正です。（0～32文字）"},
        {"a,b", "", "", "", "ユーザ名に , を使用することはできません。"},
        {"u", hex64, "", "", nullptr},
        {"u", hex64 + "00", "", "", "Engine ID が不正です。（0～32文字）"},
        {"u", "80001f8880", "", "", nullptr},
        {"u", "80001f888", "", "", "Engine ID が不正です。"},
        {"u", "80001g88", "", "", "Engine ID が不正です。"},
        {"u", "", kana16, kana16, nullptr},
        {"u", "", kana16 + "p", "", "パスワードが不正です。（0～32文字）"},
        {"u", "", "p,w", "", "パスワードに , を使用することはできません。"},
        {"u", "", "", kana16 + "p", "パスワードが不正です。（0～32文字）"},
        {"u", "", "", "p,w", "パスワードに , を使用することはできません。"},
    };
    for (const UserCase& check : cases) {
        SCOPED_TRACE(check.name.toStdString() + " " + check.engineId.toStdString());
        stores.boxes.Clear();
        CReportListCtrl list(
            {{"a", 10}, {"b", 10}, {"c", 10}, {"d", 10}, {"e", 10}, {"f", 10}, {"g", 10}}, true);
        CUserDlg dialog(&list, false, stores.boxes);
        dialog.show();
        Type(dialog, CUserDlg::kNameEdit, check.name);
        Type(dialog, CUserDlg::kEngineIdEdit, check.engineId);
        Type(dialog, CUserDlg::kAuthPasswordEdit, check.authPassword);
        Type(dialog, CUserDlg::kPrivPasswordEdit, check.privPassword);
        dialog.OnOK();
        if (check.message) {
            EXPECT_EQ(stores.boxes.Texts(), std::vector<std::string>{check.message});
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(list.RowCount(), 0);
        } else {
            EXPECT_TRUE(stores.boxes.Recorded().empty());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            ASSERT_EQ(list.RowCount(), 1);
            EXPECT_EQ(list.CellText(0, 2),
                      check.engineId.isEmpty() ? "" : "0x" + check.engineId.toStdString());
        }
    }
}

}  // namespace

// The alarm rules dialog on a program folder of its own: editing, order, saving the file
// whole with a reload, and damaged fields refused by name.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "alarms/AlarmEngine.h"
#include "alarms/dialogs/AlarmRulesDlg.h"
#include "settings/SettingsSource.h"
#include "support/DialogTesting.h"
#include "trap/LossCounters.h"

namespace {

class AlarmRulesDlgTest : public ::testing::Test {
protected:
    std::unique_ptr<CAlarmRulesDlg> Open() {
        auto dialog = std::make_unique<CAlarmRulesDlg>(
            engine_, path_,
            [this] {
                ++reloads_;
                AlarmRulesParse parse = LoadAlarmRulesFile(path_);
                if (parse.error.empty()) engine_.SetRules(std::move(parse.rules));
                return parse.error;
            },
            boxes_);
        dialog->show();
        return dialog;
    }
    static void Type(QLineEdit* edit, const QString& text) {
        edit->setText(text);
        emit edit->textEdited(text);
    }

    TempProgramFolder folder_;
    std::string path_ = folder_.File("AlarmRules.txt");
    MessageBoxRecorder boxes_;
    SettingsSource settings_;
    LossCounters losses_;
    AlarmEngine engine_{{.settings = settings_, .mib = nullptr, .losses = losses_}};
    int reloads_ = 0;
};

TEST_F(AlarmRulesDlgTest, AddedRuleIsSavedInItsPlaceAndReloaded) {
    auto dialog = Open();
    ASSERT_EQ(dialog->RuleList()->count(), 5);  // the built-in rules: no file yet
    EXPECT_EQ(dialog->RuleList()->item(0)->text(), QStringLiteral("linkDown"));
    EXPECT_EQ(dialog->InstanceBox()->text(), QStringLiteral("1.3.6.1.2.1.2.2.1.1"));

    dialog->OnAdd();
    Type(dialog->NameBox(), QStringLiteral("psu-failure"));
    dialog->CommentBox()->setPlainText(QStringLiteral("電源の故障"));
    Type(dialog->TrapsBox(), QStringLiteral("1.3.6.1.4.1.9.9.13.* 1.3.6.1.4.1.9.0.5"));
    Type(dialog->SourceBox(), QStringLiteral("10.0.0.0/8"));
    dialog->BindingsBox()->setPlainText(QStringLiteral("1.3.6.1.4.1.9.9.13.1.5.1.3 3"));
    dialog->SeverityBox()->setCurrentIndex(0);  // 重大 (critical)
    Type(dialog->ClearAfterBox(), QStringLiteral("30m"));
    Type(dialog->MessageLine(), QStringLiteral("$source: 電源 $1 故障"));
    Type(dialog->MailBox(), QStringLiteral("電源故障 %A"));
    dialog->OnClearBox()->setChecked(true);
    EXPECT_EQ(dialog->RuleList()->item(5)->text(), QStringLiteral("psu-failure"));
    dialog->OnMove(-1);
    dialog->OnMove(-1);
    ControlById<QPushButton>(dialog.get(), 1)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(boxes_.Texts().empty());
    EXPECT_EQ(reloads_, 1);

    const std::shared_ptr<const AlarmRuleList> rules = engine_.Rules();
    ASSERT_EQ(rules->size(), 6u);
    const AlarmRule& added = (*rules)[3];
    EXPECT_EQ(added.name, "psu-failure");
    EXPECT_EQ(added.comment, "電源の故障");
    EXPECT_EQ(added.traps, (std::vector<OidPattern>{{"1.3.6.1.4.1.9.9.13", true},
                                                    {"1.3.6.1.4.1.9.0.5", false}}));
    EXPECT_FALSE(added.anySource);
    EXPECT_EQ(added.sourceFirst, 0x0A000000u);
    EXPECT_EQ(added.sourceLast, 0x0AFFFFFFu);
    EXPECT_EQ(added.bindings, (std::vector<BindingCondition>{{"1.3.6.1.4.1.9.9.13.1.5.1.3", "3"}}));
    EXPECT_EQ(added.severity, AlarmSeverity::kCritical);
    EXPECT_EQ(added.clearAfterSeconds, 1800);
    EXPECT_EQ(added.message, "$source: 電源 $1 故障");
    EXPECT_EQ(added.mail, "電源故障 %A");
    EXPECT_TRUE(added.actOnRaise && added.actOnRise && added.actOnClear);
    EXPECT_EQ((*rules)[4].name, "warmStart");

    // The next opening shows the file as written, and deleting saves without the rule.
    auto again = Open();
    ASSERT_EQ(again->RuleList()->count(), 6);
    again->RuleList()->setCurrentRow(3);
    EXPECT_EQ(again->SourceBox()->text(), QStringLiteral("10.0.0.0-10.255.255.255"));
    again->OnDelete();
    ControlById<QPushButton>(again.get(), 1)->click();
    EXPECT_EQ(engine_.Rules()->size(), 5u);
}

TEST_F(AlarmRulesDlgTest, DamagedFieldsAreRefusedByNameAndNothingIsWritten) {
    auto dialog = Open();
    struct Case {
        QLineEdit* edit;
        QString text;
        const char* message;
    };
    const Case cases[] = {
        {dialog->TrapsBox(), QStringLiteral("1.3.6.x"),
         "規則 1 (linkDown) の「トラップ」: OID \"1.3.6.x\" が正しくありません"},
        {dialog->SourceBox(), QStringLiteral("10.0.0.300"),
         "規則 1 (linkDown) の「送信元」: 送信元 \"10.0.0.300\" が正しくありません"},
        {dialog->ClearAfterBox(), QStringLiteral("5 minutes"),
         "規則 1 (linkDown) の「自動解除」: 時間 \"5 minutes\" が正しくありません (例: 300s, 5m, "
         "2h, 1d)"},
        {dialog->NameBox(), QStringLiteral("linkUp"), "規則 2 (linkUp) の「名前」が重複しています"},
        {dialog->NameBox(), QString(), "規則 1 () の「名前」がありません"},
    };
    for (const Case& check : cases) {
        dialog->RuleList()->setCurrentRow(0);
        const QString before = check.edit->text();
        Type(check.edit, check.text);
        boxes_.Clear();
        ControlById<QPushButton>(dialog.get(), 1)->click();
        EXPECT_TRUE(dialog->isVisible()) << check.message;
        ASSERT_EQ(boxes_.Texts().size(), 1u) << check.message;
        EXPECT_EQ(boxes_.Texts().front(), check.message);
        Type(check.edit, before);
    }
    EXPECT_EQ(folder_.Read("AlarmRules.txt"), "");
    EXPECT_EQ(reloads_, 0);
}

TEST_F(AlarmRulesDlgTest, ADamagedFileShowsTheRulesInForce) {
    folder_.Write("AlarmRules.txt", "rule a\n  severity awful\n");
    AlarmRuleList inForce = BuiltInAlarmRules();
    inForce.resize(2);
    engine_.SetRules(inForce);
    auto dialog = Open();
    ASSERT_EQ(boxes_.Texts().size(), 1u);
    EXPECT_NE(boxes_.Texts().front().find("AlarmRules.txt の 2 行目"), std::string::npos);
    EXPECT_EQ(dialog->RuleList()->count(), 2);
}

}  // namespace

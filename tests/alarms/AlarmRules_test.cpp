// The rules file: its round trip, what a damaged file says, and that the program keeps the
// last good rules when it is damaged.

#include <gtest/gtest.h>

#include <sstream>
#include "alarms/AlarmRules.h"

#include "program/Program.h"
#include "records/DBLib.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"

namespace {

AlarmRule RichRule() {
    AlarmRule rule;
    rule.comment = "電源の故障\n\n交換まで critical";
    rule.name = "psu";
    rule.traps = {{"1.3.6.1.4.1.9.9.13", true}, {"1.3.6.1.4.1.9.0.5", false}};
    rule.enterprises = {{"1.3.6.1.4.1.9", true}};
    rule.anySource = false;
    rule.sourceFirst = 0x0A000000;
    rule.sourceLast = 0x0A0000FF;
    rule.bindings = {{"1.3.6.1.4.1.9.9.13.1.5.1.3", "0x41 42"}};
    rule.severity = AlarmSeverity::kCritical;
    rule.instance = {"1.3.6.1.4.1.9.9.13.1.5.1.1"};
    rule.clears = {"1.3.6.1.4.1.9.0.6"};
    rule.clearAfterSeconds = 90;
    rule.message = "$source の電源 $1 が故障 ($trap, $$5)";
    rule.popup = "%A の電源故障";
    rule.program = "/usr/local/bin/page \"on call\" %A";
    rule.sound = "beep";
    rule.mail = "電源故障 %A";
    rule.actOnRise = false;
    rule.actOnClear = true;
    return rule;
}

TEST(AlarmRulesFile, WritesAndReadsBackEveryRule) {
    AlarmRuleList rules = BuiltInAlarmRules();
    rules.push_back(RichRule());
    AlarmRule silent;
    silent.name = "ignore";
    silent.raises = false;
    rules.push_back(silent);

    TempProgramFolder folder;
    const std::string path = folder.File("AlarmRules.txt");
    ASSERT_EQ(SaveAlarmRulesFile(path, rules), "");
    const AlarmRulesParse read = LoadAlarmRulesFile(path);
    EXPECT_EQ(read.error, "");
    ASSERT_EQ(read.rules.size(), rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i)
        EXPECT_EQ(read.rules[i], rules[i]) << FormatAlarmRules({read.rules[i]});
    // Each rule knows its line, as a person's editor counts it.
    std::istringstream lines(folder.Read("AlarmRules.txt"));
    std::string line;
    for (int n = 0; n < read.rules[5].line; ++n) std::getline(lines, line);
    EXPECT_EQ(line, "rule psu");

    // A missing file gives the built-in rules; an address prefix is a range.
    EXPECT_EQ(LoadAlarmRulesFile(folder.File("none.txt")).rules, BuiltInAlarmRules());
    const AlarmRulesParse prefix = ParseAlarmRules("rule lan\n source 192.168.4.0/22\n");
    ASSERT_EQ(prefix.rules.size(), 1u);
    EXPECT_EQ(prefix.rules[0].sourceFirst, 0xC0A80400u);
    EXPECT_EQ(prefix.rules[0].sourceLast, 0xC0A807FFu);
}

TEST(AlarmRulesFile, ADamagedFileNamesTheLineInJapanese) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"rule a\n  severity major\n  severity huge\n",
         "AlarmRules.txt の 3 行目: 重大度 \"huge\" がありません (critical, major, minor, "
         "warning, indeterminate, cleared)"},
        {"# comment\n\n  trap 1.3.6\n",
         "AlarmRules.txt の 3 行目: \"rule 名前\" の行より前に項目があります"},
        {"rule a\n  trap 1.3..6\n", "AlarmRules.txt の 2 行目: OID \"1.3..6\" が正しくありません"},
        {"rule a\nrule a\n", "AlarmRules.txt の 2 行目: 規則の名前 \"a\" が重複しています"},
        {"rule a\n  clear-after 5x\n",
         "AlarmRules.txt の 2 行目: 時間 \"5x\" が正しくありません (例: 300s, 5m, 2h, 1d)"},
        {"rule a\n  source 10.0.0.9-10.0.0.1\n",
         "AlarmRules.txt の 2 行目: 送信元 \"10.0.0.9-10.0.0.1\" が正しくありません"},
        {"rule a\n  colour red\n", "AlarmRules.txt の 2 行目: 不明な項目 \"colour\" です"},
        {"rule a\n  mail\n", "AlarmRules.txt の 2 行目: mail の内容がありません"},
        {"rule a\n  actions-on raise often\n",
         "AlarmRules.txt の 2 行目: actions-on には raise, rise, clear を書きます"},
    };
    for (const auto& c : cases) {
        const AlarmRulesParse parse = ParseAlarmRules(c.text);
        EXPECT_EQ(parse.error, c.error) << c.text;
        EXPECT_TRUE(parse.rules.empty());
    }
}

TEST(AlarmRulesFile, TheProgramKeepsTheLastGoodRulesWhenTheFileIsDamaged) {
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    Program program(boxes);
    DBLib::MakeFolder("/db");
    folder.Write("db/AlarmRules.txt", "rule only\n  severity critical\n");
    EXPECT_EQ(program.ReloadAlarmRules(), "");
    ASSERT_EQ(program.Alarms().Rules()->size(), 1u);

    folder.Replace("db/AlarmRules.txt", "rule only\n  severity critical\n  instance x\n");
    EXPECT_EQ(program.ReloadAlarmRules(), "AlarmRules.txt の 3 行目: OID \"x\" が正しくありません");
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0], "AlarmRules.txt の 3 行目: OID \"x\" が正しくありません");
    ASSERT_EQ(program.Alarms().Rules()->size(), 1u);
    EXPECT_EQ(program.Alarms().Rules()->front().name, "only");
}

}  // namespace

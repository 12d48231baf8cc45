#include "pipeline/Pipeline.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "mail/MailQueue.h"
#include "pipeline/WindowPorts.h"
#include "platform/FileChangeWatch.h"
#include "platform/HostLookup.h"
#include "platform/ProcessLauncher.h"
#include "platform/Sound.h"
#include "records/DBLib.h"
#include "rules/RuleStore.h"
#include "settings/AppSettings.h"
#include "support/ArgvRecorder.h"
#include "support/Eventually.h"
#include "support/FakeSoundPlayer.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingServiceWindows.h"
#include "support/RuleBuilders.h"
#include "support/TempProgramFolder.h"
#include "settings/SettingsSource.h"
#include "support/TrapRecords.h"
#include "traffic/TrafficCounts.h"
#include "trap/LossCounters.h"
#include "traplog/TrapLog.h"
#include "traplog/TrapRowQueue.h"
#include "traplog/TrapRowTexts.h"

namespace {

using namespace std::chrono_literals;
using Address = std::array<uint8_t, 4>;

TEST(SplitProgramLine, SplitsAtTheFirstSpaceThatNoBackslashFollowsOrAfterAQuotedProgram) {
    const struct {
        const char* line;
        const char* program;
        const char* arguments;
    } cases[] = {
        {"notepad.exe %A", "notepad.exe", "%A"},
        {R"(C:\Program Files\Tool\tool.exe -s %A)", R"(C:\Program Files\Tool\tool.exe)", "-s %A"},
        {R"(tool.exe C:\out.txt)", R"(tool.exe C:\out.txt)", ""},
        {"tool.exe", "tool.exe", ""},
        {"tool.exe ", "tool.exe", ""},
        {"a  b", "a", " b"},
        {" a b", " a", "b"},  // the first character is always part of the program
        {"", "", ""},
        {"/opt/my tools/notify.sh %A", "/opt/my", "tools/notify.sh %A"},
        {R"("/opt/my tools/notify.sh" %A)", "/opt/my tools/notify.sh", "%A"},
        {R"("/opt/my tools/notify.sh"  -s "%A" C:\x)", "/opt/my tools/notify.sh",
         R"(-s "%A" C:\x)"},
        {R"("/opt/my tools/notify.sh")", "/opt/my tools/notify.sh", ""},
        {R"("/opt/my tools/notify.sh %A)", "", ""},  // unclosed: no program
        {R"("" %A)", "", "%A"},
    };
    for (const auto& c : cases) {
        const ProgramLineParts parts = SplitProgramLine(c.line);
        EXPECT_EQ(parts.program, c.program) << c.line;
        EXPECT_EQ(parts.arguments, c.arguments) << c.line;
    }
}

template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    text.copy(field.data(), std::min(text.size(), N - 1));
}

template <std::size_t N>
std::string Text(const std::array<char, N>& field) {
    return std::string(field.data(), strnlen(field.data(), N));
}

// A program folder of its own, with the given filter settings and no rules yet.
class PipelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_.Load();
        DBLib::MakeFolder("/db");
        DBLib::MakeFolder("/log");
        DBLib::MakeFolder("/tmp");
        Configure(1, 0, 0);
    }

    void Configure(int32_t receiveMode, int32_t logMode, int32_t resolveHostName) {
        AppSettings settings = settings_.Snapshot();
        settings.receiveMode = receiveMode;
        settings.logMode = logMode;
        settings.resolveHostName = resolveHostName;
        settings_.Replace(settings);
    }

    void Store(const RuleRecord& rule) { ASSERT_LE(rules_.Put(rule), RuleStore::kPutReplaced); }

    // Popup text of the actions that FilterTrap gives, or "rejected".
    std::string Filter(const TrapRecord& record) const {
        RuleRecord actions{};
        SetText(actions.programLine, "left over");
        if (FilterTrap(rules_, record, settings_.Snapshot(), actions) != 0) return "rejected";
        EXPECT_EQ(Text(actions.programLine), "");
        return Text(actions.popupMessage);
    }

    std::size_t LogLines() {
        log_.Close();
        const std::string log = folder_.Read("log/log.log");
        return static_cast<std::size_t>(std::count(log.begin(), log.end(), '\n'));
    }

    // The parts of a pipeline under test, looking the senders' names up with hostNames.
    PipelineParts Parts(HostNames& hostNames) {
        return {.rules = rules_,
                .settings = settings_,
                .windows = ports_,
                .losses = losses_,
                .traffic = traffic_,
                .log = log_,
                .rows = rows_,
                .mail = mail_,
                .programs = programs_,
                .sounds = sounds_,
                .hostNames = hostNames,
                .boxes = boxes_,
                .rounds = rounds_};
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    StoreReadFailures readFailures_;
    RuleStore rules_{readFailures_, {.boxes = boxes_}};
    SettingsSource settings_;
    WindowPorts ports_;
    LossCounters losses_;
    TrafficCounts traffic_;
    TrapLog log_{{.boxes = boxes_}, losses_, settings_};
    TrapRowQueue rows_{losses_};
    MailQueue mail_{losses_};
    ProgramLauncher programs_;
    SoundPlayer sounds_{programs_};
    HostNames hostNames_;
    NoticeRounds rounds_;
    Pipeline pipeline_{Parts(hostNames_)};
    RecordingServiceWindows windows_{ports_, rows_};
};

TEST_F(PipelineTest, EveryTrapIsReceivedWithTheDefaultActionsOrNone) {
    Configure(0, 0, 0);
    Store(IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 255}, "range"));
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {192, 168, 1, 1})), "");
    RuleRecord defaults{};
    defaults.kind = AllTraps;
    SetText(defaults.popupMessage, "default");
    Store(defaults);
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {192, 168, 1, 1})), "default");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 1})), "default");
    EXPECT_EQ(Filter(*NewV3Trap({10, 0, 0, 1}, "nobody")), "default");
}

TEST_F(PipelineTest, WithoutRulesTheFilterReceivesNothing) {
    EXPECT_EQ(Filter(*NewV1Trap({10, 0, 0, 1}, 6, 1, "1.3.6.1.4.1.9")), "rejected");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 1})), "rejected");
    EXPECT_EQ(Filter(*NewV3Trap({10, 0, 0, 1}, "alice")), "rejected");
}

TEST_F(PipelineTest, IpRangesAreTriedInFileOrderAsUnsignedNumbers) {
    Store(IpRangeRule({10, 0, 0, 0}, {200, 0, 0, 0}, "wide"));
    Store(IpRangeRule({150, 1, 1, 0}, {150, 1, 1, 255}, "narrow"));
    Store(IpRangeRule({201, 0, 0, 0}, {255, 255, 255, 255}, "high"));
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {150, 1, 1, 1})), "wide");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 0})), "wide");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {200, 0, 0, 0})), "wide");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {200, 0, 0, 1})), "rejected");
    EXPECT_EQ(Filter(*NewTrapRecord(kSnmpV2c, {9, 255, 255, 255})), "rejected");
    EXPECT_EQ(Filter(*NewV3Trap({255, 255, 255, 255}, "x")), "high");
    // The range comes first for every version.
    Store(EnterpriseRule("1.3.6.1.4.1.9", kGenericAny, 0, "enterprise"));
    EXPECT_EQ(Filter(*NewV1Trap({150, 1, 1, 1}, 6, 1, "1.3.6.1.4.1.9")), "wide");
}

TEST_F(PipelineTest, EnterpriseRulesApplyToSnmpV1Only) {
    Store(EnterpriseRule("1.3.6.1.4.1.9.1", kGenericAny, 0, "any"));
    Store(EnterpriseRule("1.3.6.1.4.1.9.2", 6, 5, "six-five"));
    const Address sender = {172, 16, 0, 1};
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 3, "1.3.6.1.4.1.9.1")), "any");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 0, 0, "1.3.6.1.4.1.9.1")), "any");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 5, "1.3.6.1.4.1.9.2")), "six-five");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 4, "1.3.6.1.4.1.9.2")), "rejected");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 5, "1.3.6.1.4.1.9")), "rejected");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 5, "1.3.6.1.2.1.11")), "rejected");
    EXPECT_EQ(Filter(*NewV1Trap(sender, 6, 5, "1.3.6.1.4.1." + std::string(100, '7'))), "rejected");
    auto v2c = NewTrapRecord(kSnmpV2c, sender);
    SetText(v2c->enterprise, "1.3.6.1.4.1.9.1");
    EXPECT_EQ(Filter(*v2c), "rejected");
}

TEST_F(PipelineTest, UserRulesApplyToSnmpV3OnlyAndMatchCase) {
    Store(UserRule("alice", "user"));
    const Address sender = {172, 16, 0, 1};
    EXPECT_EQ(Filter(*NewV3Trap(sender, "alice")), "user");
    EXPECT_EQ(Filter(*NewV3Trap(sender, "Alice")), "rejected");
    auto v2c = NewTrapRecord(kSnmpV2c, sender);
    SetText(v2c->userName, "alice");
    EXPECT_EQ(Filter(*v2c), "rejected");
}

TEST_F(PipelineTest, LogModeDecidesWhetherRejectedAndReceivedTrapsAreLogged) {
    Store(IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 255}, ""));
    const struct {
        int32_t logMode;
        std::size_t lines;
    } cases[] = {{0, 0}, {1, 2}, {2, 1}};
    for (const auto& c : cases) {
        Configure(1, c.logMode, 0);
        folder_.Write("log/log.log", "");
        EXPECT_EQ(pipeline_.ProcessTrap(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 1})), 0);
        EXPECT_EQ(pipeline_.ProcessTrap(*NewTrapRecord(kSnmpV2c, {11, 0, 0, 1})), 1);
        EXPECT_EQ(LogLines(), c.lines) << "logMode " << c.logMode;
    }
    // One row per received trap only.
    ASSERT_EQ(windows_.RowCount(), 3u);
    EXPECT_EQ(windows_.Cell(0, 2), "10.0.0.1");
    // The reception graph counts every trap, received or not.
    const TrafficSnapshot traffic = traffic_.Snapshot(TrafficSecondNow());
    using Ranked = std::pair<SenderAddress, uint64_t>;
    EXPECT_EQ(traffic.topSenders, (std::vector<Ranked>{{{10, 0, 0, 1}, 3u}, {{11, 0, 0, 1}, 3u}}));
}

TEST_F(PipelineTest, SettingsSavedWhileATrapIsProcessedApplyFromTheNextTrap) {
    Configure(0, 1, 1);
    AppSettings settings = settings_.Snapshot();
    SetText(settings.formatV2c, "before %C");
    settings_.Replace(settings);
    // The host-name lookup, the first stage, saves as a dialog would: the filter on
    // without rules, and another message.
    std::atomic<int> lookups{0};
    HostNames names([&](std::array<uint8_t, 4>) {
        if (lookups++ == 0) {
            AppSettings saved = settings_.Snapshot();
            saved.receiveMode = 1;
            SetText(saved.formatV2c, "after %C");
            settings_.Replace(saved);
        }
        return std::string("sender.example");
    });
    Pipeline pipeline(Parts(names));
    const auto first = NewTrapRecord(kSnmpV2c, {10, 0, 0, 1});
    SetText(first->community, "one");
    const auto second = NewTrapRecord(kSnmpV2c, {10, 0, 0, 2});
    SetText(second->community, "two");
    EXPECT_EQ(pipeline.ProcessTrap(*first), 0);
    EXPECT_EQ(pipeline.ProcessTrap(*second), 1);

    log_.Close();
    const std::string log = folder_.Read("log/log.log");
    EXPECT_NE(log.find(",10.0.0.1,sender.example,2,before one,\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(",10.0.0.2,sender.example,2,after two,\r\n"), std::string::npos) << log;
    ASSERT_EQ(windows_.RowCount(), 1u);
    EXPECT_EQ(windows_.Cell(0, kMessageColumn), "before one");
}

TEST_F(PipelineTest, ActionsGetTrapTextLiterallyAndBeepSilencesTheWave) {
    ArgvRecorder recorder;
    FakeSoundPlayer player;
    int beeps = 0;
    sounds_.SetBeep([&] { ++beeps; });
    const std::string marker = (recorder.Folder() / "X").string();
    const std::string victim = (recorder.Folder() / "Y").string();
    std::filesystem::create_directory(victim);

    RuleRecord rule = IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 255}, "Trap from %A: %C");
    SetText(rule.programLine, recorder.Program().string() + " \"%C\" %A %C");
    SetText(rule.waveFile, "/sounds/never.wav");
    rule.beep = 1;
    Store(rule);

    auto record = NewTrapRecord(kSnmpV2c, {10, 0, 0, 7});
    const std::string community = "$(touch " + marker + "); rm -rf " + victim;
    SetText(record->community, community);
    EXPECT_EQ(pipeline_.ProcessTrap(*record), 0);

    const auto arguments = recorder.WaitForArguments();
    ASSERT_TRUE(arguments.has_value());
    EXPECT_EQ(*arguments, (std::vector<std::string>{community, "10.0.0.7", "$(touch", marker + ");",
                                                    "rm", "-rf", victim}));
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_TRUE(std::filesystem::exists(victim));

    const auto boxes = boxes_.Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Trap from 10.0.0.7: " + community);
    EXPECT_EQ(beeps, 1);
    std::this_thread::sleep_for(200ms);  // a wrongly started player would have written by now
    EXPECT_EQ(player.Calls(), "");
}

TEST_F(PipelineTest, WaveSoundsWhenNoBeepIsAsked) {
    FakeSoundPlayer player;
    RuleRecord rule = IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 255}, "");
    SetText(rule.waveFile, "/sounds/%A.wav");  // the path is not expanded
    Store(rule);
    EXPECT_EQ(pipeline_.ProcessTrap(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 7})), 0);
    Eventually([&] { return !player.Calls().empty(); }, 5s);
    EXPECT_EQ(player.Calls(), "-q|--|/sounds/%A.wav|");
    EXPECT_TRUE(boxes_.Recorded().empty());
}

TEST_F(PipelineTest, RejectedTrapGetsNoRowAndNoActions) {
    ArgvRecorder recorder;
    RuleRecord rule = UserRule("alice", "popup");
    SetText(rule.programLine, recorder.Program().string() + " %A");
    Store(rule);
    EXPECT_EQ(pipeline_.ProcessTrap(*NewV3Trap({10, 0, 0, 1}, "bob")), 1);
    EXPECT_EQ(windows_.RowCount(), 0u);
    EXPECT_TRUE(boxes_.Recorded().empty());
    std::this_thread::sleep_for(200ms);  // a wrongly started program would have run by now
    EXPECT_TRUE(recorder.Runs().empty());
}

// Processes of ours (zombies included) whose command name is name.
int CountChildren(std::string_view name) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        int parent = 0;
        char state = 0;
        std::istringstream(stat.substr(close + 1)) >> state >> parent;
        if (parent == getpid() && stat.compare(open + 1, close - open - 1, name) == 0) ++count;
    }
    return count;
}

TEST_F(PipelineTest, AtMostThirtyTwoProgramsRunAtOnceAndEveryOneIsReaped) {
    Configure(0, 0, 0);
    const std::string release = folder_.File("release");
    RuleRecord rule{};
    rule.kind = AllTraps;
    // Waits until the test releases it, for about thirty seconds at most: long enough that
    // none ends by itself while a slow machine sends the 200 traps.
    SetText(rule.programLine, "sh -c \"i=0; while [ ! -e " + release +
                                  " ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done\"");
    Store(rule);
    int mostAtOnce = 0;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(pipeline_.ProcessTrap(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 1})), 0);
        mostAtOnce = std::max(mostAtOnce, CountChildren("sh"));
    }
    EXPECT_EQ(mostAtOnce, kMaxRunningPrograms);
    EXPECT_EQ(losses_.Read(LossKind::kProgramsSkipped), 200u - kMaxRunningPrograms);

    folder_.Write("release", "");
    Eventually([&] { return programs_.RunningProgramCount() == 0 && CountChildren("sh") == 0; },
               20s, 20ms);
    EXPECT_EQ(programs_.RunningProgramCount(), 0);
    EXPECT_EQ(CountChildren("sh"), 0) << "a program was left unreaped";
    // Ended programs free their places: the next start is not skipped. (It ends at once,
    // the release being there, so the running count cannot be read reliably.)
    EXPECT_EQ(pipeline_.ProcessTrap(*NewTrapRecord(kSnmpV2c, {10, 0, 0, 1})), 0);
    EXPECT_EQ(losses_.Read(LossKind::kProgramsSkipped), 200u - kMaxRunningPrograms);
}

}  // namespace

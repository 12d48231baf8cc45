// The alarm engine with decoded records: keys, repeats, clearing, silence, the user's
// calls, muting and the bound on alarms.

#include <gtest/gtest.h>

#include "alarms/AlarmEngine.h"
#include "settings/SettingsSource.h"
#include "snmp/BerTags.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"

namespace {

constexpr std::string_view kLinkDown = "1.3.6.1.6.3.1.1.5.3";
constexpr std::string_view kLinkUp = "1.3.6.1.6.3.1.1.5.4";
constexpr std::string_view kIfIndex = "1.3.6.1.2.1.2.2.1.1";

class ManualClock final : public AlarmClock {
public:
    int64_t NowMs() const override { return now; }
    int64_t now = 1'700'000'000'000;
};

class AlarmEngineTest : public ::testing::Test {
protected:
    void Tap(const TrapRecord& record) { engine_.Tap(record, TappedDatagram{}, true); }

    const AlarmView* Find(std::string_view oid, std::string_view instance = {}) {
        snapshot_ = engine_.Snapshot();
        for (const AlarmView& view : snapshot_.alarms)
            if (view.facts->trapOid == oid && view.facts->instance == instance) return &view;
        return nullptr;
    }

    SettingsSource settings_;
    LossCounters losses_;
    ManualClock clock_;
    AlarmEngine engine_{
        {.settings = settings_, .mib = nullptr, .losses = losses_, .clock = &clock_}};
    AlarmSnapshot snapshot_;
};

TEST_F(AlarmEngineTest, LinkUpClearsTheLinkDownOfItsInterfaceOnly) {
    const TrapAddress router{10, 0, 0, 1};
    Tap(*NewV2cNotification(router, kLinkDown, 2));
    Tap(*NewV2cNotification(router, kLinkDown, 3));
    Tap(*NewV2cNotification({10, 0, 0, 2}, kLinkDown, 2));
    Tap(*NewV2cNotification(router, kLinkUp, 2));
    ASSERT_EQ(engine_.AlarmCount(), 3u);  // linkUp raises none
    EXPECT_EQ(Find(kLinkDown, "2")->facts->state, AlarmState::kCleared);
    EXPECT_EQ(Find(kLinkDown, "3")->facts->state, AlarmState::kRaised);
    EXPECT_EQ(Find(kLinkDown, "3")->facts->severity, AlarmSeverity::kMajor);
    int open = 0;
    for (const AlarmView& view : engine_.Snapshot().alarms)
        open += view.facts->state != AlarmState::kCleared;
    EXPECT_EQ(open, 2);

    // SNMPv1's generic linkDown is the same alarm; a repeat after the clear raises it again.
    clock_.now += 5000;
    auto v1 = NewV1Trap(router, 2, 0, "1.3.6.1.4.1.9");
    AddIntegerBinding(*v1, std::string(kIfIndex) + ".2", 2);
    Tap(*v1);
    const AlarmView* again = Find(kLinkDown, "2");
    EXPECT_EQ(again->facts->state, AlarmState::kRaised);
    EXPECT_EQ(again->count, 2u);
    const auto changes = engine_.ChangesSince(0);
    ASSERT_EQ(changes.size(), 5u);
    EXPECT_EQ(changes[3].kind, AlarmChangeKind::kCleared);
    EXPECT_EQ(changes[4].kind, AlarmChangeKind::kRaised);
}

TEST_F(AlarmEngineTest, RepeatsMakeOneAlarmWithTheirCountAndLastTime) {
    const auto trap = NewV2cNotification({10, 0, 0, 1}, "1.3.6.1.4.1.99.0.1");
    for (int i = 0; i < 1000; ++i) {
        clock_.now += 3;  // the message is taken again now and then, on the lock's way
        Tap(*trap);
    }
    ASSERT_EQ(engine_.AlarmCount(), 1u);
    const AlarmView* view = Find("1.3.6.1.4.1.99.0.1");
    EXPECT_EQ(view->count, 1000u);
    EXPECT_EQ(view->lastMs, clock_.now);
    EXPECT_EQ(view->facts->severity, AlarmSeverity::kIndeterminate);
    EXPECT_EQ(engine_.ChangesSince(0).size(), 1u);  // raised once; repeats announce nothing

    AlarmStoreBatch batch;
    engine_.TakeStoreBatch(batch);
    EXPECT_EQ(batch.history.size(), 1000u);  // each trap that touched it
    ASSERT_EQ(batch.rows.size(), 1u);
    EXPECT_EQ(batch.rows[0].view.count, 1000u);
}

TEST_F(AlarmEngineTest, TheUsersCallsAndSilenceChangeTheStateAndAreFed) {
    AlarmRule rule;
    rule.name = "fan";
    rule.traps.push_back({"1.3.6.1.4.1.99.0", true});
    rule.severity = AlarmSeverity::kCritical;
    rule.clearAfterSeconds = 60;
    rule.message = "$source: fan $1";
    engine_.SetRules({rule});
    Tap(*NewV2cNotification({10, 0, 0, 9}, "1.3.6.1.4.1.99.0.7"));
    const int64_t id = Find("1.3.6.1.4.1.99.0.7")->facts->id;
    EXPECT_EQ(Find("1.3.6.1.4.1.99.0.7")->facts->message, "10.0.0.9: fan 100");

    EXPECT_TRUE(engine_.Acknowledge(id, "yamada", "交換手配済み"));
    EXPECT_FALSE(engine_.Acknowledge(id, "yamada", ""));
    EXPECT_EQ(Find("1.3.6.1.4.1.99.0.7")->facts->ackNote, "交換手配済み");
    EXPECT_TRUE(engine_.Unacknowledge(id, "suzuki", ""));
    EXPECT_FALSE(engine_.Remove(id, "suzuki"));  // only cleared alarms leave by hand

    clock_.now += 59'000;
    engine_.Tick();
    EXPECT_EQ(Find("1.3.6.1.4.1.99.0.7")->facts->state, AlarmState::kRaised);
    clock_.now += 1'000;
    engine_.Tick();
    EXPECT_EQ(Find("1.3.6.1.4.1.99.0.7")->facts->state, AlarmState::kCleared);
    EXPECT_FALSE(engine_.ClearByHand(id, "suzuki", ""));
    // A cleared alarm stays in view for the settings' time (60 minutes), then leaves.
    clock_.now += 59 * 60'000;
    engine_.Tick();
    EXPECT_NE(Find("1.3.6.1.4.1.99.0.7"), nullptr);
    clock_.now += 60'000;
    engine_.Tick();
    EXPECT_EQ(Find("1.3.6.1.4.1.99.0.7"), nullptr);

    std::vector<AlarmChangeKind> kinds;
    for (const AlarmChange& change : engine_.ChangesSince(0)) kinds.push_back(change.kind);
    EXPECT_EQ(kinds, (std::vector<AlarmChangeKind>{
                         AlarmChangeKind::kRaised, AlarmChangeKind::kAcknowledged,
                         AlarmChangeKind::kUnacknowledged, AlarmChangeKind::kCleared,
                         AlarmChangeKind::kRemoved}));
    AlarmStoreBatch batch;
    engine_.TakeStoreBatch(batch);
    ASSERT_EQ(batch.acks.size(), 2u);
    EXPECT_EQ(batch.acks[0].user, "yamada");
    EXPECT_EQ(batch.acks[1].action, "unacknowledge");
    EXPECT_FALSE(batch.rows.back().shown);
}

TEST_F(AlarmEngineTest, AMutedSenderOrRuleRaisesNothingAndItsTrapsAreCounted) {
    const TrapAddress quiet{10, 0, 0, 5};
    engine_.MuteSender(quiet, clock_.now + 60'000);
    engine_.MuteRule("coldStart", clock_.now + 60'000);
    for (int i = 0; i < 7; ++i) Tap(*NewV2cNotification(quiet, kLinkDown, 1));
    Tap(*NewV2cNotification({10, 0, 0, 6}, "1.3.6.1.6.3.1.1.5.1"));
    EXPECT_EQ(engine_.AlarmCount(), 0u);
    const auto mutes = engine_.Mutes();
    ASSERT_EQ(mutes.size(), 2u);
    EXPECT_EQ(mutes[0].traps, 7u);
    EXPECT_EQ(mutes[1].traps, 1u);

    clock_.now += 60'000;  // the maintenance ended
    engine_.Tick();
    Tap(*NewV2cNotification(quiet, kLinkDown, 1));
    EXPECT_EQ(engine_.AlarmCount(), 1u);
    EXPECT_TRUE(engine_.Mutes().empty());
}

TEST_F(AlarmEngineTest, AStormStaysWithinTheAlarmBoundAndCountsWhatFindsNoRoom) {
    // 1,000 senders with 10 interfaces each, repeated: exactly the bound.
    for (int round = 0; round < 3; ++round)
        for (int sender = 0; sender < 1000; ++sender)
            for (int ifIndex = 1; ifIndex <= 10; ++ifIndex)
                Tap(*NewV2cNotification(
                    {10, 1, static_cast<uint8_t>(sender / 256), static_cast<uint8_t>(sender)},
                    kLinkDown, ifIndex));
    EXPECT_EQ(engine_.AlarmCount(), kMaxAlarms);
    EXPECT_EQ(losses_.Read(LossKind::kAlarmsDropped), 0u);
    Tap(*NewV2cNotification({10, 2, 0, 1}, kLinkDown, 1));
    EXPECT_EQ(engine_.AlarmCount(), kMaxAlarms);
    EXPECT_EQ(losses_.Read(LossKind::kAlarmsDropped), 1u);
    // A cleared alarm makes room for a new one.
    Tap(*NewV2cNotification({10, 1, 0, 0}, kLinkUp, 1));
    Tap(*NewV2cNotification({10, 2, 0, 1}, kLinkDown, 1));
    EXPECT_EQ(engine_.AlarmCount(), kMaxAlarms);
    EXPECT_EQ(losses_.Read(LossKind::kAlarmsDropped), 1u);
    EXPECT_EQ(Find(kLinkDown, "1")->facts->sender, (TrapAddress{10, 1, 0, 1}));
}

}  // namespace

namespace {

class RecordingActions final : public AlarmActionPort {
public:
    void RunAlarmActions(const TrapRecord&, const AlarmRule& rule,
                         AlarmActionEvent event) override {
        runs.emplace_back(rule.name, event);
    }
    std::vector<std::pair<std::string, AlarmActionEvent>> runs;
};

TEST_F(AlarmEngineTest, ActionsRunOnceForARaiseARiseAndAClearNeverForARepeat) {
    RecordingActions actions;
    engine_.SetActionPort(&actions);
    AlarmRuleList rules = BuiltInAlarmRules();
    rules[0].mail = "down %A";  // linkDown, major
    rules[0].actOnClear = true;
    engine_.SetRules(rules);
    using Run = std::pair<std::string, AlarmActionEvent>;

    for (int i = 0; i < 100; ++i) {
        Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
        clock_.now += 700;  // past the message's refresh now and then: still a repeat
    }
    EXPECT_EQ(actions.runs, (std::vector<Run>{{"linkDown", AlarmActionEvent::kRaised}}));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkUp, 2));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    EXPECT_EQ(actions.runs, (std::vector<Run>{{"linkDown", AlarmActionEvent::kRaised},
                                              {"linkDown", AlarmActionEvent::kCleared},
                                              {"linkDown", AlarmActionEvent::kRaised}}));

    // A rule that makes the same alarm critical: its actions run once as the severity
    // rises, and not when it falls back.
    actions.runs.clear();
    AlarmRuleList stricter = rules;
    AlarmRule critical = rules[0];
    critical.name = "core-down";
    critical.severity = AlarmSeverity::kCritical;
    critical.actOnClear = false;
    stricter.insert(stricter.begin(), critical);
    engine_.SetRules(stricter);
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    engine_.SetRules(rules);
    Tap(*NewV2cNotification({10, 0, 0, 1}, kLinkDown, 2));
    EXPECT_EQ(actions.runs, (std::vector<Run>{{"core-down", AlarmActionEvent::kRose}}));
}

}  // namespace

// net-snmp's snmptrap to a program on loopback: its alarms, and what its store keeps for
// the next start.

#include <gtest/gtest.h>

#include <cstdlib>

#include "program/Program.h"
#include "records/DBLib.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MailEveryTrap.h"
#include "support/MessageBoxRecorder.h"
#include "support/RealSmtpServer.h"
#include "support/RecordingServiceWindows.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "trap/PacketCounters.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kLinkDown = "1.3.6.1.6.3.1.1.5.3";
constexpr const char* kLinkUp = "1.3.6.1.6.3.1.1.5.4";

class AlarmPeersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty()) GTEST_SKIP() << "snmptrap (snmp) is not installed";
        port_ = PickFreeTrapPort(28000);
        ASSERT_NE(port_, 0);
        folder_.Write("OlixTrap.ini", "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port_) +
                                          "\r\nHOST=0\r\nLOG=0\r\nT2MSG=v2 %C\r\n");
        for (const char* sub : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(sub);
        Start();
    }

    void Start() {
        program_ = std::make_unique<Program>(boxes_);
        program_->Settings().Load();
        program_->StartAlarms();
        program_->TrapReceiver().Start();
        ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    }

    void TearDown() override {
        if (program_) program_->TrapReceiver().Shutdown();
    }

    // Sends one trap per ifIndex, repeats times, and waits until the alarms have seen them
    // all (the history counts each trap that touched an alarm).
    void Send(const char* trap, std::vector<int> ifIndexes, int repeats = 1) {
        const uint32_t expected =
            program_->Counters().Snapshot().allPackets + ifIndexes.size() * repeats;
        for (int r = 0; r < repeats; ++r)
            for (int ifIndex : ifIndexes)
                ASSERT_EQ(
                    RunSnmptrap({"-v", "2c", "-c", "public", "127.0.0.1:" + std::to_string(port_),
                                 "", trap, "1.3.6.1.2.1.2.2.1.1." + std::to_string(ifIndex), "i",
                                 std::to_string(ifIndex)}),
                    0);
        ASSERT_TRUE(
            Eventually([&] { return program_->Counters().Snapshot().allPackets == expected; }));
        // The alarms see a trap after the pipeline, on the same thread: a moment later.
        std::this_thread::sleep_for(50ms);
    }

    const AlarmView* Find(std::string_view instance) {
        snapshot_ = program_->Alarms().Snapshot();
        for (const AlarmView& view : snapshot_.alarms)
            if (view.facts->instance == instance) return &view;
        return nullptr;
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    std::unique_ptr<Program> program_;
    uint16_t port_ = 0;
    AlarmSnapshot snapshot_;
};

TEST_F(AlarmPeersTest, LinkUpClearsTheRightInterfaceAndTheStoreBringsTheAlarmsBack) {
    Send(kLinkDown, {2, 3});
    Send(kLinkUp, {2});
    ASSERT_NE(Find("2"), nullptr);
    EXPECT_EQ(Find("2")->facts->state, AlarmState::kCleared);
    EXPECT_EQ(Find("3")->facts->state, AlarmState::kRaised);
    EXPECT_EQ(Find("3")->facts->severity, AlarmSeverity::kMajor);
    EXPECT_EQ(Find("3")->facts->message.substr(0, 9), "v2 public");
    ASSERT_TRUE(program_->Alarms().Acknowledge(Find("3")->facts->id, "yamada", "確認"));

    // The next start finds them as they were.
    program_->TrapReceiver().Shutdown();
    program_.reset();
    Start();
    ASSERT_EQ(program_->Alarms().AlarmCount(), 2u);
    EXPECT_EQ(Find("2")->facts->state, AlarmState::kCleared);
    EXPECT_EQ(Find("3")->facts->state, AlarmState::kAcknowledged);
    EXPECT_EQ(Find("3")->facts->ackNote, "確認");
    EXPECT_EQ(Find("3")->count, 1u);
    Send(kLinkDown, {3});
    EXPECT_EQ(Find("3")->count, 2u);  // the same alarm, not a second one
    EXPECT_EQ(program_->Alarms().AlarmCount(), 2u);
}

TEST_F(AlarmPeersTest, AThousandRepeatsMakeOneAlarmCountedAThousandTimes) {
    // Every sub-process costs; a loop of snmptrap runs is what a real device's storm is.
    Send(kLinkDown, {7}, 1000);
    ASSERT_EQ(program_->Alarms().AlarmCount(), 1u);
    EXPECT_EQ(Find("7")->count, 1000u);
    program_->StopAlarms();
    const std::string db = folder_.File("db/alarms.sqlite");
    EXPECT_EQ(std::system(("test \"$(sqlite3 " + db +
                           " 'select count from alarms; select count(*) from history')\" = "
                           "\"$(printf '1000\\n1000')\"")
                              .c_str()),
              0);
}

TEST_F(AlarmPeersTest, AThousandRepeatsSendTheRulesMailOnce) {
    const std::array<uint8_t, 4> smtpHost = ProcessSmtpHost(27);
    RealSmtpServer smtp(smtpHost, 25);
    if (!smtp.Ready()) GTEST_SKIP() << "aiosmtpd cannot listen at the SMTP port here";
    MailTowards(program_->Settings(), smtpHost);
    folder_.Write("db/AlarmRules.txt",
                  "rule link\n  trap 1.3.6.1.6.3.1.1.5.3\n  severity major\n"
                  "  instance 1.3.6.1.2.1.2.2.1.1\n  mail linkDown alarm from %A\n");
    ASSERT_EQ(program_->ReloadAlarmRules(), "");

    Send(kLinkDown, {7}, 1000);
    ASSERT_TRUE(Eventually([&] { return smtp.MessageCount() >= 1; }, 20s));
    // The mail queue sends at once; a second mail would have come by now.
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(smtp.MessageCount(), 1);
    EXPECT_NE(smtp.Read("1.eml").find("linkDown alarm from 127.0.0.1"), std::string::npos)
        << smtp.Read("1.eml");
    EXPECT_EQ(Find("7")->count, 1000u);
}

}  // namespace

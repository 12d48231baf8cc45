// The receiver as the engine informs are sent to: net-snmp's snmpinform against the running
// service (it discovers the engine, waits for the Response and exits 0 only when one came),
// and hand-built informs for what snmpinform cannot be made to send.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "program/Program.h"
#include "records/DBLib.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"
#include "snmp/engine/AnswerCounts.h"
#include "snmp/engine/EngineFile.h"
#include "support/BerBuilder.h"
#include "support/LoopbackSender.h"
#include "support/LoopbackUdpSocket.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingServiceWindows.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "support/V3MessageBuilder.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapLog.h"
#include "traplog/TrapRowTexts.h"
#include "users/UserStore.h"

namespace {

using namespace std::chrono_literals;
using ber::Bytes;

constexpr const char* kColdStart = "1.3.6.1.6.3.1.1.5.1";
constexpr int kAllPackets = 1000;

class InformsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmpTool("snmpinform").empty())
            GTEST_SKIP() << "snmpinform (Debian package snmp) is not installed";
        port_ = PickFreeTrapPort(26000);
        ASSERT_NE(port_, 0);
        folder_.Write("OlixTrap.ini",
                      "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port_) +
                          "\r\nLOG=1\r\nT2MSG=v2 %C\r\nT3MSG=v3 %u\r\nLOGDELM=0\r\n");
        settings_.Load();
        for (const char* sub : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(sub);
        // The entries' engine IDs do not matter to informs: keys use the receiver's.
        ASSERT_EQ(users_.AppendUser("plain", "", "", "", 0, 0), 0);
        ASSERT_EQ(users_.AppendUser("md5des", "md5desauth", "md5despriv", "8000000001020304", 2, 1),
                  0);
        ASSERT_EQ(users_.AppendUser("shaaes", "shaaesauth", "shaaespriv", "", 1, 2), 0);
        ASSERT_EQ(users_.AppendUser("sha256aes", "sha256auth", "sha256priv", "", 4, 2), 0);
        ASSERT_EQ(users_.AppendUser("sha512aes", "sha512auth", "sha512priv", "", 6, 2), 0);
        ASSERT_EQ(users_.AppendUser("anydevice", "anyauthpass", "anyprivpass", "", 1, 1), 0);
        ASSERT_TRUE(Receiver().Start());
        ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    }

    void TearDown() override { Receiver().Shutdown(); }

    std::string Target() const { return "127.0.0.1:" + std::to_string(port_); }

    // One coldStart inform with one binding, retried once after 3 s; snmpinform's status.
    int Inform(std::vector<std::string> arguments, std::string* output = nullptr) {
        arguments.insert(arguments.begin(), {"-r", "1", "-t", "3"});
        arguments.push_back(Target());
        for (const char* a : {"0", kColdStart, "1.3.6.1.2.1.1.5.0", "s", "inform-host"})
            arguments.push_back(a);
        return RunSnmpTool("snmpinform", arguments, 20s, output);
    }

    std::size_t LogLineCount() const {
        const std::string log = folder_.Read("log/log.log");
        return std::size_t(std::count(log.begin(), log.end(), '\n'));
    }

    ::Receiver& Receiver() { return program_.TrapReceiver(); }
    AnswerCountsSnapshot AnswerCounts() const { return program_.Answers().Snapshot(); }
    std::vector<RejectedMessage> Rejected() const {
        std::vector<RejectedMessage> rejected;
        program_.Rejected().CopySince(0, rejected);
        return rejected;
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    mutable Program program_{boxes_};
    UserStore& users_ = program_.Users();
    SettingsSource& settings_ = program_.Settings();
    RecordingServiceWindows windows_{program_.Windows(), program_.Rows(), &program_.Counters()};
    uint16_t port_ = 0;
};

// snmpinform discovers the engine and exits 0 only when the Response arrived; every
// security level and protocol the program knows, each inform listed and logged once.
TEST_F(InformsTest, SnmpinformGetsItsResponseAtEveryLevel) {
    const std::vector<std::vector<std::string>> runs = {
        {"-v", "2c", "-c", "public"},
        {"-v", "3", "-u", "plain", "-l", "noAuthNoPriv"},
        {"-v", "3", "-u", "md5des", "-l", "authPriv", "-a", "MD5", "-A", "md5desauth", "-x", "DES",
         "-X", "md5despriv"},
        {"-v", "3", "-u", "shaaes", "-l", "authPriv", "-a", "SHA", "-A", "shaaesauth", "-x", "AES",
         "-X", "shaaespriv"},
        {"-v", "3", "-u", "sha256aes", "-l", "authPriv", "-a", "SHA-256", "-A", "sha256auth", "-x",
         "AES", "-X", "sha256priv"},
        {"-v", "3", "-u", "sha512aes", "-l", "authPriv", "-a", "SHA-512", "-A", "sha512auth", "-x",
         "AES", "-X", "sha512priv"},
    };
    for (const auto& run : runs) {
        std::string output;
        EXPECT_EQ(Inform(run, &output), 0) << run[3] << ": " << output;
    }
    ASSERT_TRUE(windows_.WaitUntil([&] { return windows_.RowCount() == runs.size(); }, 10s));
    EXPECT_EQ(LogLineCount(), runs.size());
    EXPECT_EQ(windows_.Cell(1, 20), "plain");
    for (std::size_t row = 0; row < runs.size(); ++row)
        EXPECT_EQ(windows_.Cell(row, kPduColumn), "InformRequest");
    const AnswerCountsSnapshot counts = AnswerCounts();
    EXPECT_EQ(counts.informsAnswered, runs.size());
    EXPECT_EQ(counts.repeats, 0u);
    // Each SNMPv3 run began with a discovery probe: answered, it is no rejected datagram.
    EXPECT_GE(counts.reportsSent[std::size_t(ReportKind::kUnknownEngineId) - 1], runs.size() - 1);
    EXPECT_EQ(program_.Rejected().LastSequence(), 0u);
    const PacketCountBlock packets = program_.Counters().Snapshot();
    EXPECT_EQ(packets.decodeErrors, 0u);
    EXPECT_GT(packets.allPackets, packets.snmpV2cPackets + packets.snmpV3Packets);
}

// Our reports tell snmpinform why: a wrong password and an unknown user; nothing is logged
// and both land among the rejected messages.
TEST_F(InformsTest, FailuresAreReportedToTheSender) {
    std::string output;
    EXPECT_NE(Inform({"-v", "3", "-u", "shaaes", "-l", "authPriv", "-a", "SHA", "-A",
                      "wrongpassword", "-x", "AES", "-X", "shaaespriv"},
                     &output),
              0);
    EXPECT_NE(output.find("Authentication failure"), std::string::npos) << output;
    output.clear();
    EXPECT_NE(
        Inform({"-v", "3", "-u", "nobody", "-l", "authNoPriv", "-a", "SHA", "-A", "somepassword"},
               &output),
        0);
    EXPECT_NE(output.find("Unknown user name"), std::string::npos) << output;

    EXPECT_EQ(LogLineCount(), 0u);
    std::set<RejectReason> reasons;
    for (const RejectedMessage& entry : Rejected()) reasons.insert(entry.reason);
    EXPECT_TRUE(reasons.contains(RejectReason::kAuthFailure));
    EXPECT_TRUE(reasons.contains(RejectReason::kUnknownUser));
    const AnswerCountsSnapshot counts = AnswerCounts();
    EXPECT_GE(counts.reportsSent[std::size_t(ReportKind::kWrongDigest) - 1], 1u);
    EXPECT_GE(counts.reportsSent[std::size_t(ReportKind::kUnknownUserName) - 1], 1u);
    EXPECT_EQ(counts.informsAnswered, 0u);
}

// One entry without an engine ID takes traps from devices of any engine ID.
TEST_F(InformsTest, EntryWithoutEngineIdServesEveryEngine) {
    for (const char* engine : {"0x8000000001AABBCC01", "0x8000000001AABBCC02"}) {
        ASSERT_EQ(RunSnmptrap({"-v", "3", "-e", engine, "-u", "anydevice", "-l", "authPriv", "-a",
                               "SHA", "-A", "anyauthpass", "-x", "DES", "-X", "anyprivpass",
                               Target(), "0", kColdStart}),
                  0);
    }
    ASSERT_TRUE(windows_.WaitUntil([&] { return windows_.Counter(kAllPackets) == 2; }, 10s));
    EXPECT_EQ(program_.Counters().Snapshot().snmpV3Packets, 2u);
    EXPECT_EQ(windows_.Cell(0, kPduColumn), "");  // a trap's row names no PDU
}

// An SNMPv2c inform sent twice from one socket: answered twice with its own request-id and
// bindings, processed once.
TEST_F(InformsTest, RetransmissionIsAnsweredAgainButProcessedOnce) {
    LoopbackUdpSocket device;
    ASSERT_TRUE(device.IsOpen());
    const Bytes bindings =
        ber::Sequence({ber::SysUpTimeBinding(4200), ber::TrapOidBinding(kColdStart)});
    const Bytes inform = ber::Message(
        1, "public",
        ber::Tlv(0xA6, ber::Cat({ber::Integer(77), ber::Integer(0), ber::Integer(0), bindings})));
    const Bytes expected = ber::Message(
        1, "public",
        ber::Tlv(0xA2, ber::Cat({ber::Integer(77), ber::Integer(0), ber::Integer(0), bindings})));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(device.SendTo(port_, inform));
        const auto answer = device.Receive(5s);
        ASSERT_TRUE(answer.has_value()) << i;
        EXPECT_EQ(answer->octets, expected);
    }
    ASSERT_TRUE(windows_.WaitUntil([&] { return AnswerCounts().repeats == 1; }, 10s));
    EXPECT_EQ(windows_.RowCount(), 1u);
    EXPECT_EQ(LogLineCount(), 1u);
}

// A storm of discovery probes is answered probe by probe, each report within the probe's
// size plus 100 octets, and a trap sent after it is still received.
TEST_F(InformsTest, DiscoveryStormIsAnsweredAndTrapsStillArrive) {
    constexpr int kProbes = 300;
    const Bytes noSecurity =
        ber::Sequence({ber::OctetString(""), ber::Integer(0), ber::Integer(0), ber::OctetString(""),
                       ber::OctetString(""), ber::OctetString("")});
    LoopbackUdpSocket prober;
    for (int i = 0; i < kProbes; ++i) {
        const Bytes probe = ber::Sequence(
            {ber::Integer(3),
             ber::Sequence({ber::Integer(i), ber::Integer(65507), ber::OctetString(Bytes{4}),
                            ber::Integer(3)}),
             ber::OctetString(noSecurity),
             ber::Sequence({ber::OctetString(""), ber::OctetString(""),
                            ber::Tlv(0xA0, ber::Cat({ber::Integer(i), ber::Integer(0),
                                                     ber::Integer(0), ber::Sequence({})}))})});
        ASSERT_TRUE(prober.SendTo(port_, probe));
        const auto report = prober.Receive(5s);
        ASSERT_TRUE(report.has_value()) << i;
        EXPECT_LE(report->octets.size(), probe.size() + kMaxAnswerGrowth);
    }
    ASSERT_TRUE(SendToLoopback(
        port_, ber::BuildV2cTrap(
                   {.varBinds = {ber::SysUpTimeBinding(1), ber::TrapOidBinding(kColdStart)}})));
    ASSERT_TRUE(windows_.WaitUntil(
        [&] { return program_.Counters().Snapshot().snmpV2cPackets == 1; }, 10s));
    EXPECT_EQ(AnswerCounts().reportsSent[std::size_t(ReportKind::kUnknownEngineId) - 1],
              uint64_t(kProbes));
}

// Boots grow with each start of the service; an inform still carrying the old boots is told
// the new ones in an authenticated not-in-time-window report, and is not processed.
TEST_F(InformsTest, InformWithOldBootsGetsNotInTimeWindow) {
    const EngineIdentity before = program_.Engine().Peek();
    Receiver().Shutdown();
    ASSERT_TRUE(Receiver().Start());
    ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    ASSERT_TRUE(windows_.WaitUntil(
        [&] { return program_.Engine().Peek().boots == before.boots + 1; }, 10s));

    ber::V3TrapFields fields;
    fields.userName = "shaaes";
    fields.msgFlags = {0x07};
    fields.engineId.assign(before.EngineId().begin(), before.EngineId().end());
    fields.contextEngineId = fields.engineId;
    fields.engineBoots = before.boots;
    fields.engineTime = 1;
    fields.privParams = {0, 0, 0, 0, 0, 0, 0, 9};
    fields.pdu = ber::Tlv(
        0xA6,
        ber::Cat({ber::Integer(5), ber::Integer(0), ber::Integer(0),
                  ber::Sequence({ber::SysUpTimeBinding(1), ber::TrapOidBinding(kColdStart)})}));
    const Bytes inform =
        ber::BuildV3Trap(fields, {.authProtocol = 1,
                                  .authPassword = "shaaesauth",
                                  .privPassword = "shaaespriv",
                                  .engineIdText = EngineIdText(before.EngineId()).substr(2),
                                  .privProtocol = 2});
    LoopbackUdpSocket device;
    ASSERT_TRUE(device.SendTo(port_, inform));
    const auto report = device.Receive(5s);
    ASSERT_TRUE(report.has_value());
    // usmStatsNotInTimeWindows.0, and the report is authenticated (msgFlags 1).
    const Bytes oid = ber::Oid("1.3.6.1.6.3.15.1.1.2.0");
    EXPECT_NE(std::search(report->octets.begin(), report->octets.end(), oid.begin(), oid.end()),
              report->octets.end());
    const Bytes authFlags = {0x04, 0x01, 0x01};
    EXPECT_NE(std::search(report->octets.begin(), report->octets.end(), authFlags.begin(),
                          authFlags.end()),
              report->octets.end());
    EXPECT_LE(report->octets.size(), inform.size() + kMaxAnswerGrowth);
    // The report goes out before the message is recorded as rejected.
    std::vector<RejectedMessage> rejected;
    ASSERT_TRUE(windows_.WaitUntil(
        [&] {
            rejected = Rejected();
            return !rejected.empty();
        },
        10s));
    EXPECT_EQ(rejected.back().reason, RejectReason::kNotInTimeWindow);
    EXPECT_EQ(LogLineCount(), 0u);
}

}  // namespace

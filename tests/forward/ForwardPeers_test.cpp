// Forwarding to real peers started by the tests: rsyslogd over UDP and TCP syslog,
// net-snmp's snmptrapd behind the SNMP relay, and the JSON file read by Python's json
// module. Traps come from snmptrap through the receiver, as in use.

#include <gtest/gtest.h>

#include <rapidjson/document.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "forward/CapturedTrap.h"
#include "forward/DestinationSender.h"
#include "forward/ForwardTransport.h"
#include "forward/Forwarder.h"
#include "program/Program.h"
#include "records/DBLib.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MessageBoxRecorder.h"
#include "support/PeerDaemon.h"
#include "support/RecordingServiceWindows.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapLog.h"
#include "users/UserStore.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kEngineId = "8000000001020304";
constexpr const char* kLinkDown = "1.3.6.1.6.3.1.1.5.3";
constexpr const char* kLinkUp = "1.3.6.1.6.3.1.1.5.4";
constexpr int kAllPackets = 1000;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// rsyslogd in the foreground with imudp and imtcp on loopback ports, writing each message
// with its input, APP-NAME, MSGID, structured data and MSG to out.log, after what leading
// adds (rsyslog properties).
class Rsyslog {
public:
    explicit Rsyslog(const TempProgramFolder& folder) : folder_(folder) {}

    bool Configure(const std::string& leading = "") {
        udpPort_ = PickFreeTrapPort(26000);
        tcpPort_ = udpPort_ + 1;
        const std::string dir = folder_.File("rsyslog");
        folder_.Write("rsyslog/rsyslog.conf",
                      "global(workDirectory=\"" + dir +
                          "\")\n"
                          "module(load=\"imudp\")\nmodule(load=\"imtcp\")\n"
                          "input(type=\"imudp\" address=\"127.0.0.1\" port=\"" +
                          std::to_string(udpPort_) +
                          "\")\n"
                          "input(type=\"imtcp\" address=\"127.0.0.1\" port=\"" +
                          std::to_string(tcpPort_) +
                          "\")\n"
                          "template(name=\"t\" type=\"string\" "
                          "string=\"" +
                          leading +
                          "%inputname% %app-name% %msgid% %structured-data% %msg%\\n\")\n"
                          "action(type=\"omfile\" file=\"" +
                          dir + "/out.log\" template=\"t\")\n");
        return udpPort_ != 0;
    }
    bool Start() {
        const std::string dir = folder_.File("rsyslog");
        if (!daemon_.Start(
                {FindProgram("rsyslogd"), "-n", "-f", dir + "/rsyslog.conf", "-i", dir + "/pid"},
                {}, dir + "/stdout"))
            return false;
        return WaitUntilTcpListens(tcpPort_);
    }
    void Stop() { daemon_.Stop(); }
    std::vector<std::string> Received() const { return Lines(folder_.Read("rsyslog/out.log")); }
    bool WaitForLines(std::size_t count) const {
        return Eventually([&] { return Received().size() >= count; }, 15s, 50ms);
    }
    uint16_t UdpPort() const { return udpPort_; }
    uint16_t TcpPort() const { return tcpPort_; }

private:
    const TempProgramFolder& folder_;
    PeerDaemon daemon_;
    uint16_t udpPort_ = 0;
    uint16_t tcpPort_ = 0;
};

class ForwardPeersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty() || FindProgram("rsyslogd").empty())
            GTEST_SKIP() << "snmptrap (snmp) or rsyslogd (rsyslog) is not installed";
    }

    // The receiver on a port of its own, with the log on for every trap.
    void StartReceiving(const std::string& forwardSection) {
        port_ = PickFreeTrapPort(27000);
        ASSERT_NE(port_, 0);
        folder_.Write(
            "OlixTrap.ini",
            "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port_) +
                "\r\nHOST=0\r\nLOG=1\r\nT1MSG=v1 %C\r\nT2MSG=v2 %C\r\nT3MSG=v3 %u\r\nLOGDELM=0\r\n"
                "[FORWARD]\r\n" +
                forwardSection);
        settings_.Load();
        for (const char* sub : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(sub);
        ASSERT_EQ(users_.AppendUser("alice", "authpass1", "privpass1", kEngineId, 2, 1), 0);
        forwarder_.ApplyForwardSettings(LoadForwardSettingsFile());
        program_.TrapReceiver().Start();
        ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    }

    void TearDown() override { program_.TrapReceiver().Shutdown(); }

    std::string Target(uint16_t port = 0) const {
        return "127.0.0.1:" + std::to_string(port ? port : port_);
    }

    void Send(const std::vector<std::string>& arguments) {
        const uint32_t expected = windows_.Counter(kAllPackets) + 1;
        ASSERT_EQ(RunSnmptrap(arguments), 0);
        ASSERT_TRUE(
            windows_.WaitUntil([&] { return windows_.Counter(kAllPackets) == expected; }, 10s));
    }
    std::vector<std::string> V2c(const std::string& community, uint16_t port = 0) const {
        return {"-v", "2c",    "-c", community, Target(port), "4200", kLinkUp, "1.3.6.1.2.1.1.5.0",
                "s",  "host-a"};
    }
    // A link trap of interface 2, as a router sends it.
    std::vector<std::string> Link(const char* trap) const {
        return {"-v", "2c", "-c", "public", Target(), "", trap, "1.3.6.1.2.1.2.2.1.1.2", "i", "2"};
    }
    std::vector<std::string> V3(uint16_t port = 0) const {
        return {"-v",         "3",      "-e",    std::string("0x") + kEngineId,
                "-u",         "alice",  "-l",    "authPriv",
                "-a",         "MD5",    "-A",    "authpass1",
                "-x",         "DES",    "-X",    "privpass1",
                Target(port), "4200",   kLinkUp, "1.3.6.1.2.1.1.5.0",
                "s",          "host-v3"};
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    Program program_{boxes_};
    UserStore& users_ = program_.Users();
    SettingsSource& settings_ = program_.Settings();
    Forwarder& forwarder_ = program_.Forwarding();
    RecordingServiceWindows windows_{program_.Windows(), program_.Rows(), &program_.Counters()};
    uint16_t port_ = 0;
};

TEST_F(ForwardPeersTest, EveryTrapReachesRsyslogOnceOverUdpAndTcpAndTheJsonFile) {
    Rsyslog rsyslog(folder_);
    ASSERT_TRUE(rsyslog.Configure());
    ASSERT_TRUE(rsyslog.Start());
    StartReceiving(
        "KIND1=syslog-udp\r\nHOST1=127.0.0.1\r\nPORT1=" + std::to_string(rsyslog.UdpPort()) +
        "\r\nKIND2=syslog-tcp\r\nHOST2=localhost\r\nPORT2=" + std::to_string(rsyslog.TcpPort()) +
        "\r\nKIND3=json\r\nPATH3=traps.json\r\n");
    Send({"-v", "1", "-c", "pub-1", Target(), "1.3.6.1.4.1.8072.3", "192.0.2.7", "6", "17", "4200",
          "1.3.6.1.2.1.1.5.0", "s", "host-1"});
    Send(V2c("pub-\"2]"));
    Send(V3());
    ASSERT_TRUE(rsyslog.WaitForLines(6));
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));

    std::vector<std::string> received = rsyslog.Received();
    ASSERT_EQ(received.size(), 6u);
    std::sort(received.begin(), received.end());
    const std::string bom = "\xEF\xBB\xBF";
    const std::string v1 =
        "olixtrap trap [trap@32473 source=\"127.0.0.1\" agent=\"192.0.2.7\" version=\"v1\" "
        "event=\"6\" enterprise=\"1.3.6.1.4.1.8072.3\" generic=\"6\" specific=\"17\" "
        "community=\"pub-1\" uptime=\"4200\"] " +
        bom + "v1 pub-1";
    const std::string v2c =
        "olixtrap trap [trap@32473 source=\"127.0.0.1\" version=\"v2c\" event=\"3\" "
        "trapOID=\"1.3.6.1.6.3.1.1.5.4\" community=\"pub-\\\"2\\]\" uptime=\"4200\"] " +
        bom + "v2 pub-\"2]";
    const std::string v3 =
        "olixtrap trap [trap@32473 source=\"127.0.0.1\" version=\"v3\" event=\"3\" "
        "trapOID=\"1.3.6.1.6.3.1.1.5.4\" user=\"alice\" uptime=\"4200\"] " +
        bom + "v3 alice";
    for (const std::string input : {"imtcp", "imudp"}) {
        EXPECT_EQ(std::count(received.begin(), received.end(), input + " " + v2c), 1) << input;
        EXPECT_EQ(std::count(received.begin(), received.end(), input + " " + v3), 1) << input;
        EXPECT_EQ(std::count(received.begin(), received.end(), input + " " + v1), 1) << input;
    }

    // Python's own parser reads every line; the fields are the trap's.
    const std::string json = folder_.File("traps.json");
    EXPECT_EQ(
        std::system(
            ("/usr/bin/python3 -c 'import json,sys\nfor l in open(sys.argv[1]): json.loads(l)' " +
             json)
                .c_str()),
        0);
    const std::vector<std::string> lines = Lines(folder_.Read("traps.json"));
    ASSERT_EQ(lines.size(), 3u);
    rapidjson::Document v1Line, v3Line;
    v1Line.Parse(lines[0].data(), lines[0].size());
    v3Line.Parse(lines[2].data(), lines[2].size());
    ASSERT_FALSE(v1Line.HasParseError() || v3Line.HasParseError());
    EXPECT_STREQ(v3Line["user"].GetString(), "alice");
    EXPECT_STREQ(v3Line["engineID"].GetString(), "8000000001020304");
    const auto& bindings = v3Line["bindings"];
    // As the log shows it.
    EXPECT_STREQ(bindings[bindings.Size() - 1]["value"].GetString(), "68 6F 73 74 2D 76 33 ");
    EXPECT_EQ(v1Line["specific"].GetInt(), 17);
    EXPECT_FALSE(v3Line.HasMember("generic") || v3Line.HasMember("specific"));
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(0).dropped +
                  forwarder_.ForwardDestinationStatus(1).dropped,
              0u);
}

// The alarms' changes: a destination taking only them gets one line for the raise and one
// for the clear, one taking both gets the traps too.
TEST_F(ForwardPeersTest, ALinkDownAndItsLinkUpGiveARaisedAndAClearedAlarmLine) {
    StartReceiving(
        "KIND1=json\r\nPATH1=alarms.json\r\nCONTENT1=alarms\r\n"
        "KIND2=json\r\nPATH2=both.json\r\nCONTENT2=both\r\n");
    program_.StartAlarms();
    Send(Link(kLinkDown));
    Send(Link(kLinkUp));
    ASSERT_TRUE(Eventually([&] { return Lines(folder_.Read("both.json")).size() == 4; }, 10s));
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));
    // Nothing more follows.
    std::this_thread::sleep_for(3 * kAlarmFeedRound);
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));

    const std::vector<std::string> lines = Lines(folder_.Read("alarms.json"));
    ASSERT_EQ(lines.size(), 2u);
    rapidjson::Document raised, cleared;
    raised.Parse(lines[0].data(), lines[0].size());
    cleared.Parse(lines[1].data(), lines[1].size());
    ASSERT_FALSE(raised.HasParseError() || cleared.HasParseError());
    for (const rapidjson::Document* line : {&raised, &cleared}) {
        EXPECT_STREQ((*line)["type"].GetString(), "alarm");
        EXPECT_STREQ((*line)["source"].GetString(), "127.0.0.1");
        EXPECT_STREQ((*line)["trapOID"].GetString(), kLinkDown);
        EXPECT_STREQ((*line)["instance"].GetString(), "2");
        EXPECT_EQ((*line)["count"].GetUint64(), 1u);
        EXPECT_TRUE(std::string((*line)["time"].GetString()).ends_with('Z'));
        EXPECT_FALSE(line->HasMember("ackUser"));
    }
    EXPECT_STREQ(raised["change"].GetString(), "raised");
    EXPECT_STREQ(raised["severity"].GetString(), "major");
    EXPECT_STREQ(raised["severityLabel"].GetString(), "重要");
    EXPECT_STREQ(raised["state"].GetString(), "raised");
    EXPECT_EQ(std::string(raised["message"].GetString()).substr(0, 9), "v2 public");
    EXPECT_STREQ(cleared["change"].GetString(), "cleared");
    EXPECT_STREQ(cleared["severity"].GetString(), "cleared");
    EXPECT_STREQ(cleared["state"].GetString(), "cleared");
    EXPECT_EQ(cleared["alarmId"].GetInt64(), raised["alarmId"].GetInt64());
    EXPECT_STREQ(cleared["firstTime"].GetString(), raised["firstTime"].GetString());

    // Both: the two traps as they came, each beside its change.
    const std::vector<std::string> both = Lines(folder_.Read("both.json"));
    EXPECT_EQ(
        std::count_if(both.begin(), both.end(),
                      [](const std::string& l) { return l.starts_with("{\"type\":\"alarm\""); }),
        2);
    EXPECT_EQ(std::count_if(
                  both.begin(), both.end(),
                  [](const std::string& l) { return l.find("\"bindings\"") != std::string::npos; }),
              2);
}

TEST_F(ForwardPeersTest, RsyslogGetsARaisedAlarmAtTheSyslogSeverityOfItsOwn) {
    Rsyslog rsyslog(folder_);
    ASSERT_TRUE(rsyslog.Configure("%syslogseverity-text% "));
    ASSERT_TRUE(rsyslog.Start());
    StartReceiving("KIND1=syslog-udp\r\nHOST1=127.0.0.1\r\nPORT1=" +
                   std::to_string(rsyslog.UdpPort()) + "\r\nCONTENT1=both\r\n");
    program_.StartAlarms();
    Send(Link(kLinkDown));
    ASSERT_TRUE(rsyslog.WaitForLines(2));
    std::vector<std::string> received = rsyslog.Received();
    ASSERT_EQ(received.size(), 2u);
    std::sort(received.begin(), received.end());
    // A major alarm is an error; the trap keeps the destination's severity (notice).
    EXPECT_TRUE(received[0].starts_with(
        "err imudp olixtrap alarm [alarm@32473 change=\"raised\" alarmId=\"1\" "
        "severity=\"major\" state=\"raised\" source=\"127.0.0.1\" trapOID=\"1.3.6.1.6.3.1.1.5.3\""))
        << received[0];
    EXPECT_NE(received[0].find(" instance=\"2\" count=\"1\" "), std::string::npos) << received[0];
    EXPECT_TRUE(received[1].starts_with("notice imudp olixtrap trap [trap@32473 ")) << received[1];
}

TEST_F(ForwardPeersTest, TcpKeepsWhatArrivesWhileRsyslogIsAwayAndSendsItOnItsReturn) {
    Rsyslog rsyslog(folder_);
    ASSERT_TRUE(rsyslog.Configure());
    ASSERT_TRUE(rsyslog.Start());
    StartReceiving("KIND1=syslog-tcp\r\nHOST1=127.0.0.1\r\nPORT1=" +
                   std::to_string(rsyslog.TcpPort()) + "\r\n");
    for (int i = 0; i < 3; ++i) Send(V2c("before-" + std::to_string(i)));
    ASSERT_TRUE(rsyslog.WaitForLines(3));
    rsyslog.Stop();
    for (int i = 0; i < 5; ++i) Send(V2c("during-" + std::to_string(i)));
    ASSERT_TRUE(Eventually(
        [this] { return forwarder_.ForwardDestinationStatus(0).error == kForwardConnectFailed; }));
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(0).queued, 5u);
    ASSERT_TRUE(rsyslog.Start());
    ASSERT_TRUE(rsyslog.WaitForLines(8));
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));
    const std::vector<std::string> received = rsyslog.Received();
    EXPECT_EQ(received.size(), 8u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(std::count_if(received.begin(), received.end(),
                                [&](const std::string& line) {
                                    return line.ends_with("v2 during-" + std::to_string(i));
                                }),
                  1);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(0).dropped, 0u);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(0).error, kForwardOk);
    EXPECT_EQ(program_.Losses().Read(LossKind::kForwardDropped), 0u);
}

TEST_F(ForwardPeersTest, AFullQueueDropsTheNewestAndCountsEachExactly) {
    Rsyslog rsyslog(folder_);
    ASSERT_TRUE(rsyslog.Configure());
    ForwardDestination destination;
    destination.kind = ForwardKind::kSyslogTcp;
    destination.host = "127.0.0.1";
    destination.port = rsyslog.TcpPort();
    constexpr std::size_t kCapacity = 4;
    DestinationSender sender(destination, folder_.Path(), settings_, program_.Losses(), kCapacity);
    auto record = V2cRecord();
    for (int i = 0; i < 10; ++i) {
        auto trap = std::make_shared<CapturedTrap>();
        trap->received = std::chrono::system_clock::now();
        record->specificTrap = i;
        trap->packedRecord = PackTrapRecord(*record);
        EXPECT_EQ(sender.Offer(trap), i < static_cast<int>(kCapacity)) << i;
    }
    EXPECT_EQ(sender.Status().dropped, 6u);
    EXPECT_EQ(program_.Losses().Read(LossKind::kForwardDropped), 6u);
    ASSERT_TRUE(rsyslog.Start());
    ASSERT_TRUE(rsyslog.WaitForLines(kCapacity));
    EXPECT_TRUE(sender.Stop(10s));
    EXPECT_EQ(rsyslog.Received().size(), kCapacity);
}

TEST_F(ForwardPeersTest, TheRelayHandsSnmptrapdTheTrapsAsSnmptrapSentThem) {
    const std::string snmptrapd = FindProgram("snmptrapd");
    if (snmptrapd.empty()) GTEST_SKIP() << "snmptrapd is not installed";
    const uint16_t farPort = PickFreeTrapPort(28000);
    folder_.Write("far/snmptrapd.conf", "disableAuthorization yes\ncreateUser -e 0x" +
                                            std::string(kEngineId) +
                                            " alice MD5 authpass1 DES privpass1\n");
    PeerDaemon far;
    ASSERT_TRUE(
        far.Start({snmptrapd, "-f", "-n", "-C", "-c", folder_.File("far/snmptrapd.conf"), "-Lf",
                   folder_.File("far/traps.log"), "-F", "%P|%v\\n", "udp:" + Target(farPort)},
                  {"MIBS=", "SNMP_PERSISTENT_DIR=" + folder_.File("far/persist")},
                  folder_.File("far/stdout")));
    ASSERT_TRUE(WaitUntilPortIsHeld(farPort));
    StartReceiving("KIND1=snmp\r\nHOST1=127.0.0.1\r\nPORT1=" + std::to_string(farPort) + "\r\n");

    const auto logged = [&] {
        std::vector<std::string> traps = Lines(folder_.Read("far/traps.log"));
        std::erase_if(traps, [](const std::string& line) { return !line.starts_with("TRAP"); });
        return traps;
    };
    // Each trap straight to snmptrapd, then the same through the relay: the far manager
    // logs both alike.
    for (const auto& trap : {V2c("relay-2c", farPort), V3(farPort)})
        ASSERT_EQ(RunSnmptrap(trap), 0);
    ASSERT_TRUE(Eventually([&] { return logged().size() >= 2; }));
    Send(V2c("relay-2c"));
    Send(V3());
    ASSERT_TRUE(Eventually([&] { return logged().size() >= 4; }));
    const std::vector<std::string> traps = logged();
    ASSERT_EQ(traps.size(), 4u) << folder_.Read("far/traps.log");
    EXPECT_NE(traps[0].find("SNMP v2c, community relay-2c|"), std::string::npos);
    EXPECT_NE(traps[1].find("SNMP v3, user alice"), std::string::npos);
    EXPECT_NE(traps[1].find("STRING: \"host-v3\""), std::string::npos);
    EXPECT_EQ(traps[2], traps[0]);
    EXPECT_EQ(traps[3], traps[1]);
}

TEST_F(ForwardPeersTest, FailingDestinationsShowTheirErrorAndReceptionGoesOn) {
    const uint16_t refusing = PickFreeTrapPort(29000);
    StartReceiving(
        "KIND1=syslog-tcp\r\nHOST1=no-such-host.invalid\r\n"
        "KIND2=syslog-tcp\r\nHOST2=127.0.0.1\r\nPORT2=" +
        std::to_string(refusing) +
        "\r\nKIND3=json\r\nPATH3=missing/folder/traps.json\r\nKIND4=json\r\nPATH4=/dev/full"
        "\r\nKIND5=syslog-udp\r\nHOST5=127.0.0.1\r\nPORT5=" +
        std::to_string(refusing) + "\r\n");
    for (int i = 0; i < 3; ++i) Send(V2c("still-" + std::to_string(i)));
    EXPECT_TRUE(Eventually([this] {
        return forwarder_.ForwardDestinationStatus(0).error == kForwardResolveFailed &&
               forwarder_.ForwardDestinationStatus(1).error == kForwardConnectFailed &&
               forwarder_.ForwardDestinationStatus(2).error == kForwardOpenFailed &&
               forwarder_.ForwardDestinationStatus(3).error == kForwardWriteFailed;
    }));
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(3).errorErrno, ENOSPC);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(2).errorErrno, ENOENT);
    // A stream or a folder that is missing keeps its traps for a retry; a line that does
    // not fit a full disk and a datagram a port refuses are counted as lost, not retried.
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(1).queued, 3u);
    EXPECT_TRUE(Eventually([this] {
        const DestinationStatus full = forwarder_.ForwardDestinationStatus(3);
        const DestinationStatus refused = forwarder_.ForwardDestinationStatus(4);
        // The port's refusal of a datagram shows at the send after it.
        return full.queued == 0 && full.dropped == 3 && refused.queued == 0 &&
               refused.dropped >= 1 && refused.delivered + refused.dropped == 3;
    }));
    EXPECT_EQ(windows_.RowCount(), 3u);
    program_.Log().Close();
    EXPECT_EQ(Lines(folder_.Read("log/log.log")).size(), 3u);
}

// The JSON file follows its path: removed while the program runs, it is made again with the
// next trap's line.
TEST_F(ForwardPeersTest, ARemovedJsonFileIsMadeAgainForTheNextTrap) {
    StartReceiving("KIND1=json\r\nPATH1=traps.json\r\n");
    Send(V2c("first"));
    ASSERT_TRUE(Eventually([&] { return Lines(folder_.Read("traps.json")).size() == 1; }));
    std::filesystem::remove(folder_.File("traps.json"));
    Send(V2c("second"));
    ASSERT_TRUE(Eventually([&] { return Lines(folder_.Read("traps.json")).size() == 1; }));
    EXPECT_NE(folder_.Read("traps.json").find("second"), std::string::npos);
}

// The file follows the traps' days: a later day's first line moves the file aside under
// its day, and rotated files past the retention go.
TEST(JsonFileRotationTest, ALaterDayRotatesAndOldDaysExpire) {
    TempProgramFolder folder;
    const auto transport = MakeJsonFileTransport(folder.File("traps.json"), 3);
    const auto day = [](int mday) {
        std::tm noon{};
        noon.tm_year = 2024 - 1900;
        noon.tm_mon = 4;
        noon.tm_mday = mday;
        noon.tm_hour = 12;
        return std::chrono::system_clock::from_time_t(std::mktime(&noon));
    };
    const auto line = [&](int mday) {
        return ForwardPayload{"{\"d\":" + std::to_string(mday) + "}", day(mday)};
    };
    // One at a time, then two days in one batch.
    const std::vector<std::vector<ForwardPayload>> batches = {
        {line(1)}, {line(1)}, {line(2)}, {line(3), line(6)}};
    for (const auto& batch : batches) {
        const DeliveryOutcome outcome = transport->Deliver(batch);
        ASSERT_EQ(outcome.error, kForwardOk);
        EXPECT_EQ(outcome.handled, batch.size());
    }
    EXPECT_EQ(folder.Read("traps.json"), "{\"d\":6}\n");
    EXPECT_EQ(folder.Read("traps.json.2024-05-03"), "{\"d\":3}\n");
    // Days 1 and 2 are more than three days before day 6.
    EXPECT_FALSE(std::filesystem::exists(folder.File("traps.json.2024-05-01")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("traps.json.2024-05-02")));
}

}  // namespace

namespace {

// The shipped central configuration passes rsyslogd's own check.
TEST(CentralRsyslogTest, TheExampleConfigurationIsValid) {
    const std::string rsyslogd = FindProgram("rsyslogd");
    if (rsyslogd.empty()) GTEST_SKIP() << "rsyslogd (rsyslog) is not installed";
    const std::string command =
        rsyslogd + " -N1 -f " OLIXTRAP_SOURCE_DIR "/docs/rsyslog-central.conf >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << "needs rsyslog-kafka and rsyslog-elasticsearch";
}

}  // namespace

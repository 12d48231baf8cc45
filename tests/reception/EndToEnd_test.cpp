// The receiver as a whole: a program folder of its own, the service on a loopback port,
// real traps from net-snmp's snmptrap, and everything the service shows, logs and runs.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>

#include "mail/MailQueue.h"
#include "platform/Encoding.h"
#include "program/Program.h"
#include "reception/ReceiverService.h"
#include "records/DBLib.h"
#include "rules/RuleStore.h"
#include "settings/AppSettings.h"
#include "support/ArgvRecorder.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MailEveryTrap.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingServiceWindows.h"
#include "support/ScriptedTcpServer.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "settings/SettingsSource.h"
#include "support/V3MessageBuilder.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapLog.h"
#include "users/UserStore.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kEngineId = "8000000001020304";
constexpr const char* kColdStart = "1.3.6.1.6.3.1.1.5.1";
constexpr const char* kLinkUp = "1.3.6.1.6.3.1.1.5.4";

// Columns of the trap list.
enum Column {
    kHostNameColumn = 3,
    kVersionColumn = 4,
    kCommunityColumn = 6,
    kEnterpriseColumn = 7,
    kMessageFlagsColumn = 14,
    kUserNameColumn = 20
};

const std::array<uint8_t, 4> kSmtpHost = ProcessSmtpHost(25);

enum Field {
    kAll = 1000,
    kV1 = 1001,
    kV2c = 1002,
    kV3 = 1003,
    kAuth = 1004,
    kDecrypt = 1015,
    kDecode = 1005,
    kFiltered = 1006,
    kGeneric0 = 1007
};

template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    text.copy(field.data(), std::min(text.size(), N - 1));
}

// All sixteen counter fields: 0 but for the ones given.
std::map<int, uint32_t> CounterFields(std::map<int, uint32_t> nonzero) {
    for (int id : kCounterFieldIds) nonzero.emplace(id, 0);
    return nonzero;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
    return parts;
}

class EndToEndTest : public ::testing::Test {
protected:
    // receiveMode and logMode as the settings file gives them; the port from the 1000
    // starting at firstPort, or from the suite's range.
    void Start(int receiveMode, int logMode, int resolveHostName = 0, uint16_t firstPort = 0) {
        if (FindSnmptrap().empty())
            GTEST_SKIP() << "snmptrap (Debian package snmp) is not installed";
        port_ = firstPort ? PickFreeTrapPort(firstPort) : PickFreeTrapPort();
        ASSERT_NE(port_, 0);
        folder_.Write("OlixTrap.ini",
                      "[INIT]\r\nTRECV=" + std::to_string(receiveMode) + "\r\nRECVP=" +
                          std::to_string(port_) + "\r\nHOST=" + std::to_string(resolveHostName) +
                          "\r\nLOG=" + std::to_string(logMode) +
                          "\r\nT1MSG=v1 %C %G/%S\r\nT2MSG=v2 %C\r\nT3MSG=v3 %u\r\nLOGDELM=0\r\n");
        settings_.Load();
        for (const char* sub : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(sub);
        ASSERT_EQ(users_.AppendUser("alice", "authpass1", "privpass1", kEngineId, 2, 1), 0);
        Receiver().Start();
        ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    }

    void TearDown() override {
        Receiver().Shutdown();
        EXPECT_TRUE(program_.Mail().Shutdown(10s).ended);
    }

    std::string Target() const { return "127.0.0.1:" + std::to_string(port_); }

    // The total is counted before a datagram's category and generic number: the counters
    // are settled once every counted datagram also has its category, and every accepted
    // one its generic number.
    bool CountersSettled(uint32_t total) const {
        const uint32_t accepted =
            windows_.Counter(kV1) + windows_.Counter(kV2c) + windows_.Counter(kV3);
        const uint32_t categories = accepted + windows_.Counter(kAuth) +
                                    windows_.Counter(kDecrypt) + windows_.Counter(kDecode) +
                                    windows_.Counter(kFiltered);
        uint32_t generic = 0;
        for (int n = 0; n < 8; ++n) generic += windows_.Counter(kGeneric0 + n);
        return windows_.Counter(kAll) == total && categories == total && generic == accepted;
    }

    // Sends one trap with snmptrap and waits until the service has counted it.
    void Send(std::vector<std::string> arguments) {
        const uint32_t expected = windows_.Counter(kAll) + 1;
        ASSERT_EQ(RunSnmptrap(arguments), 0);
        ASSERT_TRUE(windows_.WaitUntil([&] { return CountersSettled(expected); }, 10s))
            << "the service did not count the trap";
    }

    void SendV1(const std::string& community, const std::string& enterprise, int generic,
                int specific) {
        Send({"-v", "1", "-c", community, Target(), enterprise, "127.0.0.1",
              std::to_string(generic), std::to_string(specific), "4200", "1.3.6.1.2.1.1.5.0", "s",
              "host-a"});
    }
    void SendV2c(const std::string& community, const std::string& trapOid) {
        Send({"-v", "2c", "-c", community, Target(), "4200", trapOid, "1.3.6.1.2.1.1.5.0", "i",
              "42"});
    }
    // authPriv as alice with the given passwords.
    void SendV3(const std::string& authPassword, const std::string& privPassword,
                const std::string& trapOid) {
        Send({"-v", "3", "-e", std::string("0x") + kEngineId, "-u", "alice", "-l", "authPriv", "-a",
              "MD5", "-A", authPassword, "-x", "DES", "-X", privPassword, Target(), "4200",
              trapOid});
    }
    void SendV3NoAuth(const std::string& user) {
        Send({"-v", "3", "-e", std::string("0x") + kEngineId, "-u", user, "-l", "noAuthNoPriv",
              Target(), "4200", kLinkUp});
    }

    std::vector<std::vector<std::string>> LogLines() const {
        std::vector<std::vector<std::string>> lines;
        // Lines end in a comma and CR LF on disk.
        for (std::string line : Split(folder_.Read("log/log.log"), '\n')) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(Split(line, ','));
        }
        return lines;
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const auto& box : boxes_.Recorded()) messages.push_back(Cp932ToUtf8(box.text));
        return messages;
    }

    ::Receiver& Receiver() { return program_.TrapReceiver(); }
    std::vector<RejectedMessage> Rejected() const {
        std::vector<RejectedMessage> rejected;
        program_.Rejected().CopySince(0, rejected);
        return rejected;
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    mutable Program program_{boxes_};
    RuleStore& rules_ = program_.Rules();
    UserStore& users_ = program_.Users();
    SettingsSource& settings_ = program_.Settings();
    RecordingServiceWindows windows_{program_.Windows(), program_.Rows(), &program_.Counters()};
    uint16_t port_ = 0;
};

TEST_F(EndToEndTest, SnmpV1AndV2cAreCountedListedAndLogged) {
    Start(0, 1);
    SendV1("pub-1", "1.3.6.1.4.1.8072.3", 0, 0);
    SendV2c("pub-2", kLinkUp);
    SendV2c("pub-3", "1.3.6.1.4.1.8072.9.9");

    EXPECT_EQ(windows_.Counters(), CounterFields({{kAll, 3},
                                                  {kV1, 1},
                                                  {kV2c, 2},
                                                  {kGeneric0, 1},
                                                  {kGeneric0 + 3, 1},
                                                  {kGeneric0 + 7, 1}}));
    const PacketCountBlock block = program_.Counters().Snapshot();
    EXPECT_EQ(block.allPackets, 3u);
    EXPECT_EQ(block.genericTrapCounts[7], 1u);

    ASSERT_EQ(windows_.RowCount(), 3u);
    EXPECT_EQ(windows_.Cell(0, kVersionColumn), "1");
    EXPECT_EQ(windows_.Cell(0, kCommunityColumn), "pub-1");
    EXPECT_EQ(windows_.Cell(0, kEnterpriseColumn), "1.3.6.1.4.1.8072.3");
    EXPECT_EQ(windows_.Cell(1, kCommunityColumn), "pub-2");
    EXPECT_EQ(windows_.Image(2), 7);

    // Every decoded trap is logged: event, date, address, host, version, message.
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::vector<std::string>> expectedFields = {
        {"0", "127.0.0.1", "", "1", "v1 pub-1 0/0"},
        {"3", "127.0.0.1", "", "2", "v2 pub-2"},
        {"7", "127.0.0.1", "", "2", "v2 pub-3"}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 6u) << i;
        EXPECT_EQ((std::vector<std::string>{lines[i][0], lines[i][2], lines[i][3], lines[i][4],
                                            lines[i][5]}),
                  expectedFields[i]);
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EndToEndTest, SnmpV3IsCheckedCountedListedAndLogged) {
    Start(0, 1);
    SendV3("authpass1", "privpass1", kColdStart);
    SendV3("wrongpass", "privpass1", kColdStart);
    SendV3("authpass1", "wrongpriv", kColdStart);
    SendV3NoAuth("stranger");  // not in the store: taken without checks

    EXPECT_EQ(
        windows_.Counters(),
        CounterFields(
            {{kAll, 4}, {kV3, 2}, {kAuth, 1}, {kDecrypt, 1}, {kGeneric0, 1}, {kGeneric0 + 3, 1}}));
    const std::vector<RejectedMessage> rejected = Rejected();
    ASSERT_EQ(rejected.size(), 2u);
    EXPECT_EQ(rejected[0].reason, RejectReason::kAuthFailure);
    EXPECT_EQ(rejected[1].reason, RejectReason::kDecryptFailure);
    EXPECT_EQ(std::string(rejected[1].userName.data()), "alice");
    ASSERT_EQ(windows_.RowCount(), 2u);
    EXPECT_EQ(windows_.Cell(0, kVersionColumn), "3");
    EXPECT_EQ(windows_.Cell(0, kUserNameColumn), "alice");
    EXPECT_EQ(windows_.Cell(0, kMessageFlagsColumn), "3");
    EXPECT_EQ(windows_.Cell(1, kUserNameColumn), "stranger");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][4], "3");
    EXPECT_EQ(lines[0][5], "v3 alice");
    EXPECT_EQ(lines[1][5], "v3 stranger");
}

TEST_F(EndToEndTest, SnmpV3UserRuleLetsItsUserThrough) {
    Start(1, 2);
    ArgvRecorder recorder;
    RuleRecord user{};
    user.kind = User;
    SetText(user.userName, "guest");
    SetText(user.programLine, recorder.Program().string() + " user %u");
    ASSERT_LE(rules_.Put(user), RuleStore::kPutReplaced);
    RuleRecord enterprise{};
    enterprise.kind = Enterprise;
    SetText(enterprise.enterprise, "1.3.6.1.4.1.8072");
    enterprise.genericTrap = kGenericAny;
    ASSERT_LE(rules_.Put(enterprise), RuleStore::kPutReplaced);

    SendV3NoAuth("guest");
    SendV3NoAuth("Guest");                         // names match case
    SendV3("authpass1", "privpass1", kColdStart);  // alice has no rule
    EXPECT_EQ(windows_.Counters(),
              CounterFields({{kAll, 3}, {kV3, 1}, {kFiltered, 2}, {kGeneric0 + 3, 1}}));
    ASSERT_EQ(windows_.RowCount(), 1u);
    EXPECT_EQ(recorder.WaitForArguments(), (std::vector<std::string>{"user", "guest"}));
    EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(EndToEndTest, FilterStagesDecideAndTheirActionsRun) {
    Start(1, 2);
    ArgvRecorder recorder;
    const auto rule = [&](RuleRecord r, const std::string& tag) {
        SetText(r.programLine, recorder.Program().string() + " " + tag + " %V \"%C\"");
        SetText(r.popupMessage, tag + " from %A");
        EXPECT_LE(rules_.Put(r), RuleStore::kPutReplaced);
    };
    RuleRecord enterprise{};
    enterprise.kind = Enterprise;
    SetText(enterprise.enterprise, "1.3.6.1.4.1.8072");
    enterprise.genericTrap = kGenericAny;
    rule(enterprise, "enterprise");
    SendV1("c1", "1.3.6.1.4.1.8072", 6, 17);  // enterprise "Any"
    SendV1("c2", "1.3.6.1.4.1.9999", 6, 17);  // no rule
    SendV2c("c3", kLinkUp);                   // v2c passes only an address range
    EXPECT_EQ(windows_.Counter(kFiltered), 2u);
    EXPECT_EQ(windows_.Counter(kV1), 1u);

    // Address ranges come first, in file order.
    RuleRecord wide{};
    wide.kind = IpRange;
    wide.ipFrom = {127, 0, 0, 0};
    wide.ipTo = {127, 255, 255, 255};
    rule(wide, "wide");
    RuleRecord exact{};
    exact.kind = IpRange;
    exact.ipFrom = exact.ipTo = {127, 0, 0, 1};
    rule(exact, "exact");
    SendV2c("c4", kLinkUp);
    SendV1("c5", "1.3.6.1.4.1.8072", 6, 17);

    EXPECT_EQ(windows_.Counter(kAll), 5u);
    EXPECT_EQ(windows_.Counter(kFiltered), 2u);
    ASSERT_EQ(windows_.RowCount(), 3u);
    ASSERT_TRUE(recorder.WaitForArguments(3).has_value());
    auto runs = recorder.Runs();
    std::sort(runs.begin(), runs.end());
    EXPECT_EQ(runs, (std::vector<std::vector<std::string>>{
                        {"enterprise", "1", "c1"}, {"wide", "1", "c5"}, {"wide", "2", "c4"}}));
    auto popups = Messages();
    std::sort(popups.begin(), popups.end());
    EXPECT_EQ(popups, (std::vector<std::string>{"enterprise from 127.0.0.1", "wide from 127.0.0.1",
                                                "wide from 127.0.0.1"}));
    // Only received traps are logged.
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0][5], "v1 c1 6/17");
    EXPECT_EQ(lines[1][5], "v2 c4");
}

TEST_F(EndToEndTest, MailActionSendsTheExpandedMessage) {
    Transcript transcript;
    ScriptedTcpServer smtp("smtp", ScriptedTcpServer::SmtpAccepting(), transcript, kSmtpHost, 25);
    if (smtp.Port() == 0) GTEST_SKIP() << "the SMTP port cannot be bound here";
    Start(0, 0);
    ASSERT_TRUE(MailEveryTrap(rules_, settings_, kSmtpHost, "Trap from %A: %C"));

    SendV2c("mail-me", kLinkUp);
    ASSERT_TRUE(program_.Mail().Drain(10s));
    EXPECT_EQ(smtp.Finish(), 1);
    const auto lines = transcript.Lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "smtp:MAIL FROM:trap@example.org");
    EXPECT_EQ(lines[3], "smtp:RCPT TO:admin@example.org");
    EXPECT_NE(lines[5].find("Trap from 127.0.0.1: mail-me"), std::string::npos) << lines[5];
}

TEST_F(EndToEndTest, ASlowMailServerHoldsUpNeitherReceptionNorTheOrderOfMails) {
    constexpr int kTraps = 6;
    std::vector<std::vector<ScriptedTcpServer::Step>> scripts(kTraps,
                                                              ScriptedTcpServer::SmtpAccepting());
    scripts[0].insert(scripts[0].begin(),
                      ScriptedTcpServer::Pause(8s));  // the first greeting comes late
    Transcript transcript;
    ScriptedTcpServer smtp("smtp", scripts, transcript, kSmtpHost, 25);
    if (smtp.Port() == 0) GTEST_SKIP() << "the SMTP port cannot be bound here";
    Start(0, 1);
    ASSERT_TRUE(MailEveryTrap(rules_, settings_, kSmtpHost, "Trap %C"));

    for (int i = 0; i < kTraps; ++i) SendV2c("slow-" + std::to_string(i), kLinkUp);
    // Every trap was counted, listed and logged while the first mail still waited.
    EXPECT_TRUE(transcript.Lines().empty());
    EXPECT_EQ(windows_.RowCount(), std::size_t{kTraps});
    EXPECT_EQ(LogLines().size(), std::size_t{kTraps});

    ASSERT_TRUE(program_.Mail().Drain(30s));
    EXPECT_EQ(smtp.Finish(), kTraps);
    std::vector<std::string> bodies;
    for (const std::string& line : transcript.Lines()) {
        const auto body = line.find("Trap slow-");
        if (body != std::string::npos)
            bodies.push_back(line.substr(body, line.find('\r', body) - body));
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"Trap slow-0", "Trap slow-1", "Trap slow-2",
                                                "Trap slow-3", "Trap slow-4", "Trap slow-5"}));
}

TEST_F(EndToEndTest, RejectedTrapsAreLoggedOnlyWhenEveryTrapIsLogged) {
    Start(1, 1);
    SendV2c("first", kLinkUp);
    SendV1("second", "1.3.6.1.4.1.8072", 6, 1);
    EXPECT_EQ(windows_.Counter(kFiltered), 2u);
    EXPECT_EQ(windows_.RowCount(), 0u);
    EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(EndToEndTest, HostNamesAreResolvedWhenAsked) {
    Start(0, 1, 1);
    SendV2c("named", kLinkUp);
    ASSERT_EQ(windows_.RowCount(), 1u);
    EXPECT_EQ(windows_.Cell(0, kHostNameColumn), "localhost");
    const auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0][3], "localhost");
}

TEST_F(EndToEndTest, MalformedBurstIsOnlyCounted) {
    Start(0, 1);
    std::mt19937 random(20261207);
    std::vector<std::vector<uint8_t>> burst;
    burst.push_back({});
    burst.push_back({0x30});
    burst.push_back({0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF});
    burst.push_back(std::vector<uint8_t>(kMaxDatagram + 1, 0x30));
    burst.push_back(std::vector<uint8_t>(4000, 0x04));
    for (int i = 0; i < 95; ++i) {
        std::vector<uint8_t> datagram(random() % kMaxDatagram + 1);
        for (uint8_t& octet : datagram) octet = static_cast<uint8_t>(random());
        if (i % 2 == 0 && datagram.size() > 2) datagram[0] = 0x30;  // looks like a message
        burst.push_back(std::move(datagram));
    }
    // One at a time: the socket's queue is not the subject here.
    for (uint32_t sent = 1; const auto& datagram : burst) {
        ASSERT_TRUE(SendToLoopback(port_, datagram));
        ASSERT_TRUE(Eventually([&] { return windows_.Counter(kAll) == sent; }, 10s, 1ms)) << sent;
        ++sent;
    }
    const auto count = static_cast<uint32_t>(burst.size());
    ASSERT_TRUE(windows_.WaitUntil([&] { return CountersSettled(count); }, 20s));
    EXPECT_EQ(windows_.Counters(), CounterFields({{kAll, count}, {kDecode, count}}));
    EXPECT_EQ(windows_.RowCount(), 0u);
    EXPECT_EQ(LogLines().size(), 0u);
    EXPECT_EQ(windows_.Statuses().back(), "サービス起動中");

    SendV2c("after", kLinkUp);
    EXPECT_EQ(windows_.RowCount(), 1u);
}

TEST_F(EndToEndTest, EveryRejectedDatagramIsKeptWithItsReason) {
    Start(1, 0, 0, 46000);  // no filter entry: every trap that decodes is refused by the filter
    const ber::UsmSecrets alice = {.authProtocol = kAuthHmacMd5,
                                   .authPassword = "authpass1",
                                   .privPassword = "privpass1",
                                   .engineIdText = kEngineId};
    const auto fromAlice = [&](uint8_t flags, std::string user, ber::UsmSecrets secrets) {
        ber::V3TrapFields fields;
        fields.userName = std::move(user);
        fields.msgFlags = {flags};
        fields.privParams = {0, 0, 0, 1, 2, 3, 4, 5};
        fields.pdu =
            ber::V2TrapPdu({.varBinds = {ber::SysUpTimeBinding(1), ber::TrapOidBinding(kLinkUp)}});
        return ber::BuildV3Trap(fields, secrets);
    };
    ber::UsmSecrets wrongAuth = alice, wrongPriv = alice;
    wrongAuth.authPassword = "authpass2";
    wrongPriv.privPassword = "privpass2";
    const ber::Bytes v2Fields = ber::Cat({ber::Integer(1), ber::Integer(0), ber::Integer(0)});
    const struct {
        ber::Bytes datagram;
        RejectReason reason;
        int version;
        uint16_t offset = 0;  // checked where the window shows it: malformed, not a trap
        const char* user = "";
    } cases[] = {
        // 30 len 02 01 01 04 06 "public" A7 len, three INTEGERs (10), list and binding headers, [04
        // ...]
        {ber::BuildV2cTrap({.varBinds = {ber::Sequence({ber::OctetString("1.3"), ber::Null()})}}),
         RejectReason::kMalformed, 1, 13 + 2 + 10 + 2 + 2},
        {std::vector<uint8_t>(kMaxDatagram + 1, 0x30), RejectReason::kTooLarge, -1},
        {fromAlice(3, "stranger", alice), RejectReason::kUnknownUser, 3, 0, "stranger"},
        {fromAlice(0, "alice", alice), RejectReason::kLevelNotAllowed, 3, 0, "alice"},
        {fromAlice(3, "alice", wrongAuth), RejectReason::kAuthFailure, 3, 0, "alice"},
        {fromAlice(3, "alice", wrongPriv), RejectReason::kDecryptFailure, 3, 0, "alice"},
        {ber::Message(1, "public", ber::Tlv(0xA0, ber::Cat({v2Fields, ber::Sequence({})}))),
         RejectReason::kNotATrap, 1, 13},
        {ber::BuildV2cTrap({.varBinds = {ber::SysUpTimeBinding(1),
                                         ber::TrapOidBinding("1.3.6.1.4.1.8072.4.0.2")}}),
         RejectReason::kFiltered, 1},
        {ber::BuildV1Trap({}), RejectReason::kFiltered, 0},
    };
    uint32_t sent = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(SendToLoopback(port_, c.datagram));
        ASSERT_TRUE(windows_.WaitUntil([&] { return CountersSettled(sent + 1); }, 10s));
        ++sent;
    }

    const std::vector<RejectedMessage> rejected = Rejected();
    ASSERT_EQ(rejected.size(), std::size(cases));
    for (std::size_t i = 0; i < rejected.size(); ++i) {
        SCOPED_TRACE(i);
        const RejectedMessage& entry = rejected[i];
        EXPECT_EQ(entry.reason, cases[i].reason);
        EXPECT_EQ(entry.version, cases[i].version);
        if (entry.reason == RejectReason::kMalformed || entry.reason == RejectReason::kNotATrap) {
            EXPECT_EQ(entry.offset, cases[i].offset);
        }
        EXPECT_STREQ(entry.userName.data(), cases[i].user);
        EXPECT_EQ(entry.address, (std::array<uint8_t, 4>{127, 0, 0, 1}));
        EXPECT_NE(entry.port, 0);
        EXPECT_EQ(entry.length, cases[i].datagram.size());
        // The octets as they arrived, before decoding zeroed the MAC or decrypted anything.
        const std::size_t head =
            std::min<std::size_t>(cases[i].datagram.size(), RejectedMessage::kHeadRoom);
        EXPECT_TRUE(std::equal(entry.Head().begin(), entry.Head().end(), cases[i].datagram.begin(),
                               cases[i].datagram.begin() + static_cast<std::ptrdiff_t>(head)));
    }
    // A refusal by the filter names what a rule would have to hold.
    EXPECT_STREQ(rejected[7].trapOid.data(), "1.3.6.1.4.1.8072.4.0.2");
    EXPECT_STREQ(rejected[8].trapOid.data(), "");
    EXPECT_STREQ(rejected[8].enterprise.data(), "1.3.6.1.4.1.8072.2.3");
    EXPECT_EQ(rejected[8].genericTrap, 6);
    EXPECT_EQ(rejected[8].specificTrap, 17);
}

TEST_F(EndToEndTest, StopShowsItsProgressAndStartWaitsForTheThreadToEnd) {
    Start(0, 0);
    using States = std::vector<std::pair<bool, bool>>;
    // Start, then the thread itself.
    EXPECT_EQ(windows_.CommandStates(), (States{{false, true}, {false, true}}));

    // The ending thread is held in its window call, as by a busy user interface thread.
    windows_.HoldStatus("サービス停止");
    Receiver().Stop();
    ASSERT_TRUE(
        windows_.WaitUntil([&] { return windows_.Statuses().back() == "サービス停止"; }, 5s));
    EXPECT_EQ(windows_.Statuses(),
              (std::vector<std::string>{"サービス起動中", "サービス停止中", "サービス停止"}));
    EXPECT_FALSE(Receiver().Start());
    windows_.HoldStatus("");
    ASSERT_TRUE(windows_.WaitUntil([&] { return windows_.CommandStates().size() == 4; }, 5s));
    EXPECT_EQ(windows_.CommandStates(),
              (States{{false, true}, {false, true}, {false, false}, {true, false}}));

    ASSERT_TRUE(Receiver().Start());
    ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    SendV2c("again", kLinkUp);
    EXPECT_EQ(windows_.RowCount(), 1u);
    EXPECT_EQ(windows_.Counter(kAll), 1u);
    EXPECT_TRUE(LogLines().empty());  // log mode 0
}

TEST_F(EndToEndTest, AutomaticStartLeavesTheCommandsToTheService) {
    Start(0, 0);
    Receiver().Shutdown();
    const std::size_t before = windows_.CommandStates().size();
    Receiver().StartAutomatically();
    ASSERT_TRUE(WaitUntilPortIsHeld(port_));
    const auto states = windows_.CommandStates();
    ASSERT_EQ(states.size(), before + 1);
    EXPECT_EQ(states.back(), std::make_pair(false, true));
    SendV1("auto", "1.3.6.1.4.1.8072", 1, 0);
    EXPECT_EQ(windows_.Counter(kGeneric0 + 1), 1u);
}

}  // namespace

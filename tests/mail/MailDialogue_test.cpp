#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "mail/MailDialogue.h"
#include "platform/BoundedLookup.h"
#include "support/ScriptedTcpServer.h"

using namespace std::chrono_literals;
using S = ScriptedTcpServer;
using Lines = std::vector<std::string>;

namespace {

// Short bounds keep the failure tests quick; the defaults are longer.
constexpr MailTimeouts kQuick{1000ms, 300ms, 1500ms};
constexpr std::string_view kMessage = "Subject: x\r\n\r\nbody\r\n.\r\n";

int Deliver(const ScriptedTcpServer& server, const MailTimeouts& timeouts = kQuick) {
    LookupPool lookups;
    return RunSmtpDelivery(lookups, {"127.0.0.1", server.Port()}, "trap@example.org",
                           "admin@example.org", kMessage, timeouts);
}

std::vector<S::Step> SmtpUpToRecipient() {
    return {
        S::Send("220 mail ready\r\n"),  S::ReadLine(), S::Send("250 hello\r\n"),     S::ReadLine(),
        S::Send("250 reset\r\n"),       S::ReadLine(), S::Send("250 sender ok\r\n"), S::ReadLine(),
        S::Send("250 recipient ok\r\n")};
}

std::vector<S::Step> Then(std::vector<S::Step> script, std::vector<S::Step> more) {
    script.insert(script.end(), more.begin(), more.end());
    return script;
}

}  // namespace

TEST(MailDialogue, JudgesTheFirstLineThatIsNotAContinuation) {
    const std::pair<std::string_view, std::optional<std::string_view>> cases[] = {
        {"220 ready\r\n", "220 ready"},
        {"220-first\r\n220 second\r\n", "220 second"},
        {"220-first\r\n220-more\r\n", std::nullopt},
        {"220-first\r\n220 unterminated", std::nullopt},
        {"220 no carriage return\n", std::nullopt},
        {"+OK\r\n", "+OK"},
        {"+OK-\r\n+OK done\r\n", "+OK done"},
        {"\r\n", ""},
        {"ok\r", "ok"},
        {"250 a\r\n250 b\r\n", "250 a"},
    };
    for (const auto& [chunk, expected] : cases) EXPECT_EQ(FindReplyLine(chunk), expected) << chunk;
}

TEST(MailDialogue, SmtpSendsTheCommandsInOrderAndTheMessageAfter354) {
    Transcript transcript;
    ScriptedTcpServer server(
        "smtp",
        Then(SmtpUpToRecipient(),
             {S::ReadLine(), S::Send("250 DATA is sent again after this\r\n"), S::ReadLine(),
              S::Send("354 go ahead\r\n"), S::ReadData(), S::Send("554 rejected\r\n"),
              S::ReadLine(), S::Send("221 bye\r\n")}),
        transcript);
    // The reply to the message is not judged: the dialogue still ends with QUIT.
    EXPECT_EQ(Deliver(server), 0);
    server.Finish();
    EXPECT_EQ(transcript.Lines(),
              (Lines{"smtp:HELO home", "smtp:RSET", "smtp:MAIL FROM:trap@example.org",
                     "smtp:RCPT TO:admin@example.org", "smtp:DATA", "smtp:DATA",
                     "smtp:" + std::string(kMessage), "smtp:QUIT"}));
}

TEST(MailDialogue, SmtpSkipsContinuationLinesInOneChunkOrSeveral) {
    const std::vector<std::vector<S::Step>> greetings = {
        {S::Send("220-welcome\r\n"), S::Pause(100ms), S::Send("220 ready\r\n")},
        {S::Send("220-welcome\r\n220-to the\r\n220 mail server\r\n")},
        {S::Send("220 ready\r\n")},
    };
    for (const auto& greeting : greetings) {
        Transcript transcript;
        ScriptedTcpServer server(
            "smtp", Then(greeting, {S::ReadLine(), S::Send("421 closing\r\n"), S::ReadLine()}),
            transcript);
        EXPECT_EQ(Deliver(server), 1);
        server.Finish();
        // Greeted once: HELO; the refusal is answered with an empty line.
        EXPECT_EQ(transcript.Lines(), (Lines{"smtp:HELO home", "smtp:"}));
    }
}

TEST(MailDialogue, SmtpGivesUpOnARefusalBeforeTheMessage) {
    Transcript transcript;
    ScriptedTcpServer server(
        "smtp",
        Then(SmtpUpToRecipient(), {S::ReadLine(), S::Send("451 try later\r\n"), S::ReadLine()}),
        transcript);
    EXPECT_EQ(Deliver(server), 1);
    server.Finish();
    const Lines lines = transcript.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], "smtp:DATA");
    EXPECT_EQ(lines[5], "smtp:") << "an empty line, and no message";
}

TEST(MailDialogue, Pop3LogsInAndQuits) {
    Transcript transcript;
    ScriptedTcpServer server(
        "pop",
        {S::Send("+OK POP3 ready\r\n"), S::ReadLine(), S::Send("+OK user\r\n"), S::ReadLine(),
         S::Send("+OK logged in\r\n"), S::ReadLine(), S::Send("+OK bye\r\n")},
        transcript);
    // A host name is resolved too ("localhost" comes from the hosts file, not the network).
    LookupPool lookups;
    EXPECT_EQ(RunPop3Login(lookups, {"localhost", server.Port()}, "taro", "secret", kQuick), 0);
    server.Finish();
    EXPECT_EQ(transcript.Lines(), (Lines{"pop:USER taro", "pop:PASS secret", "pop:QUIT"}));
}

TEST(MailDialogue, Pop3TakesOnlyPlusOkWithASpaceAsPositive) {
    const std::vector<std::string> refusals = {"+OK\r\n", "-ERR no\r\n", "+ok fine\r\n"};
    for (const std::string& refusal : refusals) {
        Transcript transcript;
        ScriptedTcpServer server(
            "pop", {S::Send("+OK ready\r\n"), S::ReadLine(), S::Send(refusal), S::ReadLine()},
            transcript);
        LookupPool lookups;
        EXPECT_EQ(RunPop3Login(lookups, {"127.0.0.1", server.Port()}, "taro", "secret", kQuick), 1);
        server.Finish();
        EXPECT_EQ(transcript.Lines(), (Lines{"pop:USER taro", "pop:"})) << refusal;
    }
}

TEST(MailDialogue, EndsWhenTheServerIsSilentClosesOrTrickles) {
    const std::vector<std::vector<S::Step>> servers = {
        {},                                                     // accepts and never answers
        {S::Send("220 ready\r\n"), S::ReadLine()},              // never answers HELO
        {S::Send("220 ready\r\n"), S::ReadLine(), S::Close()},  // closes mid-dialogue
    };
    std::vector<S::Step> trickle;  // chunks without a line end, for longer than any bound
    for (int i = 0; i < 200; ++i) {
        trickle.push_back(S::Send("2"));
        trickle.push_back(S::Pause(20ms));
    }
    for (const auto& script : {servers[0], servers[1], servers[2], trickle}) {
        Transcript transcript;
        ScriptedTcpServer server("smtp", script, transcript);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Deliver(server), 1);
        // Generous against the 1.5 s dialogue bound; without bounds this would not return.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    }
}

TEST(MailDialogue, FailsAtOnceWhenNothingListens) {
    // Take a free loopback port and close it again: connecting is refused.
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    close(fd);
    LookupPool lookups;
    EXPECT_EQ(RunSmtpDelivery(lookups, {"127.0.0.1", ntohs(address.sin_port)}, "a@b", "c@d",
                              kMessage, kQuick),
              1);
    EXPECT_EQ(RunPop3Login(lookups, {"", 110}, "u", "p", kQuick), 1);
}

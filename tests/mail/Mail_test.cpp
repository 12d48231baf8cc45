#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "mail/Mail.h"
#include "mail/MailQueue.h"
#include "platform/BoundedLookup.h"
#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "support/RealSmtpServer.h"
#include "support/ScriptedTcpServer.h"
#include "trap/LossCounters.h"

using namespace std::chrono_literals;
using S = ScriptedTcpServer;
using Lines = std::vector<std::string>;

namespace {

constexpr MailTimeouts kQuick{1000ms, 300ms, 1500ms};

AppSettings MailSettings(bool usePop) {
    AppSettings settings{};
    SetFixedText(settings.smtpServer, "127.0.0.1");
    SetFixedText(settings.mailFrom, "trap@example.org");
    SetFixedText(settings.mailTo, "admin@example.org");
    SetFixedText(settings.mailSubject, Utf8ToCp932("トラップ通知"));
    settings.usePopAuth = usePop ? 1 : 0;
    SetFixedText(settings.popServer, "127.0.0.1");
    SetFixedText(settings.popUserId, "taro");
    SetFixedText(settings.popPassword, "secret");
    return settings;
}

std::vector<S::Step> PopLogin(std::string_view passwordReply = "+OK welcome\r\n") {
    return {S::Send("+OK ready\r\n"),
            S::ReadLine(),
            S::Send("+OK user\r\n"),
            S::ReadLine(),
            S::Send(std::string(passwordReply)),
            S::ReadLine(),
            S::Send("+OK bye\r\n")};
}

}  // namespace

TEST(Mail, SendsNothingWithoutSenderOrRecipient) {
    LookupPool lookups;
    for (const char* field : {"from", "to"}) {
        Transcript transcript;
        ScriptedTcpServer pop("pop", PopLogin(), transcript);
        ScriptedTcpServer smtp("smtp", S::SmtpAccepting(), transcript);
        AppSettings settings = MailSettings(true);
        SetFixedText(field == std::string("from") ? settings.mailFrom : settings.mailTo, "");
        SendNotificationMailWith(settings, "text", {pop.Port(), smtp.Port(), kQuick}, lookups);
        EXPECT_EQ(pop.Finish(), 0) << field;
        EXPECT_EQ(smtp.Finish(), 0) << field;
    }
}

TEST(Mail, LogsInAtThePopServerBeforeSending) {
    LookupPool lookups;
    Transcript transcript;
    ScriptedTcpServer pop("pop", PopLogin(), transcript);
    ScriptedTcpServer smtp("smtp", S::SmtpAccepting(), transcript);
    SendNotificationMailWith(MailSettings(true), "Link down", {pop.Port(), smtp.Port(), kQuick},
                             lookups);
    EXPECT_EQ(pop.Finish(), 1);
    EXPECT_EQ(smtp.Finish(), 1);
    const Lines lines = transcript.Lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4),
              (Lines{"pop:USER taro", "pop:PASS secret", "pop:QUIT", "smtp:HELO home"}));
    EXPECT_EQ(lines[8].rfind("smtp:Date: ", 0), 0u);
    EXPECT_NE(lines[8].find("\r\n\r\nLink down\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(lines[9], "smtp:QUIT");
}

TEST(Mail, WithoutPopAuthenticationGoesStraightToSmtp) {
    LookupPool lookups;
    Transcript transcript;
    ScriptedTcpServer pop("pop", PopLogin(), transcript);
    ScriptedTcpServer smtp("smtp", S::SmtpAccepting(), transcript);
    SendNotificationMailWith(MailSettings(false), "x", {pop.Port(), smtp.Port(), kQuick}, lookups);
    EXPECT_EQ(pop.Finish(), 0);
    EXPECT_EQ(smtp.Finish(), 1);
    EXPECT_EQ(transcript.Lines().back(), "smtp:QUIT");
}

TEST(Mail, AFailedPopLoginSendsNoMail) {
    LookupPool lookups;
    const std::vector<std::vector<S::Step>> popServers = {
        PopLogin("-ERR bad password\r\n"),
        PopLogin("+OK\r\n"),                        // no space after +OK: negative
        {S::Send("+OK ready\r\n"), S::ReadLine()},  // never answers USER
        {S::Close()},
    };
    for (const auto& script : popServers) {
        Transcript transcript;
        ScriptedTcpServer pop("pop", script, transcript);
        ScriptedTcpServer smtp("smtp", S::SmtpAccepting(), transcript);
        SendNotificationMailWith(MailSettings(true), "x", {pop.Port(), smtp.Port(), kQuick},
                                 lookups);
        EXPECT_EQ(pop.Finish(), 1);
        EXPECT_EQ(smtp.Finish(), 0) << "no SMTP connection after a failed login";
    }
}

TEST(MailQueue, AFullQueueDropsAndCountsAndItsEndIsBounded) {
    Transcript transcript;
    // Takes the connection and stays silent: the mail in hand waits for a greeting.
    ScriptedTcpServer silent("smtp", {S::Pause(1000ms)}, transcript);
    const MailRoute route{1, silent.Port(), {1000ms, 2000ms, 3000ms}};
    const std::optional<PreparedMail> mail =
        PrepareNotificationMail(MailSettings(false), "x", std::tm{});
    ASSERT_TRUE(mail.has_value());
    LossCounters losses;
    constexpr std::size_t kMails = kMailQueueCapacity + 6;
    MailQueue queue(losses);
    for (std::size_t i = 0; i < kMails; ++i) queue.QueueNotificationMail(*mail, route);
    // One mail is in hand (or about to be) and the queue is full: the rest was dropped.
    const uint64_t dropped = losses.Read(LossKind::kMailsDropped);
    EXPECT_GE(dropped, 5u);
    EXPECT_LE(dropped, 6u);
    // The mail in hand outlasts the wait: every mail still waiting is dropped and counted.
    EXPECT_FALSE(queue.Shutdown(200ms).ended);
    EXPECT_EQ(losses.Read(LossKind::kMailsDropped), kMails - 1);
}

TEST(Mail, ARealSmtpServerReceivesTheJapaneseMail) {
    LookupPool lookups;
    RealSmtpServer server;
    if (!server.Ready()) GTEST_SKIP() << "aiosmtpd (Debian python3-aiosmtpd) is not available";
    const MailRoute route{1, server.Port(), {5000ms, 10000ms, 20000ms}};

    const std::string body =
        "リンクダウンを検出しました。\r\n装置: core-1 (192.0.2.1)\r\nifIndex = 3";
    SendNotificationMailWith(MailSettings(false), Utf8ToCp932(body), route, lookups);
    EXPECT_EQ(server.Check(1, "トラップ通知", body), "");
    EXPECT_EQ(server.Envelope(1), "trap@example.org\nadmin@example.org\n");

    // Trap data that tries to end the data early and start a second mail stays body text.
    AppSettings ascii = MailSettings(false);
    SetFixedText(ascii.mailSubject, "Trap from core-1");
    const std::string injected =
        "community:\r\n.\r\nMAIL FROM:<evil@example.org>\r\nRCPT TO:<victim@example.org>\r\n"
        "DATA\r\nspam\n.\nend";
    SendNotificationMailWith(ascii, injected, route, lookups);
    EXPECT_EQ(server.Check(2, "Trap from core-1", injected), "");

    // The longest message text, cut to fit the mail: still decodes to its beginning.
    std::string longBody;
    while (longBody.size() < 2000) longBody += "警告: ポート 3 がダウンしました。 ";
    const std::string longCp932 = Utf8ToCp932(longBody).substr(0, 2047);
    SendNotificationMailWith(MailSettings(false), longCp932, route, lookups);
    EXPECT_EQ(server.Check(3, "トラップ通知", Cp932ToUtf8(longCp932), true), "");

    std::this_thread::sleep_for(200ms);  // a wrongly split message would arrive as a 4th
    EXPECT_EQ(server.MessageCount(), 3);
}

// The program itself, started as a separate process: what its signals do.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "support/BerBuilder.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MailEveryTrap.h"
#include "support/MessageBoxRecorder.h"
#include "support/RealSmtpServer.h"
#include "support/ScriptedTcpServer.h"
#include "support/TempProgramFolder.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kTraps = 40;

// SMTP has its fixed port: the server takes a loopback address of this process's own.
const std::array<uint8_t, 4> kSmtpHost = ProcessSmtpHost(26);

template <std::size_t N>
void SetText(std::array<char, N>& field, std::string_view text) {
    field.fill('\0');
    text.copy(field.data(), std::min(text.size(), N - 1));
}

std::size_t CountLines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// olixtrap on the offscreen platform in a program folder of its own that logs every trap;
// its standard error goes to a file of the folder. Killed if still running at the end.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        port_ = PickFreeTrapPort(24000);
        ASSERT_NE(port_, 0);
        folder_.Write("OlixTrap.ini", "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port_) +
                                          "\r\nHOST=0\r\nLOG=1\r\nT2MSG=v2 %C\r\nLOGDELM=0\r\n");
        settings_.Load();
        for (const char* sub : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(sub);
    }

    void TearDown() override {
        if (child_) {
            kill(*child_, SIGKILL);
            waitpid(*child_, nullptr, 0);
        }
    }

    // Settings and rules made here are in the folder's files when the program starts.
    void Launch() {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string errors = folder_.File("stderr");
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        char* argv[] = {const_cast<char*>(OLIXTRAP_PROGRAM), nullptr};
        pid_t pid = 0;
        const int result = posix_spawn(&pid, OLIXTRAP_PROGRAM, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(result, 0) << OLIXTRAP_PROGRAM;
        child_ = pid;
        // The list view starts reception on its fourth second.
        ASSERT_TRUE(WaitUntilPortIsHeld(port_, 20s));
    }

    // Sends kTraps traps, the nth with the community "cN", and waits (bounded) until all
    // are logged.
    void SendTrapsAndWaitForTheLog() {
        for (int i = 0; i < kTraps; ++i)
            ASSERT_TRUE(SendToLoopback(
                port_, ber::BuildV2cTrap(
                           {.community = "c" + std::to_string(i),
                            .varBinds = {ber::VarBind("1.3.6.1.2.1.1.3.0", ber::TimeTicks(100)),
                                         ber::VarBind("1.3.6.1.6.3.1.1.4.1.0",
                                                      ber::Oid("1.3.6.1.6.3.1.1.5.3"))}})));
        for (int wait = 0; wait < 200 && CountLines(folder_.Read("log/log.log")) < kTraps; ++wait)
            std::this_thread::sleep_for(50ms);
        ASSERT_EQ(CountLines(folder_.Read("log/log.log")), std::size_t{kTraps});
    }

    // SIGTERM, then the program ends within 3 s with exit code 0.
    void ExpectSigtermEndsItCleanlyWithin3s() {
        ASSERT_EQ(kill(*child_, SIGTERM), 0);
        const std::optional<int> status = WaitForEnd(3s);
        ASSERT_TRUE(status.has_value()) << "still running 3 s after SIGTERM";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "wait status " << *status;
    }

    // Waits at most timeout for the program to end; its wait status, or none.
    std::optional<int> WaitForEnd(std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(*child_, &status, WNOHANG) == *child_) {
                child_.reset();
                return status;
            }
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }

    TempProgramFolder folder_;
    MessageBoxRecorder boxes_;
    StoreReadFailures readFailures_;
    RuleStore rules_{readFailures_, {.boxes = boxes_}};  // writes the rules the program reads
    SettingsSource settings_;
    uint16_t port_ = 0;
    std::optional<pid_t> child_;
};

TEST_F(ProgramTest, SigtermEndsAsClosingTheWindowDoesWhileMailsWaitForASilentServer) {
    // Takes the connection and never greets: the first mail waits in its dialogue, the
    // others in the queue.
    Transcript transcript;
    ScriptedTcpServer smtp("smtp", {ScriptedTcpServer::Pause(4s)}, transcript, kSmtpHost, 25);
    if (smtp.Port() == 0) GTEST_SKIP() << "the SMTP port cannot be bound here";
    ASSERT_TRUE(MailEveryTrap(rules_, settings_, kSmtpHost, "Trap %C"));
    ASSERT_TRUE(settings_.Save(boxes_));

    Launch();
    SendTrapsAndWaitForTheLog();
    ExpectSigtermEndsItCleanlyWithin3s();
    EXPECT_EQ(smtp.Finish(), 1);
    const std::string log = folder_.Read("log/log.log");
    EXPECT_EQ(CountLines(log), std::size_t{kTraps});
    EXPECT_TRUE(log.ends_with("\r\n") || log.ends_with("\n"));
}

// The mails a silent server did not take are kept at the end and sent at the next start,
// each once; the spool is then gone.
TEST_F(ProgramTest, MailsUnsentAtTheEndAreSentOnceAtTheNextStart) {
    {
        Transcript transcript;
        ScriptedTcpServer silent("smtp", {ScriptedTcpServer::Pause(4s)}, transcript, kSmtpHost, 25);
        if (silent.Port() == 0) GTEST_SKIP() << "the SMTP port cannot be bound here";
        ASSERT_TRUE(MailEveryTrap(rules_, settings_, kSmtpHost, "Trap %C"));
        ASSERT_TRUE(settings_.Save(boxes_));
        Launch();
        SendTrapsAndWaitForTheLog();
        ExpectSigtermEndsItCleanlyWithin3s();
    }
    const std::string spool = folder_.File("db/MailSpool.dat");
    EXPECT_NE(
        folder_.Read("stderr").find("olixtrap: " + std::to_string(kTraps) +
                                    " unsent mails kept in " + spool + " for the next start\n"),
        std::string::npos)
        << folder_.Read("stderr");
    struct stat info {};
    ASSERT_EQ(stat(spool.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    RealSmtpServer smtp(kSmtpHost, 25);
    if (!smtp.Ready()) GTEST_SKIP() << "aiosmtpd cannot listen at the SMTP port here";
    Launch();
    ASSERT_TRUE(Eventually([&] { return smtp.MessageCount() >= kTraps; }, 20s))
        << smtp.MessageCount() << " mails arrived";
    ASSERT_TRUE(Eventually([&] { return !std::filesystem::exists(spool); }, 5s));
    std::this_thread::sleep_for(300ms);  // a mail sent twice would arrive meanwhile
    ASSERT_EQ(smtp.MessageCount(), kTraps);
    std::multiset<std::string> bodies;
    for (int n = 1; n <= kTraps; ++n) {
        const std::string message = smtp.Read(std::to_string(n) + ".eml");
        const std::size_t body = message.find("\r\n\r\n");
        ASSERT_NE(body, std::string::npos) << message;
        bodies.insert(message.substr(body + 4));
        EXPECT_EQ(smtp.Envelope(n), "trap@example.org\nadmin@example.org\n");
    }
    std::multiset<std::string> expected;
    for (int i = 0; i < kTraps; ++i) expected.insert("Trap c" + std::to_string(i) + "\r\n");
    EXPECT_EQ(bodies, expected);
    EXPECT_NE(
        folder_.Read("stderr").find("olixtrap: " + std::to_string(kTraps) +
                                    " unsent mails of the last run queued again from " + spool +
                                    "; dropped: 0 older than 24 h, 0 beyond the "
                                    "newest 1000\n"),
        std::string::npos)
        << folder_.Read("stderr");

    // Nothing unsent at this end: no spool, no word of one.
    ASSERT_EQ(kill(*child_, SIGTERM), 0);
    ASSERT_TRUE(WaitForEnd(5s).has_value());
    EXPECT_FALSE(std::filesystem::exists(spool));
    EXPECT_EQ(folder_.Read("stderr").find("unsent mails kept"), std::string::npos);
}

// A module whose imports lead to a FIFO and to a 50 MB file: reception starts as always,
// and SIGTERM ends the program while the MIB loading would still be waiting.
TEST_F(ProgramTest, HostileMibImportsNeitherDelayReceptionNorHoldTheExit) {
    folder_.Write(
        "mibs/HOSTILE-IMPORT-MIB.txt",
        "HOSTILE-IMPORT-MIB DEFINITIONS ::= BEGIN\n"
        "IMPORTS a FROM FIFO-MIB b FROM BIG-MIB;\nc OBJECT IDENTIFIER ::= { a 1 }\nEND\n");
    ASSERT_EQ(mkfifo(folder_.File("mibs/FIFO-MIB").c_str(), 0600), 0);
    folder_.Write("mibs/BIG-MIB", "BIG-MIB DEFINITIONS ::= BEGIN\n");
    std::filesystem::resize_file(folder_.File("mibs/BIG-MIB"), 50u << 20);

    Launch();
    SendTrapsAndWaitForTheLog();
    ExpectSigtermEndsItCleanlyWithin3s();
}

TEST_F(ProgramTest, Sigusr1WritesTheRowsOfTheListToStandardError) {
    Launch();
    SendTrapsAndWaitForTheLog();
    // The list takes its rows on its next refresh tick; ask until it shows them all.
    const std::string expected = "olixtrap: rows=" + std::to_string(kTraps) + "\n";
    bool reported = false;
    for (int ask = 0; ask < 50 && !reported; ++ask) {
        ASSERT_EQ(kill(*child_, SIGUSR1), 0);
        std::this_thread::sleep_for(100ms);
        reported = folder_.Read("stderr").ends_with(expected);
    }
    EXPECT_TRUE(reported) << folder_.Read("stderr");
    ASSERT_EQ(kill(*child_, SIGTERM), 0);
    EXPECT_TRUE(WaitForEnd(10s).has_value());
}

}  // namespace

namespace {

std::string Sqlite(const std::string& database, const std::string& sql) {
    const std::string command = "sqlite3 " + database + " \"" + sql + "\" 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        pclose(pipe);
    }
    return output;
}

}  // namespace

// A kill in the middle of a storm leaves an alarm store that opens whole, and the next
// start goes on with the alarms it holds rather than making them again.
TEST_F(ProgramTest, KillDuringAStormLeavesTheAlarmsWholeForTheNextStart) {
    if (std::system("command -v sqlite3 >/dev/null") != 0) GTEST_SKIP() << "no sqlite3 shell";
    ASSERT_TRUE(settings_.Save(boxes_));
    const auto trap = [](int ifIndex) {
        return ber::BuildV2cTrap(
            {.community = "public",
             .varBinds = {ber::VarBind("1.3.6.1.2.1.1.3.0", ber::TimeTicks(100)),
                          ber::VarBind("1.3.6.1.6.3.1.1.4.1.0", ber::Oid("1.3.6.1.6.3.1.1.5.3")),
                          ber::VarBind("1.3.6.1.2.1.2.2.1.1." + std::to_string(ifIndex),
                                       ber::Integer(ifIndex))}});
    };
    Launch();
    const std::string database = folder_.File("db/alarms.sqlite");
    std::atomic<bool> storming{true};
    std::thread storm([&] {
        for (int i = 0; storming.load(); ++i) {
            static_cast<void>(SendToLoopback(port_, trap(1 + i % 50)));
            if (i % 64 == 63) std::this_thread::sleep_for(1ms);
        }
    });
    ASSERT_TRUE(
        Eventually([&] { return Sqlite(database, "select count(*) from alarms") == "50\n"; }, 10s));
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(kill(*child_, SIGKILL), 0);
    ASSERT_TRUE(WaitForEnd(3s).has_value());
    storming = false;
    storm.join();

    EXPECT_EQ(Sqlite(database, "pragma integrity_check"), "ok\n");
    EXPECT_EQ(Sqlite(database, "select count(*) from alarms where state = 'raised'"), "50\n");
    const std::string before = Sqlite(database, "select count from alarms where instance = '7'");
    ASSERT_GT(std::stoll(before), 1);

    Launch();
    ASSERT_TRUE(SendToLoopback(port_, trap(7)));
    EXPECT_TRUE(Eventually([&] {
        return Sqlite(database, "select count from alarms where instance = '7'") ==
               std::to_string(std::stoll(before) + 1) + "\n";
    }));
    EXPECT_EQ(Sqlite(database, "select count(*) from alarms"), "50\n");
}

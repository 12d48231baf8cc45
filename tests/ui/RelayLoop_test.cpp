// Two receivers that relay every trap to each other: the program itself in a process of its
// own, and a program object here whose forwarder the test reads. One trap from snmptrap
// goes round once and stops where it started, logged once by each.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "forward/Forwarder.h"
#include "program/Program.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MessageBoxRecorder.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "traplog/TrapLog.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// A program folder whose settings log every trap with its community and relay it to
// 127.0.0.1:relayTo.
void WriteRelayingFolder(const TempProgramFolder& folder, uint16_t port, uint16_t relayTo) {
    folder.Write("OlixTrap.ini", "[INIT]\r\nTRECV=0\r\nRECVP=" + std::to_string(port) +
                                     "\r\nHOST=0\r\nLOG=1\r\nT2MSG=v2 %C\r\nLOGDELM=0\r\n"
                                     "[FORWARD]\r\nKIND1=snmp\r\nHOST1=127.0.0.1\r\nPORT1=" +
                                     std::to_string(relayTo) + "\r\n");
    for (const char* sub : {"db", "log", "tmp"})
        std::filesystem::create_directories(folder.File(sub));
}

class RelayLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty()) GTEST_SKIP() << "snmptrap (snmp) is not installed";
    }
    void TearDown() override {
        program_.TrapReceiver().Shutdown();
        if (far_) {
            kill(*far_, SIGKILL);
            waitpid(*far_, nullptr, 0);
        }
    }

    // The far receiver: the program in farFolder_, on the offscreen platform.
    void LaunchFar() {
        std::vector<std::string> environment = {"OLIXTRAP_HOME=" + farFolder_.Path(),
                                                "QT_QPA_PLATFORM=offscreen"};
        for (char** e = environ; *e != nullptr; ++e)
            if (!std::string(*e).starts_with("OLIXTRAP_HOME=") &&
                !std::string(*e).starts_with("QT_QPA_PLATFORM="))
                environment.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string errors = farFolder_.File("stderr");
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        char* argv[] = {const_cast<char*>(OLIXTRAP_PROGRAM), nullptr};
        pid_t pid = 0;
        const int result =
            posix_spawn(&pid, OLIXTRAP_PROGRAM, &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(result, 0) << OLIXTRAP_PROGRAM;
        far_ = pid;
    }

    // Declared first: the near folder, made after it, is this process's program folder.
    TempProgramFolder farFolder_;
    TempProgramFolder nearFolder_;
    MessageBoxRecorder boxes_;
    Program program_{boxes_};
    std::optional<pid_t> far_;
};

// Each receiver's own address check cannot see the loop: it goes through the other.
TEST_F(RelayLoopTest, ATrapGoesRoundOnceAndTheRelayThatSentItCountsItsReturn) {
    const uint16_t nearPort = PickFreeTrapPort(30000);
    const uint16_t farPort = PickFreeTrapPort(31000);
    ASSERT_TRUE(nearPort != 0 && farPort != 0);
    WriteRelayingFolder(farFolder_, farPort, nearPort);
    WriteRelayingFolder(nearFolder_, nearPort, farPort);
    LaunchFar();
    program_.Settings().Load();
    Forwarder& forwarder = program_.Forwarding();
    forwarder.ApplyForwardSettings(LoadForwardSettingsFile());
    program_.TrapReceiver().Start();
    ASSERT_TRUE(WaitUntilPortIsHeld(nearPort));
    // The program starts reception on its fourth second.
    ASSERT_TRUE(WaitUntilPortIsHeld(farPort, 20s));

    ASSERT_EQ(RunSnmptrap({"-v", "2c", "-c", "round-1", "127.0.0.1:" + std::to_string(nearPort),
                           "4200", "1.3.6.1.6.3.1.1.5.4"}),
              0);
    ASSERT_TRUE(
        Eventually([&] { return forwarder.ForwardDestinationStatus(0).loopStopped == 1; }, 15s));
    // Long enough for another round, were there one.
    std::this_thread::sleep_for(1s);
    program_.Log().Close();
    const std::string nearLog = nearFolder_.Read("log/log.log");
    const std::string farLog = farFolder_.Read("log/log.log");
    // It came back from the far receiver and was dropped: logged once on each.
    EXPECT_EQ(Count(nearLog, "v2 round-1"), 1u) << nearLog;
    EXPECT_EQ(Count(farLog, "v2 round-1"), 1u) << farLog;
    const DestinationStatus relay = forwarder.ForwardDestinationStatus(0);
    EXPECT_EQ(relay.delivered, 1u);
    EXPECT_EQ(relay.loopStopped, 1u);
}

}  // namespace

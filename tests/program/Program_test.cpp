// The program object as a whole: what it owns lives and ends with it.

#include "program/Program.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"

namespace {

// Whether a socket of this process can take port now, as one can once its holder closed it.
bool PortIsFree(uint16_t port) {
    const int probe = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool bound =
        bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return bound;
}

// A receiver still running when its program ends is stopped and joined with it, and two
// programs count their datagrams apart.
TEST(Program, ARunningReceiverEndsWithItsProgramAndEachProgramCountsItsOwn) {
    TempProgramFolder folder;
    const uint16_t port = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    folder.Write("OlixTrap.ini", "[INIT]\r\nRECVP=" + std::to_string(port) + "\r\n");
    MessageBoxRecorder boxes;
    const auto other = std::make_unique<Program>(boxes);
    auto program = std::make_unique<Program>(boxes);
    program->Settings().Load();
    ASSERT_TRUE(program->TrapReceiver().Start());
    ASSERT_TRUE(WaitUntilPortIsHeld(port));

    ASSERT_TRUE(SendToLoopback(port, std::vector<uint8_t>{0x30, 0x00}));
    ASSERT_TRUE(Eventually([&] { return program->Counters().Snapshot().decodeErrors == 1; }));
    EXPECT_EQ(program->Rejected().LastSequence(), 1u);
    EXPECT_EQ(other->Counters().Snapshot().allPackets, 0u);
    EXPECT_EQ(other->Rejected().LastSequence(), 0u);

    program.reset();
    EXPECT_TRUE(PortIsFree(port));
}

}  // namespace

#include "reception/ReceiverService.h"
#include "reception/BindFailure.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Encoding.h"
#include "reception/RejectedMessages.h"
#include "support/Eventually.h"
#include "support/LoopbackSender.h"
#include "support/MessageBoxRecorder.h"
#include "support/RecordingServiceWindows.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapRowQueue.h"

namespace {

using namespace std::chrono_literals;

const std::string kRunning = "サービス起動中";
const std::string kStopped = "サービス停止";

// The service on its own thread with a handler that keeps every datagram.
class ServiceUnderTest {
public:
    ServiceUnderTest(ReceiverService& service, uint16_t port) : port_(port) {
        thread_ = std::thread([this, &service] {
            service.Run(
                port_, stopRequested_,
                [this](std::span<uint8_t> datagram, std::array<uint8_t, 4> sender, uint16_t) {
                    std::lock_guard lock(mutex_);
                    datagrams_.emplace_back(datagram.begin(), datagram.end());
                    senders_.push_back(sender);
                },
                [this] {
                    std::lock_guard lock(mutex_);
                    batchEnds_.push_back(datagrams_.size());
                });
            ended_ = true;
        });
    }
    ~ServiceUnderTest() {
        stopRequested_ = 1;
        thread_.join();
    }
    void RequestStop() { stopRequested_ = 1; }
    bool Ended() const { return ended_; }
    std::vector<std::vector<uint8_t>> Datagrams() const {
        std::lock_guard lock(mutex_);
        return datagrams_;
    }
    std::vector<std::array<uint8_t, 4>> Senders() const {
        std::lock_guard lock(mutex_);
        return senders_;
    }
    // The datagrams handled so far at each batch end.
    std::vector<std::size_t> BatchEnds() const {
        std::lock_guard lock(mutex_);
        return batchEnds_;
    }

private:
    uint16_t port_;
    std::atomic<int32_t> stopRequested_{0};
    std::atomic<bool> ended_{false};
    mutable std::mutex mutex_;
    std::vector<std::vector<uint8_t>> datagrams_;
    std::vector<std::array<uint8_t, 4>> senders_;
    std::vector<std::size_t> batchEnds_;
    std::thread thread_;
};

// What the service reports to, fresh for each test, with windows that record it all.
class ReceiverServiceRun : public ::testing::Test {
protected:
    WindowPorts ports_;
    PacketCounters counters_;
    LossCounters losses_;
    RejectedMessages rejected_;
    MessageBoxRecorder boxes_;
    TrapRowQueue rows_{losses_};
    RecordingServiceWindows windows{ports_, rows_, &counters_};
    ReceiverService receiver{{ports_, counters_, losses_, rejected_, boxes_}};
};

std::vector<uint8_t> Filled(std::size_t size, uint8_t first) {
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

TEST_F(ReceiverServiceRun, HandsOverDatagramsUpToTheBufferSizeInBatchesAndStopsAtAnIdleSecond) {
    const uint16_t port = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    ServiceUnderTest service(receiver, port);
    ASSERT_TRUE(WaitUntilPortIsHeld(port));

    const std::vector<std::vector<uint8_t>> sent = {Filled(1, 7), Filled(100, 1),
                                                    Filled(kMaxDatagram, 3)};
    for (const auto& datagram : sent) ASSERT_TRUE(SendToLoopback(port, datagram));
    ASSERT_TRUE(windows.WaitUntil([&] { return service.Datagrams().size() == sent.size(); }, 5s));
    EXPECT_EQ(service.Datagrams(), sent);
    for (const auto& sender : service.Senders())
        EXPECT_EQ(sender, (std::array<uint8_t, 4>{127, 0, 0, 1}));
    // Each receive that brought datagrams ends its batch after the last of them.
    ASSERT_TRUE(windows.WaitUntil(
        [&] {
            const auto ends = service.BatchEnds();
            return !ends.empty() && ends.back() == sent.size();
        },
        5s));
    const auto ends = service.BatchEnds();
    EXPECT_EQ(std::adjacent_find(ends.begin(), ends.end(), std::greater_equal<>()), ends.end());
    EXPECT_GT(ends.front(), 0u);

    service.RequestStop();
    ASSERT_TRUE(windows.WaitUntil([&] { return windows.CommandStates().size() == 2; }, 5s));
    EXPECT_EQ(windows.Statuses(), (std::vector<std::string>{kRunning, kStopped, kStopped}));
    EXPECT_EQ(windows.CommandStates(),
              (std::vector<std::pair<bool, bool>>{{false, true}, {true, false}}));
}

TEST_F(ReceiverServiceRun, OversizedDatagramIsCountedAsDecodeErrorAndReceptionGoesOn) {
    const uint16_t port = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    ServiceUnderTest service(receiver, port);
    ASSERT_TRUE(WaitUntilPortIsHeld(port));

    ASSERT_TRUE(SendToLoopback(port, Filled(kMaxDatagram + 1, 0)));
    ASSERT_TRUE(SendToLoopback(port, Filled(60000, 0)));
    const auto small = Filled(10, 9);
    ASSERT_TRUE(SendToLoopback(port, small));
    ASSERT_TRUE(windows.WaitUntil([&] { return !service.Datagrams().empty(); }, 5s));
    EXPECT_EQ(service.Datagrams(), std::vector<std::vector<uint8_t>>{small});

    const PacketCountBlock counters = counters_.Snapshot();
    EXPECT_EQ(counters.allPackets, 2u);
    EXPECT_EQ(counters.decodeErrors, 2u);
    EXPECT_EQ(windows.Counter(1000), 2u);
    EXPECT_EQ(windows.Counter(1005), 2u);
    EXPECT_FALSE(service.Ended());
    EXPECT_EQ(windows.Statuses(), std::vector<std::string>{kRunning});
}

TEST_F(ReceiverServiceRun, PortHeldElsewhereGivesTheBindBoxAndLeavesTheServiceStopped) {
    const uint16_t port = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    const int holder = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    std::atomic<int32_t> stopRequested{0};
    receiver.Run(port, stopRequested, [](std::span<uint8_t>, std::array<uint8_t, 4>, uint16_t) {});
    close(holder);

    const auto boxes = boxes_.Recorded();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Cp932ToUtf8(boxes[0].text),
              "Port bind error (Port = " + std::to_string(port) +
                  ") \n他のアプリケーションが使用中のためTrap受信機能が動作しません。");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Stop);
    EXPECT_EQ(boxes[0].caption, "Olix Trap Receiver - v3.03");
    EXPECT_EQ(windows.Statuses(),
              (std::vector<std::string>{kRunning, "Port bind error", kStopped}));
    EXPECT_EQ(windows.Failures(), std::vector<std::string>{Cp932ToUtf8(boxes[0].text)});
    EXPECT_EQ(windows.CommandStates().back(), std::make_pair(true, false));
}

// Another program holding the port keeps the box as it always was; a missing privilege and
// other causes are named after it, the privilege with its remedies.
TEST(BindFailure, NamesTheRealCauseWhenItIsNotAnotherProgram) {
    const std::string held = BindFailureText(162, EADDRINUSE, "/usr/bin/olixtrap");
    EXPECT_EQ(held,
              "Port bind error (Port = 162) "
              "\n他のアプリケーションが使用中のためTrap受信機能が動作しません。");
    const std::string denied = BindFailureText(162, EACCES, "/opt/olixtrap/bin/olixtrap");
    EXPECT_TRUE(denied.starts_with(held + "\n\n原因: ポート 162 を使う権限がありません (EACCES)"));
    EXPECT_NE(denied.find("1024 以上のポート"), std::string::npos);
    EXPECT_TRUE(
        denied.ends_with("sudo setcap cap_net_bind_service=+ep /opt/olixtrap/bin/olixtrap"));
    EXPECT_TRUE(BindFailureText(162, EADDRNOTAVAIL, "")
                    .ends_with("(errno " + std::to_string(EADDRNOTAVAIL) + ")"));
}

// The service's own socket, found among this process's descriptors by its port.
int FindSocketBoundTo(uint16_t port) {
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    int found = -1;
    while (dirent* entry = readdir(fds)) {
        const int fd = atoi(entry->d_name);
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (fd > 2 && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == port)
            found = fd;
    }
    closedir(fds);
    return found;
}

TEST_F(ReceiverServiceRun, ReceiveFailureEndsTheServiceWithTheSocketError) {
    const uint16_t port = PickFreeTrapPort();
    const uint16_t closedPort = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    ServiceUnderTest service(receiver, port);
    ASSERT_TRUE(WaitUntilPortIsHeld(port));

    // A datagram sent from the service's socket to a closed port comes back as "port
    // unreachable", which the socket reports at its next receive.
    const int serviceSocket = FindSocketBoundTo(port);
    ASSERT_GE(serviceSocket, 0);
    sockaddr_in closed{};
    closed.sin_family = AF_INET;
    closed.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    closed.sin_port = htons(closedPort);
    ASSERT_EQ(connect(serviceSocket, reinterpret_cast<const sockaddr*>(&closed), sizeof closed), 0);
    ASSERT_EQ(send(serviceSocket, "x", 1, 0), 1);

    ASSERT_TRUE(windows.WaitUntil([&] { return service.Ended(); }, 5s));
    const std::string error = "Socket error: error no = " + std::to_string(ECONNREFUSED);
    EXPECT_EQ(windows.Statuses(), (std::vector<std::string>{kRunning, error, kStopped}));
    EXPECT_EQ(windows.Failures(), std::vector<std::string>{error});
    EXPECT_EQ(windows.CommandStates().back(), std::make_pair(true, false));
    EXPECT_TRUE(service.Datagrams().empty());
}

TEST_F(ReceiverServiceRun,
       DatagramsTheKernelDroppedAreCountedOnTheIdleSecondWithoutAnotherDatagram) {
    const uint16_t port = PickFreeTrapPort(41000);
    ASSERT_NE(port, 0);
    std::atomic<bool> released{false};
    std::atomic<uint32_t> handled{0};
    std::atomic<int32_t> stopRequested{0};
    std::thread service([&] {
        receiver.Run(port, stopRequested,
                     [&](std::span<uint8_t>, std::array<uint8_t, 4>, uint16_t) {
                         // The first datagram holds the service (bounded) until the flood has
                         // been sent.
                         Eventually([&] { return released.load(); });
                         ++handled;
                     });
    });
    ASSERT_TRUE(WaitUntilPortIsHeld(port));
    // 4 MiB, or as much as the kernel lets an unprivileged process have (the kernel
    // reports twice the size asked for, the rest being its bookkeeping).
    int granted = 0;
    socklen_t grantedLength = sizeof granted;
    ASSERT_EQ(getsockopt(FindSocketBoundTo(port), SOL_SOCKET, SO_RCVBUF, &granted, &grantedLength),
              0);
    long cap = 0;
    if (FILE* rmemMax = std::fopen("/proc/sys/net/core/rmem_max", "r")) {
        if (std::fscanf(rmemMax, "%ld", &cap) != 1) cap = 0;
        std::fclose(rmemMax);
    }
    EXPECT_GE(granted / 2, geteuid() == 0 ? 4L << 20 : std::min(4L << 20, cap));

    // Far more than the receive buffer holds.
    constexpr uint32_t kFlood = 40000;
    const int sender = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(port);
    const auto datagram = Filled(16, 0);
    const auto send = [&] {
        sendto(sender, datagram.data(), datagram.size(), 0,
               reinterpret_cast<const sockaddr*>(&target), sizeof target);
    };
    for (uint32_t i = 0; i < kFlood; ++i) send();
    released = true;
    // No datagram follows the flood: the idle second brings the final count on its own.
    const bool accounted = Eventually(
        [&] { return handled + losses_.Read(LossKind::kKernelDrops) == kFlood; }, 20s, 50ms);
    close(sender);
    stopRequested = 1;
    service.join();
    EXPECT_TRUE(accounted) << handled << " handled, " << losses_.Read(LossKind::kKernelDrops)
                           << " dropped";
    EXPECT_GT(losses_.Read(LossKind::kKernelDrops), 0u);
}

TEST_F(ReceiverServiceRun, StopRequestIsSeenUnderSteadyTraffic) {
    const uint16_t port = PickFreeTrapPort();
    ASSERT_NE(port, 0);
    ServiceUnderTest service(receiver, port);
    ASSERT_TRUE(WaitUntilPortIsHeld(port));

    // 100 datagrams a second, never idle for a receive wait.
    std::atomic<bool> sending{true};
    std::thread traffic([&] {
        const auto datagram = Filled(4, 0);
        for (int i = 0; sending && i < 1000; ++i) {
            SendToLoopback(port, datagram);
            std::this_thread::sleep_for(10ms);
        }
    });
    const bool flowing = windows.WaitUntil([&] { return service.Datagrams().size() >= 20; }, 5s);
    service.RequestStop();
    const bool ended = windows.WaitUntil([&] { return service.Ended(); }, 2s);
    sending = false;
    traffic.join();
    ASSERT_TRUE(flowing);
    EXPECT_TRUE(ended);
    EXPECT_EQ(windows.Statuses(), (std::vector<std::string>{kRunning, kStopped, kStopped}));
}

}  // namespace

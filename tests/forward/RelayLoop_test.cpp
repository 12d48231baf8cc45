// What keeps the SNMP relay from going round in a loop: the memory of what it relayed, the
// check of the own trap port, and the forwarder that skips a datagram that came back.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "forward/ForwardTransport.h"
#include "forward/Forwarder.h"
#include "forward/OwnAddress.h"
#include "forward/RelayMemory.h"
#include "settings/SettingsSource.h"
#include "support/Eventually.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "trap/LossCounters.h"

namespace {

using namespace std::chrono_literals;
using Clock = RelayMemory::Clock;

const Clock::time_point kStart{1h};

TEST(RelayMemoryTest, KeepsAtMostItsBoundAndForgetsEachEntryAfterTheWindow) {
    // Eight slots: the four digests share one home, so forgetting the first moves the
    // others back along their run.
    RelayMemory memory(4, 60s);
    const std::vector<uint64_t> digests = {1, 9, 17, 25, 33};
    for (std::size_t i = 0; i < digests.size(); ++i) {
        EXPECT_FALSE(memory.Recent(digests[i], kStart + i * 1s));
        memory.Remember(digests[i], kStart + i * 1s);
    }
    EXPECT_EQ(memory.Size(), 4u);
    EXPECT_FALSE(memory.Recent(1, kStart + 5s));
    for (uint64_t kept : {9, 17, 25, 33}) EXPECT_TRUE(memory.Recent(kept, kStart + 5s)) << kept;

    // 9 was remembered at one second: gone at sixty-one, 17 one second later.
    EXPECT_TRUE(memory.Recent(9, kStart + 61s - 1ns));
    EXPECT_FALSE(memory.Recent(9, kStart + 61s));
    EXPECT_TRUE(memory.Recent(17, kStart + 61s));
    EXPECT_FALSE(memory.Recent(33, kStart + 200s));
    EXPECT_EQ(memory.Size(), 0u);
    memory.Remember(9, kStart + 200s);
    EXPECT_TRUE(memory.Recent(9, kStart + 201s));

    // The program's bound, filled within the window: only the first is forgotten.
    RelayMemory full;
    for (uint64_t n = 0; n <= kRelayMemoryEntries; ++n)
        full.Remember(full.DigestOf({reinterpret_cast<const uint8_t*>(&n), sizeof n}), kStart);
    EXPECT_EQ(full.Size(), kRelayMemoryEntries);
    const auto seen = [&](uint64_t n) {
        return full.Recent(full.DigestOf({reinterpret_cast<const uint8_t*>(&n), sizeof n}),
                           kStart + 1s);
    };
    EXPECT_FALSE(seen(0));
    EXPECT_TRUE(seen(1));
    EXPECT_TRUE(seen(kRelayMemoryEntries));
}

TEST(RelayMemoryTest, TheDigestTellsDatagramsApartByEveryOctetAndTheLength) {
    const RelayMemory memory;
    const std::vector<uint8_t> datagram(300, 0x30);
    std::vector<uint8_t> changed = datagram;
    changed[299] = 0x31;
    std::vector<uint8_t> longer = datagram;
    longer.push_back(0);
    EXPECT_EQ(memory.DigestOf(datagram), memory.DigestOf(std::vector<uint8_t>(300, 0x30)));
    EXPECT_NE(memory.DigestOf(datagram), memory.DigestOf(changed));
    EXPECT_NE(memory.DigestOf(datagram), memory.DigestOf(longer));
}

TEST(OwnTrapPortTest, EveryAddressOfThisHostAtTheTrapPortIsOwn) {
    for (const Ipv4Address own :
         {Ipv4Address{127, 0, 0, 1}, Ipv4Address{127, 9, 8, 7}, Ipv4Address{0, 0, 0, 0}})
        EXPECT_TRUE(IsOwnAddress(own)) << int(own[1]);
    EXPECT_FALSE(IsOwnAddress({192, 0, 2, 1}));
    // The address this host sends from towards another network is one of its own.
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in far{};
    far.sin_family = AF_INET;
    far.sin_port = htons(9);
    inet_pton(AF_INET, "192.0.2.1", &far.sin_addr);
    socklen_t size = sizeof far;
    if (::connect(probe, reinterpret_cast<const sockaddr*>(&far), sizeof far) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&far), &size) == 0) {
        Ipv4Address source;
        std::memcpy(source.data(), &far.sin_addr, source.size());
        EXPECT_TRUE(IsOwnAddress(source));
    }
    ::close(probe);

    LookupPool pool;
    EXPECT_TRUE(IsOwnTrapPort("localhost", 162, 162, pool, 2s));
    EXPECT_TRUE(IsOwnTrapPort("::ffff:127.0.0.1", 162, 162, pool, 2s));
    EXPECT_FALSE(IsOwnTrapPort("127.0.0.1", 163, 162, pool, 2s));
    // The receiver listens on IPv4 only.
    EXPECT_FALSE(IsOwnTrapPort("::1", 162, 162, pool, 2s));
    EXPECT_FALSE(IsOwnTrapPort("no-such-host.invalid", 162, 162, pool, 2s));
}

// A UDP socket on a loopback port that counts what arrives.
class Sink {
public:
    Sink() {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), size) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~Sink() { ::close(fd_); }
    uint16_t Port() const { return port_; }
    int Take() {
        std::array<char, 2048> buffer;
        while (::recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT) > 0) ++received_;
        return received_;
    }

private:
    int fd_ = -1;
    uint16_t port_ = 0;
    int received_ = 0;
};

class ForwarderLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("OlixTrap.ini", "[INIT]\r\nRECVP=" + std::to_string(kTrapPort) + "\r\n");
        settings_.Load();
    }
    void Tap(const std::vector<uint8_t>& datagram) {
        forwarder_.Tap(*V2cRecord(), TappedDatagram{datagram, {127, 0, 0, 1}, 1162}, true);
    }
    static constexpr uint16_t kTrapPort = 16200;
    TempProgramFolder folder_;
    SettingsSource settings_;
    LossCounters losses_;
    Forwarder forwarder_{settings_, losses_};
};

TEST_F(ForwarderLoopTest, ADatagramThatComesBackIsKnownAndCountedByEveryRelay) {
    Sink far, farther;
    ForwardSettings settings;
    for (std::size_t i : {0, 1}) {
        settings[i].kind = ForwardKind::kSnmp;
        settings[i].host = "127.0.0.1";
        settings[i].port = (i == 0 ? far : farther).Port();
    }
    settings[2].kind = ForwardKind::kJson;
    settings[2].path = "traps.json";
    forwarder_.ApplyForwardSettings(settings);
    ASSERT_TRUE(forwarder_.WantsOctets());
    const std::vector<uint8_t> first(120, 1), second(120, 2);
    Tap(first);
    Tap(second);
    EXPECT_TRUE(forwarder_.CameBack(first));
    EXPECT_TRUE(forwarder_.CameBack(first));
    EXPECT_FALSE(forwarder_.CameBack(std::vector<uint8_t>(120, 3)));
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));
    EXPECT_TRUE(Eventually([&] { return far.Take() == 2 && farther.Take() == 2; }));
    for (int relay : {0, 1}) {
        EXPECT_EQ(forwarder_.ForwardDestinationStatus(relay).delivered, 2u);
        EXPECT_EQ(forwarder_.ForwardDestinationStatus(relay).loopStopped, 2u);
    }
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(2).delivered, 2u);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(2).loopStopped, 0u);
}

TEST_F(ForwarderLoopTest, ARelayToTheOwnTrapPortIsNotUsedAndSaysWhy) {
    Sink other;
    ForwardSettings settings;
    settings[0].kind = ForwardKind::kSnmp;
    settings[0].host = "localhost";
    settings[0].port = kTrapPort;
    settings[1] = settings[0];
    settings[1].port = other.Port();
    settings[2] = settings[0];
    settings[2].kind = ForwardKind::kSyslogUdp;  // syslog there is refused by the receiver
    forwarder_.ApplyForwardSettings(settings);
    EXPECT_EQ(forwarder_.CurrentForwardSettings(), settings);
    Tap(std::vector<uint8_t>(80, 3));
    ASSERT_TRUE(forwarder_.DrainForwarding(10s));
    const DestinationStatus own = forwarder_.ForwardDestinationStatus(0);
    EXPECT_EQ(own.error, kForwardOwnTrapPort);
    EXPECT_EQ(own.delivered + own.queued + own.dropped, 0u);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(1).delivered, 1u);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(2).error, kForwardOk);
    EXPECT_EQ(forwarder_.ForwardDestinationStatus(2).delivered, 1u);
}

}  // namespace

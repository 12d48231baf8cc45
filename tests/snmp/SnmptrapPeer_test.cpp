// net-snmp's snmptrap sends real SNMPv1 and SNMPv2c traps to a loopback socket of the
// test; the captured datagrams must decode to what was sent.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "support/LoopbackUdpSocket.h"
#include "support/MessageBoxRecorder.h"
#include "support/SnmptrapRunner.h"
#include "support/TrapRecords.h"
#include "users/UserStore.h"

namespace {

constexpr auto kArrival = std::chrono::seconds(5);
constexpr std::array<uint8_t, 4> kLoopback = {127, 0, 0, 1};

// One binding of every type snmptrap can send, in the order of the expectations below.
const std::vector<std::string> kEveryType = {
    "1.3.6.1.4.1.8072.9.1",  "i", "-5",
    "1.3.6.1.4.1.8072.9.2",  "u", "4000000000",
    "1.3.6.1.4.1.8072.9.3",  "c", "123456",
    "1.3.6.1.4.1.8072.9.4",  "t", "987654",
    "1.3.6.1.4.1.8072.9.5",  "a", "10.20.30.40",
    "1.3.6.1.4.1.8072.9.6",  "o", "1.3.6.1.2.1.2.2.1.1.7",
    "1.3.6.1.4.1.8072.9.7",  "s", "hello trap",
    "1.3.6.1.4.1.8072.9.8",  "x", "00 7F 80 FF",
    "1.3.6.1.4.1.8072.9.9",  "d", "1.2.3.250",
    "1.3.6.1.4.1.8072.9.10", "b", "0 9 15",
    "1.3.6.1.4.1.8072.9.11", "n", "",
};

class SnmptrapPeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty())
            GTEST_SKIP() << "snmptrap (Debian package snmp) is not installed";
        ASSERT_TRUE(socket.IsOpen());
    }

    std::string Target() const { return "127.0.0.1:" + std::to_string(socket.Port()); }

    // Sends with snmptrap and decodes what arrives.
    void SendAndDecode(std::vector<std::string> arguments) {
        std::vector<std::string> all = arguments;
        all.insert(all.end(), kEveryType.begin(), kEveryType.end());
        ASSERT_EQ(RunSnmptrap(all), 0);
        std::optional<ReceivedDatagram> datagram = socket.Receive(kArrival);
        ASSERT_TRUE(datagram.has_value()) << "no datagram from snmptrap";
        EXPECT_EQ(datagram->sender, kLoopback);
        ASSERT_EQ(decoder.Decode(datagram->octets, datagram->sender, *record), kDecodeOk);
    }

    const VarBindEntry& Binding(int i) const {
        return record->varBinds[static_cast<std::size_t>(i)];
    }

    // The bindings of kEveryType start at entry `first`.
    void ExpectEveryType(int first) {
        ASSERT_EQ(record->varBindCount, first + 11);
        for (int i = 0; i < 11; ++i)
            EXPECT_EQ(std::string(Binding(first + i).name.data()),
                      "1.3.6.1.4.1.8072.9." + std::to_string(i + 1));
        const VarBindEntry* b = &record->varBinds[static_cast<std::size_t>(first)];
        EXPECT_EQ(b[0].tag, 0x02);
        EXPECT_EQ(b[0].intValue, 0xFBu);  // -5 is the one octet 0xFB, read unsigned
        EXPECT_EQ(b[1].tag, 0x42);
        EXPECT_EQ(b[1].intValue, 4000000000u);
        EXPECT_EQ(b[2].tag, 0x41);
        EXPECT_EQ(b[2].intValue, 123456u);
        EXPECT_EQ(b[3].tag, 0x43);
        EXPECT_EQ(b[3].intValue, 987654u);
        EXPECT_EQ(b[4].tag, 0x40);
        EXPECT_EQ(0, std::memcmp(b[4].ipAddress(), "\x0A\x14\x1E\x28", 4));
        EXPECT_EQ(b[5].tag, 0x06);
        EXPECT_STREQ(b[5].oidText(), "1.3.6.1.2.1.2.2.1.1.7");
        EXPECT_EQ(b[6].tag, 0x04);
        EXPECT_STREQ(b[6].hexText(), "68 65 6C 6C 6F 20 74 72 61 70 ");
        EXPECT_EQ(b[7].tag, 0x04);
        EXPECT_STREQ(b[7].hexText(), "00 7F 80 FF ");
        EXPECT_EQ(b[8].tag, 0x04);
        EXPECT_STREQ(b[8].hexText(), "01 02 03 FA ");
        EXPECT_EQ(b[9].tag, 0x04);  // BITS travel as an OCTET STRING: bits 0, 9 and 15
        EXPECT_STREQ(b[9].hexText(), "80 41 ");
        EXPECT_EQ(b[10].tag, 0x05);
    }

    MessageBoxRecorder boxes;
    StoreReadFailures readFailures;
    UserStore users{readFailures, {.boxes = boxes}};
    LoopbackUdpSocket socket;
    UsmKeyCache keys;
    TrapDecoder decoder{users, keys};
    std::unique_ptr<TrapRecord> record = NewTrapRecord();
};

TEST_F(SnmptrapPeer, SnmpV1TrapDecodesWhole) {
    SendAndDecode({"-v", "1", "-c", "v1community", Target(), "1.3.6.1.4.1.8072.2.3", "192.0.2.77",
                   "6", "1234", "424242"});
    EXPECT_EQ(record->version, 0);
    EXPECT_EQ(record->sourceAddress, kLoopback);
    EXPECT_STREQ(record->community.data(), "v1community");
    EXPECT_STREQ(record->enterprise.data(), "1.3.6.1.4.1.8072.2.3");
    EXPECT_EQ(record->agentAddress, (std::array<uint8_t, 4>{192, 0, 2, 77}));
    EXPECT_EQ(record->genericTrap, 6);
    EXPECT_EQ(record->specificTrap, 1234);
    EXPECT_EQ(record->timeStamp, 424242u);
    ExpectEveryType(0);
}

TEST_F(SnmptrapPeer, SnmpV1GenericTrapWithoutBindings) {
    ASSERT_EQ(RunSnmptrap({"-v", "1", "-c", "public", Target(), "1.3.6.1.4.1.2021", "198.51.100.1",
                           "3", "0", "77"}),
              0);
    std::optional<ReceivedDatagram> datagram = socket.Receive(kArrival);
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(decoder.Decode(datagram->octets, datagram->sender, *record), kDecodeOk);
    EXPECT_EQ(record->genericTrap, 3);
    EXPECT_EQ(record->specificTrap, 0);
    EXPECT_EQ(record->timeStamp, 77u);
    EXPECT_EQ(record->varBindCount, 0);
    EXPECT_EQ(record->agentAddress, (std::array<uint8_t, 4>{198, 51, 100, 1}));
}

TEST_F(SnmptrapPeer, SnmpV2cLinkDownMapsToGenericTrapTwo) {
    SendAndDecode({"-v", "2c", "-c", "v2community", Target(), "31337", "1.3.6.1.6.3.1.1.5.3"});
    EXPECT_EQ(record->version, 1);
    EXPECT_STREQ(record->community.data(), "v2community");
    EXPECT_EQ(record->timeStamp, 31337u);
    EXPECT_EQ(record->genericTrap, 2);
    EXPECT_EQ(record->specificTrap, 0);
    EXPECT_EQ(record->agentAddress, kLoopback);
    EXPECT_EQ(record->errorStatus, 0);
    EXPECT_EQ(record->errorIndex, 0);
    EXPECT_STREQ(record->enterprise.data(), "1.3.6.1.4.1.8072");
    EXPECT_STREQ(Binding(0).name.data(), "1.3.6.1.2.1.1.3.0");
    EXPECT_STREQ(Binding(1).name.data(), "1.3.6.1.6.3.1.1.4.1.0");
    EXPECT_STREQ(Binding(1).oidText(), "1.3.6.1.6.3.1.1.5.3");
    ExpectEveryType(2);
}

TEST_F(SnmptrapPeer, SnmpV2cEnterpriseNotificationIsOther) {
    ASSERT_EQ(RunSnmptrap({"-v", "2c", "-c", "public", Target(), "", "1.3.6.1.4.1.99999.0.5"}), 0);
    std::optional<ReceivedDatagram> datagram = socket.Receive(kArrival);
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(decoder.Decode(datagram->octets, datagram->sender, *record), kDecodeOk);
    EXPECT_EQ(record->genericTrap, 7);
    EXPECT_EQ(record->varBindCount, 2);
    EXPECT_STREQ(Binding(1).oidText(), "1.3.6.1.4.1.99999.0.5");
    EXPECT_STREQ(record->enterprise.data(), "");  // no binding is named under enterprises
}

}  // namespace

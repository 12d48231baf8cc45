#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "support/BerBuilder.h"
#include "support/MessageBoxRecorder.h"
#include "support/TrapRecords.h"
#include "users/UserStore.h"

using namespace ber;

namespace {

constexpr std::array<uint8_t, 4> kSender = {127, 0, 0, 9};

class TrapDecoderTest : public ::testing::Test {
protected:
    int Decode(Bytes datagram) { return decoder.Decode(datagram, kSender, *record, failure); }
    const VarBindEntry& Binding(int i) const {
        return record->varBinds[static_cast<std::size_t>(i)];
    }

    // Entries from varBindCount on must be untouched zero bytes.
    bool UnusedEntriesAreZero() const {
        const auto* begin = reinterpret_cast<const uint8_t*>(&record->varBinds[0]) +
                            sizeof(VarBindEntry) * static_cast<std::size_t>(record->varBindCount);
        const auto* end = reinterpret_cast<const uint8_t*>(record.get() + 1);
        return std::all_of(begin, end, [](uint8_t b) { return b == 0; });
    }

    MessageBoxRecorder boxes;
    StoreReadFailures readFailures;
    UserStore users{readFailures, {.boxes = boxes}};
    UsmKeyCache keys;
    TrapDecoder decoder{users, keys};
    std::unique_ptr<TrapRecord> record = NewTrapRecord();
    DecodeFailure failure;
};

Bytes Repeated(uint8_t octet, std::size_t count) { return Bytes(count, octet); }

std::string HexText(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += "5A ";
    return text;
}

TEST_F(TrapDecoderTest, DecodesAnSnmpV1TrapWithEveryValueType) {
    const Bytes datagram = BuildV1Trap({
        .community = "c0mm",
        .enterprise = "1.3.6.1.4.1.8072.2.3",
        .agentAddress = {10, 1, 2, 3},
        .genericTrap = 6,
        .specificTrap = 0x7FFFFFFF,
        .timeStamp = 0xFFFFFFFF,
        .varBinds =
            {
                VarBind("1.3.6.1.4.1.1.1", Integer(-1)),
                VarBind("1.3.6.1.4.1.1.2", Tlv(0x01, {0xFF})),
                VarBind("1.3.6.1.4.1.1.3", Tlv(0x03, {0xA5})),
                VarBind("1.3.6.1.4.1.1.4", OctetString(Bytes{0x00, 0xAB, 0x7F})),
                VarBind("1.3.6.1.4.1.1.5", Null()),
                VarBind("1.3.6.1.4.1.1.6", Oid("1.3.6.1.4.1.99.4294967295")),
                VarBind("1.3.6.1.4.1.1.7", Tlv(0x07, {'d', 'e', 's'})),
                VarBind("1.3.6.1.4.1.1.8", IpAddress({192, 168, 0, 1})),
                VarBind("1.3.6.1.4.1.1.9", Counter32(4000000000u)),
                VarBind("1.3.6.1.4.1.1.10", Gauge32(42)),
                VarBind("1.3.6.1.4.1.1.11", TimeTicks(360000)),
                VarBind("1.3.6.1.4.1.1.12", Tlv(0x44, {1, 2})),
                VarBind("1.3.6.1.4.1.1.13", Counter64(0xFEDCBA9876543210u)),
                VarBind("1.3.6.1.4.1.1.14", Tlv(0x80, {})),
            },
    });
    ASSERT_EQ(Decode(datagram), kDecodeOk);
    EXPECT_EQ(record->version, 0);
    EXPECT_EQ(record->sourceAddress, kSender);
    EXPECT_STREQ(record->community.data(), "c0mm");
    EXPECT_STREQ(record->enterprise.data(), "1.3.6.1.4.1.8072.2.3");
    EXPECT_EQ(record->agentAddress, (std::array<uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(record->genericTrap, 6);
    EXPECT_EQ(record->specificTrap, 0x7FFFFFFF);
    EXPECT_EQ(record->timeStamp, 0xFFFFFFFFu);
    EXPECT_EQ(record->requestId, 0);

    ASSERT_EQ(record->varBindCount, 14);
    EXPECT_STREQ(Binding(0).name.data(), "1.3.6.1.4.1.1.1");
    EXPECT_STREQ(Binding(13).name.data(), "1.3.6.1.4.1.1.14");
    EXPECT_EQ(Binding(0).tag, 0x02);
    EXPECT_EQ(Binding(0).intValue, 255u);  // INTEGER -1 is one octet 0xFF, read unsigned
    EXPECT_EQ(Binding(1).intValue, 255u);
    EXPECT_STREQ(Binding(2).bitsText(), "10100101");
    EXPECT_STREQ(Binding(3).hexText(), "00 AB 7F ");
    EXPECT_EQ(Binding(4).tag, 0x05);
    EXPECT_STREQ(Binding(5).oidText(), "1.3.6.1.4.1.99.4294967295");
    EXPECT_STREQ(Binding(6).descriptorText(), "des");
    EXPECT_EQ(Binding(7).tag, 0x40);
    EXPECT_EQ(0, std::memcmp(Binding(7).ipAddress(), "\xC0\xA8\x00\x01", 4));
    EXPECT_EQ(Binding(8).intValue, 4000000000u);
    EXPECT_EQ(Binding(9).intValue, 42u);
    EXPECT_EQ(Binding(10).tag, 0x43);
    EXPECT_EQ(Binding(10).intValue, 360000u);
    EXPECT_EQ(Binding(11).tag, 0x44);
    EXPECT_EQ(Binding(11).intValue, 0u);
    EXPECT_EQ(Binding(12).counter64(), 0xFEDCBA9876543210u);
    EXPECT_EQ(Binding(13).tag, -128);
    EXPECT_TRUE(UnusedEntriesAreZero());
}

TEST_F(TrapDecoderTest, SnmpV2cTrapTakesTimeEnterpriseAndGenericTrapFromBindings) {
    const Bytes datagram = BuildV2cTrap({
        .community = "public",
        .requestId = 0x12345678,
        .errorStatus = 5,
        .errorIndex = 2,
        .varBinds = {SysUpTimeBinding(4711), TrapOidBinding("1.3.6.1.6.3.1.1.5.3"),
                     VarBind("1.3.6.1.4.1.12345.1.1", Integer(1)),
                     VarBind("1.3.6.1.2.1.2.2.1.1.3", Integer(3)),
                     VarBind("1.3.6.1.4.1.9.2", OctetString("x"))},
    });
    ASSERT_EQ(Decode(datagram), kDecodeOk);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->requestId, 0x12345678);
    EXPECT_EQ(record->errorStatus, 5);
    EXPECT_EQ(record->errorIndex, 2);
    EXPECT_EQ(record->timeStamp, 4711u);
    EXPECT_EQ(record->genericTrap, 2);
    EXPECT_EQ(record->specificTrap, 0);
    EXPECT_STREQ(record->enterprise.data(), "1.3.6.1.4.1.9");  // the last such binding wins
    EXPECT_EQ(record->agentAddress, kSender);
    EXPECT_EQ(record->varBindCount, 5);
    EXPECT_STREQ(Binding(1).oidText(), "1.3.6.1.6.3.1.1.5.3");
}

TEST_F(TrapDecoderTest, SnmpTrapOidMapsOntoGenericTrapNumbers) {
    const struct {
        const char* trapOid;
        int32_t generic;
    } cases[] = {
        {"1.3.6.1.6.3.1.1.5.1", 0},   {"1.3.6.1.6.3.1.1.5.2", 1},
        {"1.3.6.1.6.3.1.1.5.3", 2},   {"1.3.6.1.6.3.1.1.5.3.0", 2},
        {"1.3.6.1.6.3.1.1.5.4", 3},   {"1.3.6.1.6.3.1.1.5.5", 4},
        {"1.3.6.1.6.3.1.1.5.6", 5},   {"1.3.6.1.6.3.1.1.4.3.0.0", 6},
        {"1.3.6.1.6.3.1.1.4.3.0", 7}, {"1.3.6.1.6.3.1.1.5.7", 7},
        {"1.3.6.1.6.3.1.1.5.10", 7},  {"1.3.6.1.4.1.8072.2.3.0.1", 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trapOid);
        ASSERT_EQ(Decode(BuildV2cTrap({.varBinds = {TrapOidBinding(c.trapOid)}})), kDecodeOk);
        EXPECT_EQ(record->genericTrap, c.generic);
    }
    // The value must be an OBJECT IDENTIFIER, and the name exact.
    ASSERT_EQ(Decode(BuildV2cTrap({.varBinds = {VarBind("1.3.6.1.6.3.1.1.4.1.0",
                                                        OctetString("1.3.6.1.6.3.1.1.5.1"))}})),
              kDecodeOk);
    EXPECT_EQ(record->genericTrap, 7);
    ASSERT_EQ(Decode(BuildV2cTrap(
                  {.varBinds = {VarBind("1.3.6.1.6.3.1.1.4.1.0.0", Oid("1.3.6.1.6.3.1.1.5.1"))}})),
              kDecodeOk);
    EXPECT_EQ(record->genericTrap, 7);
}

TEST_F(TrapDecoderTest, EnterpriseIsTheNameCutAfterTheArcBelowEnterprises) {
    const struct {
        const char* name;
        const char* enterprise;
    } cases[] = {
        {"1.3.6.1.4.1.311.1.2.3", "1.3.6.1.4.1.311"},
        {"1.3.6.1.4.1.42", "1.3.6.1.4.1.42"},
        {"1.3.6.1.4.1", "1.3.6.1.4.1"},
        {"1.3.6.1.2.1.1.5.0", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Decode(BuildV2cTrap({.varBinds = {VarBind(c.name, Null())}})), kDecodeOk);
        EXPECT_STREQ(record->enterprise.data(), c.enterprise);
    }
}

TEST_F(TrapDecoderTest, RefusesWhatIsNotAWellFormedTrap) {
    const Bytes v1 = BuildV1Trap({});
    const Bytes v2 = BuildV2cTrap({.varBinds = {SysUpTimeBinding(1)}});
    const Bytes binding = SysUpTimeBinding(1);
    const Bytes v2Fields = Cat({Integer(1), Integer(0), Integer(0)});
    const struct {
        const char* what;
        Bytes datagram;
        DecodeReason reason = DecodeReason::kMalformed;
    } cases[] = {
        {"empty datagram", {}},
        {"one extra octet after the message", Cat({v2, {0x00}})},
        {"message cut short", Bytes(v2.begin(), v2.end() - 1)},
        {"not a SEQUENCE", Cat({{0x31}, Bytes(v2.begin() + 1, v2.end())})},
        {"indefinite length", Cat({{0x30, 0x80}, Bytes(v2.begin() + 2, v2.end()), {0, 0}})},
        {"five length octets", Cat({{0x30, 0x85, 0, 0, 0, 0, static_cast<uint8_t>(v2.size() - 2)},
                                    Bytes(v2.begin() + 2, v2.end())})},
        {"version 2", Message(2, "public", V2TrapPdu({}))},
        {"version not an INTEGER",
         Sequence({OctetString("\x01"), OctetString("public"), V2TrapPdu({})})},
        {"community not an OCTET STRING", Sequence({Integer(1), Integer(0), V2TrapPdu({})})},
        {"SNMPv1 message with an SNMPv2 Trap-PDU", Message(0, "public", V2TrapPdu({}))},
        {"SNMPv2c message with an SNMPv1 Trap-PDU", Message(1, "public", V1TrapPdu({}))},
        {"InformRequest", Message(1, "public", Tlv(0xA6, Cat({v2Fields, Sequence({})}))),
         DecodeReason::kNotATrap},
        {"GetRequest", Message(1, "public", Tlv(0xA0, Cat({v2Fields, Sequence({})}))),
         DecodeReason::kNotATrap},
        {"Response", Message(1, "public", Tlv(0xA2, Cat({v2Fields, Sequence({})}))),
         DecodeReason::kNotATrap},
        {"PDU shorter than the message", Message(1, "public", Cat({V2TrapPdu({}), {0x05, 0x00}}))},
        {"SNMPv1 generic-trap 7", BuildV1Trap({.genericTrap = 7, .varBinds = {}})},
        {"SNMPv1 generic-trap -1", BuildV1Trap({.genericTrap = -1, .varBinds = {}})},
        {"SNMPv1 five-octet agent-addr",
         Message(0, "public",
                 Tlv(0xA4, Cat({Oid("1.3.6.1.4.1.1"), Tlv(0x40, {1, 2, 3, 4, 5}), Integer(6),
                                Integer(1), TimeTicks(0), Sequence({})})))},
        {"SNMPv1 time-stamp as INTEGER",
         Message(0, "public",
                 Tlv(0xA4, Cat({Oid("1.3.6.1.4.1.1"), IpAddress({1, 2, 3, 4}), Integer(6),
                                Integer(1), Integer(0), Sequence({})})))},
        {"SNMPv2 request-id missing", Message(1, "public", Tlv(0xA7, Sequence({})))},
        {"binding list shorter than the PDU",
         Message(1, "public", Tlv(0xA7, Cat({v2Fields, Tlv(0x30, binding), {0x05, 0x00}})))},
        {"binding list longer than the PDU",
         Message(1, "public",
                 Tlv(0xA7,
                     Cat({v2Fields, {0x30, static_cast<uint8_t>(binding.size() + 2)}, binding})))},
        {"binding not a SEQUENCE",
         BuildV2cTrap({.varBinds = {Tlv(0x31, Cat({Oid("1.3.6.1"), Null()}))}})},
        {"binding name not an OID",
         BuildV2cTrap({.varBinds = {Sequence({OctetString("1.3"), Null()})}})},
        {"binding without a value", BuildV2cTrap({.varBinds = {Sequence({Oid("1.3.6.1")})}})},
        {"value longer than the list",
         BuildV2cTrap({.varBinds = {Cat({{0x30, 0x05}, Oid("1.3"), {0x04, 0x05}})}})},
        {"negative value length",
         BuildV2cTrap({.varBinds = {Cat({{0x30, 0x06}, Oid("1.3"), {0x04, 0x82, 0xFF, 0xFF}})}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Decode(c.datagram), kDecodeMalformed);
        EXPECT_EQ(failure.reason, c.reason);
    }
    EXPECT_EQ(Decode(v1), kDecodeOk);
    EXPECT_EQ(Decode(v2), kDecodeOk);
}

TEST_F(TrapDecoderTest, RefusalTellsWhereDecodingStoppedAndTheVersionRead) {
    const Bytes pdu = V2TrapPdu({.varBinds = {SysUpTimeBinding(1)}});
    const Bytes badName = BuildV2cTrap({.varBinds = {Sequence({OctetString("1.3"), Null()})}});
    const struct {
        const char* what;
        Bytes datagram;
        std::size_t offset;
        int version;
    } cases[] = {
        {"not a SEQUENCE", Cat({{0x31}, Bytes(pdu.begin() + 1, pdu.end())}), 0, -1},
        // 30 len 02 01 [02]
        {"version 2", Message(2, "public", pdu), 4, -1},
        // 30 len 02 01 01 04 06 "public" [A6 ...]
        {"InformRequest", Message(1, "public", Tlv(0xA6, Bytes(pdu.begin() + 2, pdu.end()))), 13,
         1},
        // 30 len 02 01 00 04 06 "public" A4 len 06 03 2B 06 01 40 04 7F 00 00 01 02 01 [07]
        {"SNMPv1 generic-trap 7",
         BuildV1Trap({.enterprise = "1.3.6.1", .genericTrap = 7, .varBinds = {}}), 28, 0},
        // the binding's name, past the three INTEGERs and two SEQUENCE headers
        {"binding name not an OID", badName, 13 + 2 + 10 + 2 + 2, 1},
        {"message cut short", Bytes(badName.begin(), badName.end() - 1), 0, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Decode(c.datagram), kDecodeMalformed);
        EXPECT_EQ(failure.offset, c.offset);
        EXPECT_EQ(failure.version, c.version);
    }
}

TEST_F(TrapDecoderTest, RecordIsClearedBeforeEachDecode) {
    const Bytes big =
        BuildV2cTrap({.community = std::string(100, 'c'),
                      .varBinds = {VarBind("1.3.6.1.4.1.9.1", OctetString(Repeated(0x5A, 133))),
                                   VarBind("1.3.6.1.4.1.9.2", Counter64(~0ull))}});
    ASSERT_EQ(Decode(big), kDecodeOk);
    ASSERT_EQ(Decode(BuildV1Trap({.community = "x", .varBinds = {}})), kDecodeOk);
    EXPECT_STREQ(record->community.data(), "x");
    EXPECT_EQ(record->varBindCount, 0);
    EXPECT_TRUE(UnusedEntriesAreZero());
    EXPECT_TRUE(std::all_of(record->community.begin() + 1, record->community.end(),
                            [](char c) { return c == 0; }));
}

// The receiver's reused record clears only what the decode before wrote; what follows a
// large decode, a cut one or a failed one must equal a decode into a zeroed record.
TEST_F(TrapDecoderTest, ReusedRecordEqualsAZeroedOneAfterAnyDecode) {
    std::vector<Bytes> hundredFifty;
    for (int i = 0; i < 150; ++i)
        hundredFifty.push_back(
            VarBind("1.3.6.1.4.1.7." + std::to_string(i), OctetString(Repeated(0x5A, 133))));
    std::vector<Bytes> longThenBroken(hundredFifty.begin(), hundredFifty.begin() + 60);
    longThenBroken.push_back(Sequence({Null(), Null()}));
    const Bytes large =
        BuildV1Trap({.community = std::string(200, 'k'),
                     .varBinds = {VarBind("1.3.6.1.4.1.2.4", Tlv(0x07, Repeated('D', 300))),
                                  VarBind("1.3.6.1.4.1.2.6", Tlv(0x40, Repeated(0xEE, 20)))}});
    const Bytes cutAt100 = BuildV2cTrap({.varBinds = hundredFifty});
    const Bytes failedAfter60 = BuildV2cTrap({.varBinds = longThenBroken});
    const Bytes small = BuildV2cTrap({.community = "x", .varBinds = {SysUpTimeBinding(1)}});
    const Bytes none = BuildV1Trap({.community = "", .varBinds = {}});
    const Bytes malformed = BuildV2cTrap({.varBinds = {SysUpTimeBinding(2), Sequence({Null()})}});
    const struct {
        const char* name;
        const Bytes& first;
        const Bytes& second;
    } cases[] = {
        {"long texts, then small", large, small},
        {"cut at 100, then none", cutAt100, none},
        {"cut at 100, then failed", cutAt100, malformed},
        {"failed after 60, then small", failedAfter60, small},
        {"cut at 100, then long texts", cutAt100, large},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto reused = std::make_unique<ReusableTrapRecord>();
        Bytes first = c.first, second = c.second, again = c.second;
        DecodeFailure failure;
        // Whatever the first gives, the second decodes as it would in a fresh record.
        static_cast<void>(decoder.Decode(first, kSender, *reused, failure));
        const int result = decoder.Decode(second, kSender, *reused, failure);
        EXPECT_EQ(Decode(again), result);
        EXPECT_EQ(std::memcmp(&reused->Record(), record.get(), sizeof(TrapRecord)), 0);
    }
}

TEST_F(TrapDecoderTest, ShortAgentAddressKeepsTheSenderInTheRest) {
    const Bytes datagram =
        Message(0, "public",
                Tlv(0xA4, Cat({Oid("1.3.6.1.4.1.1"), Tlv(0x40, {10, 20}), Integer(0), Integer(0),
                               TimeTicks(0), Sequence({})})));
    ASSERT_EQ(Decode(datagram), kDecodeOk);
    EXPECT_EQ(record->agentAddress, (std::array<uint8_t, 4>{10, 20, 0, 9}));
}

TEST_F(TrapDecoderTest, LongFieldsAreCutToTheirRoom) {
    // 140 octets of identifier (1.3 then 139 arcs of 1) become text of the first 127 octets.
    std::string longOid = "1.3";
    for (int i = 0; i < 139; ++i) longOid += ".1";
    std::string bigArcs = "1.3";
    for (int i = 0; i < 30; ++i) bigArcs += ".2147483647";

    const Bytes datagram = BuildV1Trap({
        .community = std::string(200, 'k'),
        .enterprise = longOid,
        .varBinds =
            {
                VarBind(longOid, OctetString(Repeated(0x5A, 100))),
                VarBind("1.3.6.1.4.1.2.2", OctetString(Repeated(0x5A, 133))),
                VarBind("1.3.6.1.4.1.2.3", OctetString(Repeated(0x5A, 300))),
                VarBind("1.3.6.1.4.1.2.4", Tlv(0x07, Repeated('D', 300))),
                VarBind("1.3.6.1.4.1.2.5", Oid(bigArcs)),
                VarBind("1.3.6.1.4.1.2.6", Tlv(0x40, Repeated(0xEE, 20))),
                VarBind("1.3.6.1.4.1.2.7", Tlv(0x03, Repeated(0xF0, 10))),
                VarBind("1.3.6.1.4.1.2.8", Tlv(0x03, Repeated(0xFF, 4))),
            },
    });
    ASSERT_EQ(Decode(datagram), kDecodeOk);
    EXPECT_EQ(std::string(record->community.data()), std::string(127, 'k'));
    // 126 arcs after the first octet fit in 127 octets; their text "1.3" + 126 * ".1" is 255
    // characters, so the whole arcs that fit in 127 characters remain.
    const std::string cutOid = longOid.substr(0, 127);
    EXPECT_EQ(std::string(record->enterprise.data()), cutOid);
    EXPECT_EQ(std::string(Binding(0).name.data()), cutOid);
    EXPECT_EQ(std::string(Binding(0).hexText()), HexText(100));
    EXPECT_EQ(std::string(Binding(1).hexText()), HexText(133));
    EXPECT_EQ(std::string(Binding(2).hexText()), HexText(133));
    EXPECT_EQ(std::string(Binding(3).descriptorText()), std::string(271, 'D'));
    const std::string oidText = Binding(4).oidText();
    EXPECT_LE(oidText.size(), 143u);
    EXPECT_EQ(oidText, bigArcs.substr(0, oidText.size()));
    EXPECT_EQ(oidText.size(), 3 + 12 * 11u);  // whole arcs only
    EXPECT_EQ(0, std::memcmp(Binding(5).ipAddress(), Repeated(0xEE, 16).data(), 16));
    EXPECT_EQ(std::string(Binding(6).bitsText()), [] {
        std::string bits;
        for (int i = 0; i < 7; ++i) bits += "11110000";
        return bits;
    }());
    EXPECT_EQ(std::string(Binding(7).bitsText()), std::string(32, '1'));
    // Nothing ran into the next entry.
    EXPECT_STREQ(Binding(3).name.data(), "1.3.6.1.4.1.2.4");
    EXPECT_STREQ(Binding(6).name.data(), "1.3.6.1.4.1.2.7");
    EXPECT_TRUE(UnusedEntriesAreZero());
}

TEST_F(TrapDecoderTest, BindingsPastTheHundredthAreCheckedButNotStored) {
    std::vector<Bytes> bindings;
    for (int i = 0; i < 150; ++i)
        bindings.push_back(VarBind("1.3.6.1.4.1.7." + std::to_string(i), Integer(i)));
    ASSERT_EQ(Decode(BuildV2cTrap({.varBinds = bindings})), kDecodeOk);
    EXPECT_EQ(record->varBindCount, 100);
    EXPECT_STREQ(Binding(99).name.data(), "1.3.6.1.4.1.7.99");
    EXPECT_EQ(Binding(99).intValue, 99u);

    bindings.push_back(Sequence({OctetString("not a name"), Null()}));
    EXPECT_EQ(Decode(BuildV2cTrap({.varBinds = bindings})), kDecodeMalformed);
}

TEST_F(TrapDecoderTest, BindingListEdges) {
    ASSERT_EQ(Decode(BuildV2cTrap({.varBinds = {}})), kDecodeOk);
    EXPECT_EQ(record->varBindCount, 0);
    EXPECT_EQ(record->genericTrap, 7);
    EXPECT_TRUE(UnusedEntriesAreZero());

    // A last binding header with nothing after it ends the list.
    const Bytes truncated = BuildV2cTrap({.varBinds = {SysUpTimeBinding(5), {0x30, 0x00}}});
    ASSERT_EQ(Decode(truncated), kDecodeOk);
    EXPECT_EQ(record->varBindCount, 1);

    // A failure part way keeps what the bindings before it gave.
    const Bytes broken = BuildV2cTrap(
        {.varBinds = {SysUpTimeBinding(77), TrapOidBinding("1.3.6.1.6.3.1.1.5.4"),
                      VarBind("1.3.6.1.4.1.4242.1", Null()), Sequence({Null(), Null()})}});
    ASSERT_EQ(Decode(broken), kDecodeMalformed);
    EXPECT_EQ(record->varBindCount, 3);
    EXPECT_EQ(record->timeStamp, 77u);
    EXPECT_EQ(record->genericTrap, 3);
    EXPECT_STREQ(record->enterprise.data(), "1.3.6.1.4.1.4242");
    EXPECT_TRUE(UnusedEntriesAreZero());
}

}  // namespace

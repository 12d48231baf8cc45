// SNMPv3 messages built by our own sender-side helper (RFC 3414 procedures) against users
// in a temporary user store.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "crypto/UsmProtocols.h"
#include "records/DBLib.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "support/V3MessageBuilder.h"
#include "users/UserStore.h"

namespace {

using ber::Bytes;

constexpr std::array<uint8_t, 4> kSender = {192, 0, 2, 33};
constexpr std::string_view kEngineText = "80001f888001020304";

void NoSleep(std::chrono::milliseconds) {}

struct User {
    std::string name;
    int authProtocol;
    std::string authPassword;
    int privProtocol;
    std::string privPassword;
    std::string engineIdText = std::string(kEngineText);
};

class V3SecurityTest : public ::testing::Test {
protected:
    void SetUp() override { DBLib::MakeFolder("/db"); }

    void Store(const User& user) {
        ASSERT_EQ(users.AppendUser(user.name, user.authPassword, user.privPassword,
                                   user.engineIdText, user.authProtocol, user.privProtocol),
                  0);
    }

    // A trap from user at the given msgFlags, sealed with the keys the sender holds.
    static ber::V3TrapFields Trap(const User& user, uint8_t flags) {
        ber::V3TrapFields fields;
        fields.userName = user.name;
        fields.msgFlags = {flags};
        fields.authParamsLength = UsmMacLength(user.authProtocol);
        fields.privParams = {0, 0, 0, 7, 0x12, 0x34, 0x56, 0x78};
        fields.contextName = "ctx";
        fields.pdu = ber::V2TrapPdu(
            {.requestId = 99,
             .varBinds = {ber::SysUpTimeBinding(4242), ber::TrapOidBinding("1.3.6.1.6.3.1.1.5.4"),
                          ber::VarBind("1.3.6.1.4.1.8072.3.2.1", ber::OctetString("up"))}});
        return fields;
    }
    static ber::UsmSecrets Secrets(const User& user) {
        return {.authProtocol = user.authProtocol,
                .authPassword = user.authPassword,
                .privPassword = user.privPassword,
                .engineIdText = user.engineIdText,
                .privProtocol = user.privProtocol};
    }
    static Bytes Sealed(const User& user, uint8_t flags) {
        return ber::BuildV3Trap(Trap(user, flags), Secrets(user));
    }

    int Decode(Bytes datagram) { return decoder.Decode(datagram, kSender, *record, failure); }

    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    StoreReadFailures failures;
    UserStore users{failures, {.boxes = boxes, .retrySleep = NoSleep}};
    UsmKeyCache keys;
    TrapDecoder decoder{users, keys};
    std::unique_ptr<TrapRecord> record = NewTrapRecord();
    DecodeFailure failure;
};

const User kShaDes = {"sha-des", kAuthHmacSha1, "shaAuthPass", kPrivCbcDes, "shaPrivPass"};
const User kMd5Des = {"md5-des", kAuthHmacMd5, "md5AuthPass", kPrivCbcDes, "md5PrivPass"};
const User kSha = {"sha", kAuthHmacSha1, "shaOnlyPass", kPrivNone, ""};
const User kMd5 = {"md5", kAuthHmacMd5, "md5OnlyPass", kPrivNone, ""};
const User kPlain = {"plain", kAuthNone, "", kPrivNone, ""};
const User kSha256Aes = {"sha256-aes", kAuthHmacSha256, "sha256AuthPass", kPrivCfbAes128,
                         "aesPrivPass"};
const User kSha512Des = {"sha512-des", kAuthHmacSha512, "sha512AuthPass", kPrivCbcDes,
                         "desPrivPass"};
const User kMd5Aes = {"md5-aes", kAuthHmacMd5, "md5AuthPass", kPrivCfbAes128, "aesPrivPass"};
const User kSha224 = {"sha224", kAuthHmacSha224, "sha224OnlyPass", kPrivNone, ""};
const User kSha384Aes = {"sha384-aes", kAuthHmacSha384, "sha384AuthPass", kPrivCfbAes128,
                         "aesPrivPass"};

}  // namespace

TEST_F(V3SecurityTest, AcceptsEachSecurityLevelOfAStoredUser) {
    struct {
        const User& user;
        uint8_t flags;
    } const kCases[] = {{kShaDes, 3}, {kMd5Des, 3},    {kSha, 1},       {kMd5, 1},
                        {kPlain, 0},  {kSha256Aes, 3}, {kSha512Des, 3}, {kMd5Aes, 3},
                        {kSha224, 1}, {kSha384Aes, 3}};
    for (const auto& c : kCases) Store(c.user);
    for (const auto& c : kCases) {
        ASSERT_EQ(Decode(Sealed(c.user, c.flags)), kDecodeOk) << c.user.name;
        EXPECT_EQ(record->msgFlags, c.flags);
        EXPECT_STREQ(record->userName.data(), c.user.name.c_str());
        EXPECT_EQ(record->genericTrap, 3) << c.user.name;  // linkUp from snmpTrapOID
        EXPECT_EQ(record->timeStamp, 4242u);
        EXPECT_EQ(record->varBindCount, 3);
    }
}

TEST_F(V3SecurityTest, RecordHoldsTheHeaderSecurityAndContextFields) {
    Store(kShaDes);
    std::size_t macAt = 0;
    Bytes datagram = ber::BuildV3Trap(Trap(kShaDes, 3), Secrets(kShaDes), &macAt);
    const Bytes mac(datagram.begin() + macAt, datagram.begin() + macAt + 12);
    ASSERT_EQ(Decode(datagram), kDecodeOk);

    EXPECT_EQ(record->version, 3);
    EXPECT_EQ(record->msgId, 4711);
    EXPECT_EQ(record->msgMaxSize, 65507);
    EXPECT_EQ(record->msgSecurityModel, 3);
    EXPECT_EQ(record->engineIdLength, 9);
    EXPECT_EQ(Bytes(record->engineId.begin(), record->engineId.begin() + 9),
              (Bytes{0x80, 0x00, 0x1F, 0x88, 0x80, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(record->engineBoots, 7);
    EXPECT_EQ(record->engineTime, 1234);
    EXPECT_EQ(record->authParamsLength, 12);
    EXPECT_EQ(Bytes(record->authParams.begin(), record->authParams.begin() + 12), mac);
    EXPECT_EQ(record->privParamsLength, 8);
    EXPECT_EQ(record->privParams[7], 0x78);
    EXPECT_EQ(record->contextEngineIdLength, 9);
    EXPECT_EQ(record->contextEngineId[0], 0x80);
    EXPECT_EQ(record->contextNameLength, 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(record->contextName.data()), "ctx");
    EXPECT_EQ(record->requestId, 99);
    EXPECT_EQ(record->community[0], '\0');
    EXPECT_EQ(record->agentAddress, kSender);
}

TEST_F(V3SecurityTest, MsgFlagsOtherThanNoneAuthOrAuthPrivAreMalformed) {
    Store(kShaDes);
    for (uint8_t flags : {2, 4, 5, 7}) {
        ber::V3TrapFields fields = Trap(kShaDes, flags);
        EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kShaDes))), kDecodeMalformed)
            << int(flags);
    }
}

TEST_F(V3SecurityTest, MessageBelowTheUsersSecurityLevelFailsAuthentication) {
    Store(kMd5);
    Store(kShaDes);
    Store(kPlain);
    EXPECT_EQ(Decode(Sealed(kMd5, 0)), kDecodeAuthFailure);
    EXPECT_EQ(failure.reason, DecodeReason::kLevelNotAllowed);
    EXPECT_EQ(Decode(Sealed(kShaDes, 0)), kDecodeAuthFailure);
    EXPECT_EQ(failure.reason, DecodeReason::kLevelNotAllowed);
    EXPECT_EQ(Decode(Sealed(kShaDes, 1)), kDecodeAuthFailure);
    EXPECT_EQ(failure.reason, DecodeReason::kLevelNotAllowed);
    // A stored user without authentication cannot send authenticated messages.
    EXPECT_EQ(Decode(ber::BuildV3Trap(Trap(kPlain, 1), Secrets(kSha))), kDecodeAuthFailure);
    EXPECT_EQ(failure.reason, DecodeReason::kLevelNotAllowed);
}

TEST_F(V3SecurityTest, UnknownUserIsNotAuthenticatedButCannotBeDecrypted) {
    Store(kSha);
    const User stranger = {"stranger", kAuthHmacMd5, "whatever1", kPrivCbcDes, "whatever2"};
    EXPECT_EQ(Decode(Sealed(stranger, 0)), kDecodeOk);
    EXPECT_EQ(Decode(Sealed(stranger, 1)), kDecodeOk);
    EXPECT_EQ(Decode(Sealed(stranger, 3)), kDecodeDecryptFailure);
    EXPECT_EQ(failure.reason, DecodeReason::kUnknownUser);
    EXPECT_EQ(failure.version, 3);
    // Names are compared exactly, case included.
    User upper = kSha;
    upper.name = "SHA";
    upper.authPassword = "wrong-pass";
    EXPECT_EQ(Decode(Sealed(upper, 1)), kDecodeOk);
}

TEST_F(V3SecurityTest, MacMustMatchInItsFirstTwelveOctets) {
    Store(kMd5);
    std::size_t macAt = 0;
    ber::V3TrapFields fields = Trap(kMd5, 1);
    fields.authParamsLength = 16;
    const Bytes sealed = ber::BuildV3Trap(fields, Secrets(kMd5), &macAt);

    // Octets after the twelfth are neither checked nor part of the MAC (they are zeroed).
    Bytes longer = sealed;
    for (std::size_t i = 12; i < 16; ++i) longer[macAt + i] = 0xEE;
    EXPECT_EQ(Decode(longer), kDecodeOk);
    EXPECT_EQ(record->authParamsLength, 16);

    for (std::size_t octet = 0; octet < 12; ++octet) {
        Bytes flipped = sealed;
        flipped[macAt + octet] ^= uint8_t(1 << (octet % 8));
        EXPECT_EQ(Decode(flipped), kDecodeAuthFailure) << octet;
        EXPECT_EQ(failure.reason, DecodeReason::kAuthFailure);
    }
    // Any other octet of the message is covered by the MAC as well.
    Bytes changed = sealed;
    changed.back() ^= 0x01;
    EXPECT_EQ(Decode(changed), kDecodeAuthFailure);
}

TEST_F(V3SecurityTest, ShortAuthenticationParametersCountMissingOctetsAsZero) {
    Store(kSha);
    ber::V3TrapFields fields = Trap(kSha, 1);
    fields.authParamsLength = 8;
    EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kSha))), kDecodeAuthFailure);
}

TEST_F(V3SecurityTest, WrongPasswordsGiveAuthenticationOrDecryptionFailure) {
    for (const User& user : {kMd5Des, kSha256Aes}) {
        Store(user);
        User wrongAuth = user;
        wrongAuth.authPassword = "notTheAuthPass";
        EXPECT_EQ(Decode(Sealed(wrongAuth, 3)), kDecodeAuthFailure) << user.name;
        User wrongPriv = user;
        wrongPriv.privPassword = "notThePrivPass";
        EXPECT_EQ(Decode(Sealed(wrongPriv, 3)), kDecodeDecryptFailure) << user.name;
        EXPECT_EQ(failure.reason, DecodeReason::kDecryptFailure);
    }
}

// A wrong privacy key gives random octets, which now and then start with a readable SEQUENCE
// header: the context fields that do not follow are a decryption failure too. The same
// scoped PDU sent in the clear is malformed.
TEST_F(V3SecurityTest, AnUnreadableContextIsADecryptionFailureOnlyWhenEncrypted) {
    Store(kShaDes);
    Store(kSha);
    const Bytes badFirst = ber::Sequence({ber::Integer(1), ber::Integer(2)});
    const Bytes badSecond = ber::Sequence({ber::OctetString(Bytes{}), ber::Integer(2)});
    for (const Bytes& scopedPdu : {badFirst, badSecond}) {
        ber::V3TrapFields encrypted = Trap(kShaDes, 3);
        encrypted.scopedPdu = scopedPdu;
        EXPECT_EQ(Decode(ber::BuildV3Trap(encrypted, Secrets(kShaDes))), kDecodeDecryptFailure);
        EXPECT_EQ(failure.reason, DecodeReason::kDecryptFailure);
        ber::V3TrapFields clear = Trap(kSha, 1);
        clear.scopedPdu = scopedPdu;
        EXPECT_EQ(Decode(ber::BuildV3Trap(clear, Secrets(kSha))), kDecodeMalformed);
    }
}

TEST_F(V3SecurityTest, ShaTwoMacTakesExactlyItsLengthAndEveryOctetCounts) {
    Store(kSha384Aes);
    ber::V3TrapFields fields = Trap(kSha384Aes, 3);
    std::size_t macAt = 0;
    const Bytes sealed = ber::BuildV3Trap(fields, Secrets(kSha384Aes), &macAt);
    ASSERT_EQ(Decode(sealed), kDecodeOk);
    EXPECT_EQ(record->authParamsLength, 32);
    Bytes lastOctet = sealed;
    lastOctet[macAt + 31] ^= 0x80;
    EXPECT_EQ(Decode(lastOctet), kDecodeAuthFailure);

    // The right MAC in parameters one octet shorter or longer, or in the 12 of HMAC-SHA-96.
    for (std::size_t length : {31, 33, 12}) {
        fields.authParamsLength = length;
        EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kSha384Aes))), kDecodeAuthFailure)
            << length;
    }
}

TEST_F(V3SecurityTest, StoredCipherDecidesAndAesSaltIsEightOctets) {
    Store(kMd5Aes);
    Store(kMd5Des);
    // Each user sends with the other's cipher, under its own name and passwords.
    User desSender = kMd5Aes;
    desSender.privProtocol = kPrivCbcDes;
    EXPECT_EQ(Decode(Sealed(desSender, 3)), kDecodeDecryptFailure);
    User aesSender = kMd5Des;
    aesSender.privProtocol = kPrivCfbAes128;
    EXPECT_EQ(Decode(Sealed(aesSender, 3)), kDecodeDecryptFailure);

    for (std::size_t saltLength : {7, 9}) {
        ber::V3TrapFields fields = Trap(kMd5Aes, 3);
        fields.privParams.resize(saltLength);
        EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kMd5Aes))), kDecodeDecryptFailure)
            << saltLength;
    }
}

// Codes from a newer program or a damaged file: the user still demands its level, and its
// messages fail as with a wrong password.
TEST_F(V3SecurityTest, UnknownStoredProtocolsAuthenticateAndDecryptNothing) {
    Store({"auth7", 7, "authPass7", kPrivNone, ""});
    Store({"priv3", kAuthHmacSha256, "authPass3", 3, "privPass3"});
    const User auth7 = {"auth7", kAuthHmacSha1, "authPass7", kPrivNone, ""};
    EXPECT_EQ(Decode(Sealed(auth7, 0)), kDecodeAuthFailure);
    EXPECT_EQ(Decode(Sealed(auth7, 1)), kDecodeAuthFailure);
    const User priv3 = {"priv3", kAuthHmacSha256, "authPass3", kPrivCfbAes128, "privPass3"};
    EXPECT_EQ(Decode(Sealed(priv3, 1)), kDecodeAuthFailure);
    EXPECT_EQ(Decode(Sealed(priv3, 3)), kDecodeDecryptFailure);
}

TEST_F(V3SecurityTest, EmptyStoredPasswordsFailWithoutAKey) {
    Store({"noauthpw", kAuthHmacSha1, "", kPrivNone, ""});
    Store({"noprivpw", kAuthHmacSha1, "authPass1", kPrivCbcDes, ""});
    EXPECT_EQ(Decode(Sealed({"noauthpw", kAuthHmacSha1, "x", kPrivNone, ""}, 1)),
              kDecodeAuthFailure);
    EXPECT_EQ(Decode(Sealed({"noprivpw", kAuthHmacSha1, "authPass1", kPrivCbcDes, "x"}, 3)),
              kDecodeDecryptFailure);
}

TEST_F(V3SecurityTest, KeysComeFromTheStoredEngineIdNotTheMessages) {
    Store(kSha);
    ber::V3TrapFields fields = Trap(kSha, 1);
    fields.engineId = {0x80, 0x00, 0x00, 0x09, 0x03, 0xAA, 0xBB};
    EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kSha))), kDecodeOk);

    User otherEngine = kSha;
    otherEngine.engineIdText = "8000000903aabb";
    EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(otherEngine))), kDecodeAuthFailure);
}

// AES needs no fill: sixteen consecutive PDU lengths end the last block at each octet.
TEST_F(V3SecurityTest, LongEncryptedPduIsDecryptedFromItsFirstContentOctet) {
    Store(kShaDes);
    Store(kSha256Aes);
    for (const User& user : {kShaDes, kSha256Aes}) {
        for (std::size_t extra = 0; extra < 16; ++extra) {
            ber::V3TrapFields fields = Trap(user, 3);
            fields.pdu = ber::V2TrapPdu(
                {.varBinds = {ber::SysUpTimeBinding(1),
                              ber::VarBind("1.3.6.1.4.1.8072.3.2.9",
                                           ber::OctetString(std::string(170 + extra, 'x')))}});
            const Bytes datagram = ber::BuildV3Trap(fields, Secrets(user));
            ASSERT_GT(ber::ScopedPdu(fields).size(), 200u);
            ASSERT_EQ(Decode(datagram), kDecodeOk) << user.name << " " << extra;
            ASSERT_EQ(record->varBindCount, 2);
            EXPECT_EQ(std::string(record->varBinds[1].hexText()).substr(0, 6), "78 78 ");
        }
    }
}

TEST_F(V3SecurityTest, CiphertextOfPartialBlocksIsADecryptionFailure) {
    Store(kMd5Des);
    for (std::size_t drop : {1, 4, 7}) {
        ber::V3TrapFields fields = Trap(kMd5Des, 3);
        fields.dropCipherOctets = drop;
        EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(kMd5Des))), kDecodeDecryptFailure)
            << drop;
    }
}

TEST_F(V3SecurityTest, MisshapenHeaderDataOrSecurityParametersAreMalformed) {
    Store(kPlain);
    const Bytes good = Sealed(kPlain, 0);
    ASSERT_EQ(Decode(good), kDecodeOk);

    const Bytes version = ber::Integer(3);
    const Bytes usm = ber::OctetString(
        ber::Sequence({ber::OctetString(Bytes{0x80, 0x01}), ber::Integer(1), ber::Integer(2),
                       ber::OctetString("plain"), ber::OctetString(""), ber::OctetString("")}));
    const Bytes scoped =
        ber::Sequence({ber::OctetString(""), ber::OctetString(""), ber::V2TrapPdu({})});
    const auto message = [&](const Bytes& header, const Bytes& security) {
        return ber::Sequence({version, header, security, scoped});
    };
    const Bytes header = ber::Sequence(
        {ber::Integer(1), ber::Integer(1500), ber::OctetString(Bytes{0}), ber::Integer(3)});
    EXPECT_EQ(Decode(message(header, usm)), kDecodeOk);

    // Header data: an element too many, one missing, msgFlags as an INTEGER.
    EXPECT_EQ(Decode(message(
                  ber::Sequence({ber::Integer(1), ber::Integer(1500), ber::OctetString(Bytes{0}),
                                 ber::Integer(3), ber::Integer(0)}),
                  usm)),
              kDecodeMalformed);
    EXPECT_EQ(
        Decode(message(
            ber::Sequence({ber::Integer(1), ber::Integer(1500), ber::OctetString(Bytes{0})}), usm)),
        kDecodeMalformed);
    EXPECT_EQ(Decode(message(ber::Sequence({ber::Integer(1), ber::Integer(1500), ber::Integer(0),
                                            ber::Integer(3)}),
                             usm)),
              kDecodeMalformed);
    // Security parameters: without their OCTET STRING wrapper, or without msgPrivacyParameters.
    EXPECT_EQ(Decode(message(header, ber::Sequence({ber::OctetString(Bytes{0x80, 0x01})}))),
              kDecodeMalformed);
    EXPECT_EQ(Decode(message(header, ber::OctetString(ber::Sequence(
                                         {ber::OctetString(Bytes{0x80, 0x01}), ber::Integer(1),
                                          ber::Integer(2), ber::OctetString("plain"),
                                          ber::OctetString("")})))),
              kDecodeMalformed);
    // Nothing after the security parameters.
    EXPECT_EQ(Decode(ber::Sequence({version, header, usm})), kDecodeMalformed);
    // A scoped PDU that is not a SEQUENCE, in a plain message.
    EXPECT_EQ(Decode(ber::Sequence({version, header, usm, ber::OctetString(scoped)})),
              kDecodeMalformed);
}

TEST_F(V3SecurityTest, UserIsLookedUpByTheNameTheRecordKeeps) {
    const std::string name32(32, 'u');
    const User stored32 = {name32, kAuthHmacMd5, "md5AuthPass", kPrivNone, ""};
    Store(kMd5);
    Store(kMd5Des);
    Store(stored32);
    // The message's name octets, the user whose keys sealed it, and what the record keeps:
    // the message is judged as the user that the record names.
    const std::string nuls35(35, '\0');
    struct Case {
        std::string sentName;
        const User& sealer;
        std::string_view wrongPassword;  // seals with this authentication password if set
        uint8_t flags;
        int expected;
        std::string recorded;
    } const kCases[] = {
        {"md5" + nuls35, kMd5, "", 0, kDecodeAuthFailure, "md5"},
        {"md5" + nuls35, kMd5, "notMd5Pass", 1, kDecodeAuthFailure, "md5"},
        {"md5" + nuls35, kMd5, "", 1, kDecodeOk, "md5"},
        {"md5-des" + nuls35, kMd5Des, "", 1, kDecodeAuthFailure, "md5-des"},
        {"md5-des" + nuls35, kMd5Des, "", 3, kDecodeOk, "md5-des"},
        {std::string("md5\0-other", 10), kMd5, "", 0, kDecodeAuthFailure, "md5"},
        {std::string("md5\0-other", 10), kMd5, "notMd5Pass", 1, kDecodeAuthFailure, "md5"},
        {name32 + "x", stored32, "", 0, kDecodeAuthFailure, name32},
        {name32 + "x", stored32, "otherPass1", 1, kDecodeAuthFailure, name32},
        {name32 + "-extra-octets", stored32, "", 1, kDecodeOk, name32},
        // A name that stays unknown after the cut is still unauthenticated.
        {"stranger" + nuls35, kMd5, "", 0, kDecodeOk, "stranger"},
    };
    for (const Case& c : kCases) {
        User sender = c.sealer;
        if (!c.wrongPassword.empty()) sender.authPassword = c.wrongPassword;
        ber::V3TrapFields fields = Trap(sender, c.flags);
        fields.userName = c.sentName;
        const std::string label = c.recorded + " sent with " + std::to_string(c.sentName.size()) +
                                  " octets, flags " + std::to_string(c.flags);
        EXPECT_EQ(Decode(ber::BuildV3Trap(fields, Secrets(sender))), c.expected) << label;
        EXPECT_EQ(std::string(record->userName.data()), c.recorded) << label;
    }
}

namespace {

const Bytes kLocalEngineId = {0x80, 0x00, 0x00, 0x00, 0x05, 0xAA, 0xBB, 0xCC, 0xDD};
constexpr std::string_view kLocalEngineText = "8000000005AABBCCDD";

class LocalEngineTest : public V3SecurityTest {
protected:
    int DecodeAnswering(Bytes datagram) {
        const LocalEngine local{kLocalEngineId, 5, 100};
        ReusableTrapRecord target;
        const int result = decoder.Decode(datagram, kSender, target, failure, local, answer);
        *record = target.Record();
        return result;
    }
    // An inform from user to the local engine at boots 5 and time 100.
    static Bytes Inform(const User& user, uint8_t flags, std::string authPassword = "") {
        ber::V3TrapFields fields = Trap(user, flags);
        fields.engineId = fields.contextEngineId = kLocalEngineId;
        fields.engineBoots = 5;
        fields.engineTime = 100;
        fields.pdu[0] = 0xA6;
        ber::UsmSecrets secrets = Secrets(user);
        secrets.engineIdText = kLocalEngineText;
        if (!authPassword.empty()) secrets.authPassword = authPassword;
        return ber::BuildV3Trap(fields, secrets);
    }

    // A trap of kAnyEngine from engine 80 00 00 00 05 and n, authenticated with password.
    int FromEngine(TrapDecoder& decoder, uint16_t n, const std::string& password) {
        ber::V3TrapFields fields = Trap(kAnyEngine, 1);
        fields.engineId = {0x80, 0x00, 0x00, 0x00, 0x05, uint8_t(n >> 8), uint8_t(n)};
        ber::UsmSecrets secrets = Secrets(kAnyEngine);
        secrets.authPassword = password;
        static constexpr char kHex[] = "0123456789ABCDEF";
        secrets.engineIdText = "8000000005" + std::string{kHex[n >> 12], kHex[(n >> 8) & 15],
                                                          kHex[(n >> 4) & 15], kHex[n & 15]};
        Bytes datagram = ber::BuildV3Trap(fields, secrets);
        return decoder.Decode(datagram, kSender, *record, failure);
    }
    static LocalizationBudget::Clock::time_point FrozenClock() { return {}; }
    // An entry without an engine ID: it serves every engine that messages name.
    static inline const User kAnyEngine = {"any", kAuthHmacMd5, "anyAuthPass", kPrivNone, "", ""};

    AnswerFacts answer;
};

}  // namespace

TEST_F(LocalEngineTest, InformsToUsAreCheckedWithOurEngineAndAnswered) {
    Store(kSha256Aes);
    Store(kSha);
    ASSERT_EQ(DecodeAnswering(Inform(kSha256Aes, 7)), kDecodeOk);
    EXPECT_EQ(answer.kind, AnswerKind::kResponse);
    EXPECT_EQ(answer.requestId, 99);
    EXPECT_EQ(answer.securityLevel, 3);
    EXPECT_EQ(
        answer.varBindList.size(),
        ber::Sequence({ber::SysUpTimeBinding(4242), ber::TrapOidBinding("1.3.6.1.6.3.1.1.5.4"),
                       ber::VarBind("1.3.6.1.4.1.8072.3.2.1", ber::OctetString("up"))})
            .size());
    EXPECT_EQ(record->genericTrap, 3);

    const struct {
        Bytes datagram;
        DecodeReason reason;
        ReportKind report;
    } failures[] = {
        {Inform(kSha256Aes, 7, "wrongAuthPass"), DecodeReason::kAuthFailure,
         ReportKind::kWrongDigest},
        {Inform(kSha, 4), DecodeReason::kLevelNotAllowed, ReportKind::kUnsupportedSecLevel},
        {Inform({"nobody", kAuthHmacSha1, "whatever1", kPrivNone, ""}, 5),
         DecodeReason::kUnknownUser, ReportKind::kUnknownUserName},
    };
    for (const auto& f : failures) {
        EXPECT_NE(DecodeAnswering(f.datagram), kDecodeOk);
        EXPECT_EQ(failure.reason, f.reason);
        EXPECT_EQ(answer.kind, AnswerKind::kReport);
        EXPECT_EQ(answer.report, f.report);
    }
}

TEST_F(LocalEngineTest, ReportableFlagOnlyForInformsAndDiscovery) {
    Store(kSha);
    // A trap to another engine decodes as before, with nothing to answer.
    ASSERT_EQ(DecodeAnswering(Sealed(kSha, 1)), kDecodeOk);
    EXPECT_EQ(answer.kind, AnswerKind::kNone);
    // Reportable and for another engine: a probe, told our engine ID at noAuthNoPriv.
    EXPECT_EQ(DecodeAnswering(Sealed(kPlain, 4)), kDecodeMalformed);
    EXPECT_EQ(failure.reason, DecodeReason::kDiscovery);
    EXPECT_EQ(answer.report, ReportKind::kUnknownEngineId);
    EXPECT_EQ(answer.securityLevel, 0);
    // A reportable trap to our engine stays refused.
    ber::V3TrapFields fields = Trap(kSha, 5);
    fields.engineId = kLocalEngineId;
    fields.engineBoots = 5;
    fields.engineTime = 100;
    ber::UsmSecrets secrets = Secrets(kSha);
    secrets.engineIdText = kLocalEngineText;
    EXPECT_EQ(DecodeAnswering(ber::BuildV3Trap(fields, secrets)), kDecodeMalformed);
    EXPECT_EQ(answer.kind, AnswerKind::kNone);
}

// An entry without an engine ID localizes with each message's engine; new engines are
// bounded per second, engines already cached keep being served. The budget's clock stands
// still here, so the bound does not depend on how fast keys are made.
TEST_F(LocalEngineTest, NewEnginesOfAnEntryWithoutEngineIdAreBounded) {
    Store(kAnyEngine);
    UsmKeyCache frozenKeys(kNewEngineLocalizationsPerSecond, FrozenClock);
    TrapDecoder frozen{users, frozenKeys};
    ASSERT_EQ(FromEngine(frozen, 1, kAnyEngine.authPassword), kDecodeOk);
    bool limited = false;
    for (uint16_t n = 2; n < 600 && !limited; ++n)
        limited = FromEngine(frozen, n, kAnyEngine.authPassword) != kDecodeOk;
    ASSERT_TRUE(limited) << "more than 50 new engines a second were localized";
    EXPECT_EQ(failure.reason, DecodeReason::kNewEngineLimit);
    EXPECT_EQ(FromEngine(frozen, 1, kAnyEngine.authPassword), kDecodeOk);
}

// A flood of forged engine IDs with wrong digests takes the whole budget of new engines and
// more keys than the cache holds; the engines that had authenticated before keep their
// keys and are received throughout.
TEST_F(LocalEngineTest, AForgedEngineFloodLocksNoKnownEngineOut) {
    Store(kAnyEngine);
    UsmKeyCache frozenKeys(kUsmKeyCacheSize + 50, FrozenClock);
    TrapDecoder frozen{users, frozenKeys};
    for (uint16_t known = 1; known <= 10; ++known)
        ASSERT_EQ(FromEngine(frozen, known, kAnyEngine.authPassword), kDecodeOk) << known;
    std::size_t localized = 0;  // forged messages that got a key and failed their digest
    for (uint16_t n = 1000; n < 1000 + kUsmKeyCacheSize + 100; ++n) {
        ASSERT_EQ(FromEngine(frozen, n, "forgedPassword"), kDecodeAuthFailure);
        localized += failure.reason == DecodeReason::kAuthFailure;
    }
    EXPECT_GE(localized, kUsmKeyCacheSize) << "the flood did not fill the cache";
    EXPECT_EQ(failure.reason, DecodeReason::kNewEngineLimit) << "the flood left budget";
    for (uint16_t known = 1; known <= 10; ++known)
        EXPECT_EQ(FromEngine(frozen, known, kAnyEngine.authPassword), kDecodeOk) << known;
}

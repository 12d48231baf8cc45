// net-snmp's snmptrap sends SNMPv3 traps at every security level to a loopback socket of the
// test; they are decoded against users in a temporary user store.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "crypto/UsmProtocols.h"
#include "records/DBLib.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "support/LoopbackUdpSocket.h"
#include "support/MessageBoxRecorder.h"
#include "support/SnmptrapRunner.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"
#include "users/UserStore.h"

namespace {

constexpr auto kArrival = std::chrono::seconds(5);
constexpr std::string_view kEngineIdText = "80001F8880CAFE0001";
const std::vector<uint8_t> kEngineId = {0x80, 0x00, 0x1F, 0x88, 0x80, 0xCA, 0xFE, 0x00, 0x01};

struct PeerUser {
    std::string name;
    int authProtocol;
    std::string authPassword;
    int privProtocol;
    std::string privPassword;
};

const PeerUser kUsers[] = {
    {"plainuser", kAuthNone, "", kPrivNone, ""},
    {"md5user", kAuthHmacMd5, "md5authpass", kPrivNone, ""},
    {"shauser", kAuthHmacSha1, "shaauthpass", kPrivNone, ""},
    {"md5des", kAuthHmacMd5, "md5desauth", kPrivCbcDes, "md5despriv"},
    {"shades", kAuthHmacSha1, "shadesauth", kPrivCbcDes, "shadespriv"},
    {"md5aes", kAuthHmacMd5, "md5aesauth", kPrivCfbAes128, "md5aespriv"},
    {"shaaes", kAuthHmacSha1, "shaaesauth", kPrivCfbAes128, "shaaespriv"},
    {"sha224", kAuthHmacSha224, "sha224auth", kPrivNone, ""},
    {"sha256", kAuthHmacSha256, "sha256auth", kPrivNone, ""},
    {"sha384", kAuthHmacSha384, "sha384auth", kPrivNone, ""},
    {"sha512", kAuthHmacSha512, "sha512auth", kPrivNone, ""},
    {"sha224des", kAuthHmacSha224, "sha224auth", kPrivCbcDes, "sha224priv"},
    {"sha256des", kAuthHmacSha256, "sha256auth", kPrivCbcDes, "sha256priv"},
    {"sha384des", kAuthHmacSha384, "sha384auth", kPrivCbcDes, "sha384priv"},
    {"sha512des", kAuthHmacSha512, "sha512auth", kPrivCbcDes, "sha512priv"},
    {"sha224aes", kAuthHmacSha224, "sha224auth", kPrivCfbAes128, "sha224priv"},
    {"sha256aes", kAuthHmacSha256, "sha256auth", kPrivCfbAes128, "sha256priv"},
    {"sha384aes", kAuthHmacSha384, "sha384auth", kPrivCfbAes128, "sha384priv"},
    {"sha512aes", kAuthHmacSha512, "sha512auth", kPrivCfbAes128, "sha512priv"},
};

// What snmptrap is told to send: its user, level and passwords.
struct Sent {
    std::string user;
    std::string level;  // noAuthNoPriv, authNoPriv, authPriv
    std::string auth;   // MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512
    std::string authPassword;
    std::string privPassword;
    std::string priv = "DES";  // DES or AES
};

class SnmptrapV3Peer : public ::testing::Test {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty()) GTEST_SKIP() << "snmptrap (Debian package snmp) is missing";
        ASSERT_TRUE(socket.IsOpen());
        DBLib::MakeFolder("/db");
        for (const PeerUser& u : kUsers) {
            ASSERT_EQ(users.AppendUser(u.name, u.authPassword, u.privPassword, kEngineIdText,
                                       u.authProtocol, u.privProtocol),
                      0);
        }
    }

    // Sends one linkDown trap with snmptrap and decodes what arrives.
    int SendAndDecode(const Sent& sent) {
        std::vector<std::string> arguments = {"-v", "3",
                                              "-e", "0x" + std::string(kEngineIdText),
                                              "-E", "0x" + std::string(kEngineIdText),
                                              "-u", sent.user,
                                              "-l", sent.level,
                                              "-n", "trapctx"};
        if (sent.level != "noAuthNoPriv")
            arguments.insert(arguments.end(), {"-a", sent.auth, "-A", sent.authPassword});
        if (sent.level == "authPriv")
            arguments.insert(arguments.end(), {"-x", sent.priv, "-X", sent.privPassword});
        arguments.insert(arguments.end(), {"127.0.0.1:" + std::to_string(socket.Port()), "4711",
                                           "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.2.1.2.2.1.1.7", "i", "7",
                                           "1.3.6.1.4.1.8072.9.7", "s", "v3 peer"});
        EXPECT_EQ(RunSnmptrap(arguments), 0);
        std::optional<ReceivedDatagram> datagram = socket.Receive(kArrival);
        if (!datagram) {
            ADD_FAILURE() << "no datagram from snmptrap";
            return -1;
        }
        return decoder.Decode(datagram->octets, datagram->sender, *record);
    }

    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    StoreReadFailures failures;
    UserStore users{failures, {.boxes = boxes}};
    LoopbackUdpSocket socket;
    UsmKeyCache keys;
    TrapDecoder decoder{users, keys};
    std::unique_ptr<TrapRecord> record = NewTrapRecord();
};

}  // namespace

TEST_F(SnmptrapV3Peer, EachSecurityLevelDecodesFieldByField) {
    struct {
        Sent sent;
        int flags;
        int authLength;
        int privLength;
    } const kCases[] = {
        {{"plainuser", "noAuthNoPriv", "", "", ""}, 0, 0, 0},
        {{"md5user", "authNoPriv", "MD5", "md5authpass", ""}, 1, 12, 0},
        {{"shauser", "authNoPriv", "SHA", "shaauthpass", ""}, 1, 12, 0},
        {{"md5des", "authPriv", "MD5", "md5desauth", "md5despriv"}, 3, 12, 8},
        {{"shades", "authPriv", "SHA", "shadesauth", "shadespriv"}, 3, 12, 8},
        {{"md5aes", "authPriv", "MD5", "md5aesauth", "md5aespriv", "AES"}, 3, 12, 8},
        {{"shaaes", "authPriv", "SHA", "shaaesauth", "shaaespriv", "AES"}, 3, 12, 8},
        {{"sha224", "authNoPriv", "SHA-224", "sha224auth", ""}, 1, 16, 0},
        {{"sha256", "authNoPriv", "SHA-256", "sha256auth", ""}, 1, 24, 0},
        {{"sha384", "authNoPriv", "SHA-384", "sha384auth", ""}, 1, 32, 0},
        {{"sha512", "authNoPriv", "SHA-512", "sha512auth", ""}, 1, 48, 0},
        {{"sha224des", "authPriv", "SHA-224", "sha224auth", "sha224priv"}, 3, 16, 8},
        {{"sha256des", "authPriv", "SHA-256", "sha256auth", "sha256priv"}, 3, 24, 8},
        {{"sha384des", "authPriv", "SHA-384", "sha384auth", "sha384priv"}, 3, 32, 8},
        {{"sha512des", "authPriv", "SHA-512", "sha512auth", "sha512priv"}, 3, 48, 8},
        {{"sha224aes", "authPriv", "SHA-224", "sha224auth", "sha224priv", "AES"}, 3, 16, 8},
        {{"sha256aes", "authPriv", "SHA-256", "sha256auth", "sha256priv", "AES"}, 3, 24, 8},
        {{"sha384aes", "authPriv", "SHA-384", "sha384auth", "sha384priv", "AES"}, 3, 32, 8},
        {{"sha512aes", "authPriv", "SHA-512", "sha512auth", "sha512priv", "AES"}, 3, 48, 8},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.sent.user);
        ASSERT_EQ(SendAndDecode(c.sent), kDecodeOk);
        const TrapRecord& r = *record;
        EXPECT_EQ(r.version, 3);
        EXPECT_EQ(r.msgFlags, c.flags);
        EXPECT_EQ(r.msgSecurityModel, 3);
        EXPECT_GE(r.msgMaxSize, 484);
        EXPECT_EQ(r.engineIdLength, 9);
        EXPECT_EQ(std::vector<uint8_t>(r.engineId.begin(), r.engineId.begin() + 9), kEngineId);
        EXPECT_STREQ(r.userName.data(), c.sent.user.c_str());
        EXPECT_EQ(r.authParamsLength, c.authLength);
        EXPECT_EQ(r.privParamsLength, c.privLength);
        EXPECT_EQ(r.contextEngineIdLength, 9);
        EXPECT_EQ(std::vector<uint8_t>(r.contextEngineId.begin(), r.contextEngineId.begin() + 9),
                  kEngineId);
        EXPECT_EQ(r.contextNameLength, 7);
        EXPECT_STREQ(reinterpret_cast<const char*>(r.contextName.data()), "trapctx");
        EXPECT_EQ(r.community[0], '\0');
        EXPECT_EQ(r.genericTrap, 2);  // linkDown
        EXPECT_EQ(r.specificTrap, 0);
        EXPECT_EQ(r.timeStamp, 4711u);
        EXPECT_STREQ(r.enterprise.data(), "1.3.6.1.4.1.8072");
        ASSERT_EQ(r.varBindCount, 4);
        EXPECT_STREQ(r.varBinds[2].name.data(), "1.3.6.1.2.1.2.2.1.1.7");
        EXPECT_EQ(r.varBinds[2].intValue, 7u);
        EXPECT_STREQ(r.varBinds[3].hexText(), "76 33 20 70 65 65 72 ");  // "v3 peer"
    }
}

TEST_F(SnmptrapV3Peer, FailedChecksGiveTheirResults) {
    struct {
        Sent sent;
        int result;
    } const kCases[] = {
        {{"shades", "authPriv", "SHA", "wrongauth1", "shadespriv"}, kDecodeAuthFailure},
        {{"md5user", "authNoPriv", "MD5", "wrongauth1", ""}, kDecodeAuthFailure},
        {{"shades", "authPriv", "SHA", "shadesauth", "wrongpriv1"}, kDecodeDecryptFailure},
        {{"stranger", "authPriv", "SHA", "strangerauth", "strangerpriv"}, kDecodeDecryptFailure},
        // Stored with a stronger level than the message carries.
        {{"shades", "authNoPriv", "SHA", "shadesauth", ""}, kDecodeAuthFailure},
        {{"md5user", "noAuthNoPriv", "", "", ""}, kDecodeAuthFailure},
        // The stored protocol decides: an MD5 MAC does not pass for a SHA user, a SHA-256
        // MAC not for a SHA-384 user, DES not for an AES user nor AES for a DES user.
        {{"shauser", "authNoPriv", "MD5", "shaauthpass", ""}, kDecodeAuthFailure},
        {{"sha384", "authNoPriv", "SHA-256", "sha384auth", ""}, kDecodeAuthFailure},
        {{"sha256aes", "authPriv", "SHA-256", "sha256auth", "sha256priv", "DES"},
         kDecodeDecryptFailure},
        {{"sha256des", "authPriv", "SHA-256", "sha256auth", "sha256priv", "AES"},
         kDecodeDecryptFailure},
        {{"sha512aes", "authPriv", "SHA-512", "wrongauth1", "sha512priv", "AES"},
         kDecodeAuthFailure},
        {{"md5aes", "authPriv", "MD5", "md5aesauth", "wrongpriv1", "AES"}, kDecodeDecryptFailure},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.sent.user + " " + c.sent.level + " " + c.sent.authPassword + " " +
                     c.sent.privPassword);
        EXPECT_EQ(SendAndDecode(c.sent), c.result);
    }
}

// The sending side of the inform benchmark (bench/informs/run.sh): informs to 127.0.0.1:PORT
// with at most 64 unanswered at a time, counting the Responses that come back.
//   run v2c PORT COUNT                        SNMPv2c, community "public"
//   run v3 PORT COUNT USER AUTHPASS PRIVPASS  SNMPv3 authPriv, HMAC-SHA-256 and CFB-AES-128,
//                                             after discovering the receiver's engine
//   adduser NAME AUTHPASS PRIVPASS            an SHA-256+AES user without engine ID in the
//                                             user store of $OLIXTRAP_HOME
// Prints "answered N of COUNT in S s: R/s"; an inform not answered within a second is missed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "crypto/Aes.h"
#include "platform/MessageBox.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "snmp/BerReader.h"
#include "snmp/UsmKeyCache.h"
#include "snmp/engine/BerWriter.h"
#include "users/UserStore.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr std::size_t kWindow = 64;
constexpr auto kAnswerWait = std::chrono::seconds(1);
constexpr int kSha256 = kAuthHmacSha256;

const Bytes kSysUpTime = {0x2B, 6, 1, 2, 1, 1, 3, 0};
const Bytes kSnmpTrapOid = {0x2B, 6, 1, 6, 3, 1, 1, 4, 1, 0};
const Bytes kLinkDown = {0x2B, 6, 1, 6, 3, 1, 1, 5, 3};

struct Receiver {
    int fd = -1;
    sockaddr_in address{};
};

void WritePdu(BerWriter& w, int32_t requestId) {
    w.Open(0xA6);
    w.Integer(requestId);
    w.Integer(0);
    w.Integer(0);
    w.Open(0x30);
    w.Open(0x30);
    w.Octets(0x06, kSysUpTime);
    w.Unsigned(0x43, 4200);
    w.Close();
    w.Open(0x30);
    w.Octets(0x06, kSnmpTrapOid);
    w.Octets(0x06, kLinkDown);
    w.Close();
    w.Close();
    w.Close();
}

Bytes V2cInform(int32_t requestId) {
    BerWriter w;
    w.Open(0x30);
    w.Integer(1);
    const std::string community = "public";
    w.Octets(0x04, {reinterpret_cast<const uint8_t*>(community.data()), community.size()});
    WritePdu(w, requestId);
    w.Close();
    return std::move(w.Bytes());
}

// Reads msgID, msgFlags and the security parameters' engine ID, boots and time of an
// SNMPv3 message; false when it is not one.
struct V3Header {
    int32_t msgId = 0;
    uint8_t flags = 0;
    Bytes engineId;
    int32_t boots = 0;
    int32_t time = 0;
};
bool ReadV3Header(Bytes& message, V3Header& header) {
    BerReader reader(message);
    BerHeader outer, element, global, wrapper, parameters;
    if (reader.ReadHeader(outer) != 0 || reader.ReadElement(0x02, element) != 0) return false;
    if (reader.ReadElement(0x30, global) != 0 || reader.ReadElement(0x04, wrapper) != 0)
        return false;
    BerReader globalReader = reader.Inner(global.content);
    if (globalReader.ReadElement(0x02, element) != 0) return false;
    header.msgId = int32_t(ReadUnsigned32(element.content));
    if (globalReader.ReadElement(0x02, element) != 0 ||
        globalReader.ReadElement(0x04, element) != 0)
        return false;
    header.flags = element.content.empty() ? 0 : element.content[0];
    BerReader wrapped = reader.Inner(wrapper.content);
    if (wrapped.ReadElement(0x30, parameters) != 0) return false;
    BerReader fields = reader.Inner(parameters.content);
    if (fields.ReadElement(0x04, element) != 0) return false;
    header.engineId.assign(element.content.begin(), element.content.end());
    if (fields.ReadElement(0x02, element) != 0) return false;
    header.boots = int32_t(ReadUnsigned32(element.content));
    if (fields.ReadElement(0x02, element) != 0) return false;
    header.time = int32_t(ReadUnsigned32(element.content));
    return true;
}

// An SNMPv3 message up to its security parameters' sequence, left open for them (RFC 3412
// 6: version, msgGlobalData with the USM as the security model).
constexpr uint8_t kReportable = 0x04;
constexpr uint8_t kAuthPrivReportable = 0x07;
void OpenV3Message(BerWriter& w, int32_t msgId, uint8_t flags) {
    w.Open(0x30);
    w.Integer(3);
    w.Open(0x30);
    w.Integer(msgId);
    w.Integer(65507);
    w.Octets(0x04, {&flags, 1});
    w.Integer(3);
    w.Close();
    w.Open(0x04);
    w.Open(0x30);
}

class V3Informs {
public:
    V3Informs(std::string user, std::string authPassword, std::string privPassword)
        : m_user(std::move(user)),
          m_authPassword(std::move(authPassword)),
          m_privPassword(std::move(privPassword)) {}

    // RFC 3414 4: a reportable probe; the report tells the engine ID, boots and time.
    bool Discover(const Receiver& receiver) {
        BerWriter w;
        OpenV3Message(w, 1, kReportable);
        for (int i = 0; i < 6; ++i) (i == 1 || i == 2) ? w.Integer(0) : w.Octets(0x04, {});
        w.Close();
        w.Close();
        w.Open(0x30);
        w.Octets(0x04, {});
        w.Octets(0x04, {});
        w.Open(0xA0);
        w.Integer(1);
        w.Integer(0);
        w.Integer(0);
        w.Open(0x30);
        w.Close();
        w.Close();
        w.Close();
        w.Close();
        const Bytes& probe = w.Bytes();
        sendto(receiver.fd, probe.data(), probe.size(), 0,
               reinterpret_cast<const sockaddr*>(&receiver.address), sizeof receiver.address);
        pollfd waited{receiver.fd, POLLIN, 0};
        if (poll(&waited, 1, 3000) != 1) return false;
        Bytes report(2048);
        const ssize_t got = recv(receiver.fd, report.data(), report.size(), 0);
        if (got <= 0) return false;
        report.resize(std::size_t(got));
        V3Header header;
        if (!ReadV3Header(report, header) || header.engineId.empty()) return false;
        m_engineId = header.engineId;
        m_boots = header.boots;
        m_time = header.time;
        m_discoveredAt = Clock::now();
        const CachedKey key = m_keys.Localize(kSha256, m_privPassword, m_engineId);
        if (!key) return false;
        m_cipher.emplace(std::span(key->key).first<16>(), kAesEncrypt);
        return true;
    }

    Bytes Inform(int32_t msgId) {
        const int32_t time =
            m_time +
            int32_t(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - m_discoveredAt)
                        .count());
        BerWriter scopedWriter;
        scopedWriter.Open(0x30);
        scopedWriter.Octets(0x04, m_engineId);
        scopedWriter.Octets(0x04, {});
        WritePdu(scopedWriter, msgId);
        scopedWriter.Close();
        Bytes& scoped = scopedWriter.Bytes();
        std::array<uint8_t, 8> salt;
        for (int i = 0; i < 8; ++i)
            salt[std::size_t(i)] = uint8_t(uint64_t(++m_salt) >> (56 - 8 * i));
        AesBlock iv;
        for (int i = 0; i < 4; ++i) {
            iv[std::size_t(i)] = uint8_t(uint32_t(m_boots) >> (24 - 8 * i));
            iv[std::size_t(4 + i)] = uint8_t(uint32_t(time) >> (24 - 8 * i));
        }
        std::copy(salt.begin(), salt.end(), iv.begin() + 8);
        m_cipher->Crypt(iv, scoped);
        BerWriter data;
        data.Octets(0x04, scoped);

        constexpr std::size_t kMac = 24;  // usmHMAC192SHA256AuthProtocol
        const std::array<uint8_t, kMac> zeros{};
        BerWriter w;
        OpenV3Message(w, msgId, kAuthPrivReportable);
        w.Octets(0x04, m_engineId);
        w.Integer(m_boots);
        w.Integer(time);
        w.Octets(0x04, {reinterpret_cast<const uint8_t*>(m_user.data()), m_user.size()});
        w.Octets(0x04, zeros);
        w.Octets(0x04, salt);
        w.Close();
        w.Close();
        w.Raw(data.Bytes());
        w.Close();
        Bytes message = std::move(w.Bytes());
        const std::size_t macAt = message.size() - data.Bytes().size() - (2 + salt.size()) - kMac;
        const CachedKey key = m_keys.Localize(kSha256, m_authPassword, m_engineId);
        UsmKey mac;
        if (key && key->hmac.Sign(message, mac))
            std::copy_n(mac.begin(), kMac, message.begin() + std::ptrdiff_t(macAt));
        return message;
    }

private:
    std::string m_user, m_authPassword, m_privPassword;
    Bytes m_engineId;
    UsmKeyCache m_keys;
    int32_t m_boots = 0, m_time = 0;
    Clock::time_point m_discoveredAt;
    std::optional<Aes128Cfb> m_cipher;
    uint64_t m_salt = 0;
};

// The id an answer is matched by: the Response's request-id (SNMPv2c) or the msgID of an
// SNMPv3 Response, which comes at authPriv (a report would not); -1 for anything else.
int64_t AnswerId(Bytes& answer, bool v3) {
    if (v3) {
        V3Header header;
        return ReadV3Header(answer, header) && header.flags == 3 ? header.msgId : -1;
    }
    BerReader reader(answer);
    BerHeader outer, element, pdu;
    if (reader.ReadHeader(outer) != 0 || reader.ReadElement(0x02, element) != 0 ||
        reader.ReadElement(0x04, element) != 0 || reader.ReadHeader(pdu) != 0 ||
        (pdu.tag & 0xFF) != 0xA2)
        return -1;
    BerReader content = reader.Inner(pdu.content);
    if (content.ReadElement(0x02, element) != 0) return -1;
    return int32_t(ReadUnsigned32(element.content));
}

int Run(bool v3, uint16_t port, int count, V3Informs* informs) {
    Receiver receiver;
    receiver.fd = socket(AF_INET, SOCK_DGRAM, 0);
    receiver.address.sin_family = AF_INET;
    receiver.address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    receiver.address.sin_port = htons(port);
    if (receiver.fd < 0 ||
        connect(receiver.fd, reinterpret_cast<const sockaddr*>(&receiver.address),
                sizeof receiver.address) != 0) {
        std::perror("socket");
        return 1;
    }
    if (v3 && !informs->Discover(receiver)) {
        std::fprintf(stderr, "no report to the discovery probe\n");
        return 1;
    }
    std::unordered_map<int32_t, Clock::time_point> outstanding;
    int sent = 0, answered = 0, missed = 0;
    Bytes buffer(4096);
    const auto start = Clock::now();
    while (answered + missed < count) {
        while (outstanding.size() < kWindow && sent < count) {
            const int32_t id = 1000 + sent++;
            const Bytes inform = v3 ? informs->Inform(id) : V2cInform(id);
            send(receiver.fd, inform.data(), inform.size(), 0);
            outstanding.emplace(id, Clock::now());
        }
        pollfd waited{receiver.fd, POLLIN, 0};
        if (poll(&waited, 1, 100) == 1) {
            buffer.resize(4096);
            const ssize_t got = recv(receiver.fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (got > 0) {
                buffer.resize(std::size_t(got));
                const int64_t id = AnswerId(buffer, v3);
                if (id >= 0 && outstanding.erase(int32_t(id)) == 1) ++answered;
            }
        }
        const auto now = Clock::now();
        for (auto it = outstanding.begin(); it != outstanding.end();) {
            if (now - it->second > kAnswerWait) {
                it = outstanding.erase(it);
                ++missed;
            } else {
                ++it;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("answered %d of %d in %.2f s: %.0f/s\n", answered, count, seconds,
                answered / seconds);
    close(receiver.fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "run" && argc == 5 && std::string(argv[2]) == "v2c")
        return Run(false, uint16_t(std::atoi(argv[3])), std::atoi(argv[4]), nullptr);
    if (command == "run" && argc == 8 && std::string(argv[2]) == "v3") {
        V3Informs informs(argv[5], argv[6], argv[7]);
        return Run(true, uint16_t(std::atoi(argv[3])), std::atoi(argv[4]), &informs);
    }
    if (command == "adduser" && argc == 5) {
        DBLib::MakeFolder("/db");
        StandardErrorBoxes boxes;
        StoreReadFailures readFailures;
        UserStore users(readFailures, {.boxes = boxes});
        const int result = users.AppendUser(argv[2], argv[3], argv[4], "", kSha256, kPrivCfbAes128);
        return result == 0 ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: %s run v2c PORT COUNT | run v3 PORT COUNT USER AUTHPASS PRIVPASS | "
                 "adduser NAME AUTHPASS "
                 "PRIVPASS\n",
                 argv[0]);
    return 2;
}

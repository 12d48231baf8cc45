#include "snmp/engine/AnswerBuilder.h"

#include <sys/random.h>

#include "crypto/Aes.h"
#include "crypto/Des.h"
#include "platform/FixedText.h"
#include "snmp/BerTags.h"
#include "snmp/UsmKeyCache.h"
#include "snmp/engine/BerWriter.h"

namespace {

// The largest message this receiver reads: its receive buffer.
constexpr int32_t kLocalMaxMessageSize = 1024;
constexpr int32_t kSnmpV3Version = 3;  // the version field of SNMPv3 (RFC 3412 6)
constexpr int32_t kUsmSecurityModel = 3;
constexpr uint8_t kAuthFlag = 1;
constexpr uint8_t kPrivFlag = 2;
constexpr std::size_t kSaltOctets = 8;
constexpr std::size_t kMaxAdminString = 32;  // user and context names (RFC 3411)

uint64_t RandomStart() {
    uint64_t start = 0;
    if (getrandom(&start, sizeof start, 0) != ssize_t(sizeof start)) start = 0;
    return start;
}

void PutBigEndian(uint64_t value, std::size_t octets, uint8_t* out) {
    for (std::size_t i = 0; i < octets; ++i) out[i] = uint8_t(value >> (8 * (octets - 1 - i)));
}

// The PDU of the answer: a Response with the request's bindings, or a Report of one counter.
void WritePdu(BerWriter& writer, const AnswerFacts& facts, uint32_t reportValue) {
    const bool response = facts.kind == AnswerKind::kResponse;
    writer.Open(uint8_t(response ? kPduResponse : kPduReport));
    writer.Integer(facts.requestId);
    writer.Integer(0);
    writer.Integer(0);
    if (response) {
        writer.Raw(facts.varBindList);
    } else {
        writer.Open(uint8_t(kTagSequence));
        writer.Open(uint8_t(kTagSequence));
        writer.Octets(uint8_t(kTagOid), UsmStatsOidContent(facts.report));
        writer.Unsigned(uint8_t(kTagCounter32), reportValue);
        writer.Close();
        writer.Close();
    }
    writer.Close();
}

int BuildCommunityAnswer(const AnswerFacts& facts, uint32_t reportValue,
                         std::vector<uint8_t>& out) {
    // Reports belong to SNMPv3 only.
    if (facts.kind != AnswerKind::kResponse) return 1;
    BerWriter writer;
    writer.Open(uint8_t(kTagSequence));
    writer.Integer(facts.version);
    writer.Octets(uint8_t(kTagOctetString), facts.community);
    WritePdu(writer, facts, reportValue);
    writer.Close();
    out = std::move(writer.Bytes());
    return 0;
}

// A report answers at noAuthNoPriv, but for a message outside the time window, which is
// told the time authenticated (RFC 3414 3.2 step 7a); a Response at the request's level.
uint8_t AnswerLevel(const AnswerFacts& facts) {
    if (facts.kind == AnswerKind::kResponse) return facts.securityLevel;
    return facts.report == ReportKind::kNotInTimeWindow ? kAuthFlag : 0;
}

}  // namespace

std::vector<uint8_t> UsmStatsOidContent(ReportKind kind) {
    return {0x2B, 6, 1, 6, 3, 15, 1, 1, uint8_t(kind), 0};
}

AnswerBuilder::AnswerBuilder(UsmKeyCache& keys)
    : keys_(keys), desSalt_(uint32_t(RandomStart())), aesSalt_(RandomStart()) {}

// Encrypts the scoped PDU in place and gives the privacy parameters (the salt).
bool AnswerBuilder::Encrypt(const AnswerFacts& facts, const LocalEngine& local,
                            std::vector<uint8_t>& scoped, std::span<uint8_t, kSaltOctets> salt) {
    const UserEntry& user = facts.user;
    const CachedKey key =
        keys_.Localize(user.authProtocol, FixedTextView(user.privPassword), local.engineId);
    if (!key) return false;
    if (user.privProtocol == kPrivCfbAes128) {
        PutBigEndian(aesSalt_.fetch_add(1), kSaltOctets, salt.data());
        AesBlock iv;
        PutBigEndian(uint32_t(local.boots), 4, iv.data());
        PutBigEndian(uint32_t(local.time), 4, iv.data() + 4);
        std::copy(salt.begin(), salt.end(), iv.begin() + 8);
        Aes128Cfb cipher(std::span(key->key).first<16>(), kAesEncrypt);
        return cipher.Crypt(iv, scoped);
    }
    if (user.privProtocol != kPrivCbcDes) return false;
    PutBigEndian(uint32_t(local.boots), 4, salt.data());
    PutBigEndian(desSalt_.fetch_add(1), 4, salt.data() + 4);
    scoped.resize((scoped.size() + 7) / 8 * 8, 0);  // RFC 3414 8.1.1.2: whole blocks
    DesBlock desKey, preIv, iv;
    std::copy_n(key->key.begin(), 8, desKey.begin());
    std::copy_n(key->key.begin() + 8, 8, preIv.begin());
    MakeIv(preIv, salt, iv);
    return DesCbc(desKey, scoped, scoped.size(), kDesEncrypt, iv) == 0;
}

int AnswerBuilder::BuildUsm(const AnswerFacts& facts, const LocalEngine& local,
                            uint32_t reportValue, std::vector<uint8_t>& out) {
    const bool response = facts.kind == AnswerKind::kResponse;
    if (facts.userName.size() > kMaxAdminString || facts.contextName.size() > kMaxAdminString ||
        facts.contextEngineId.size() > 32)
        return 1;
    const uint8_t level = AnswerLevel(facts);
    const UserEntry& user = facts.user;
    if ((level & kAuthFlag) && !IsKnownAuthProtocol(user.authProtocol)) return 1;

    BerWriter scopedWriter;
    scopedWriter.Open(uint8_t(kTagSequence));
    scopedWriter.Octets(uint8_t(kTagOctetString),
                        response ? facts.contextEngineId : local.engineId);
    scopedWriter.Octets(uint8_t(kTagOctetString),
                        response ? facts.contextName : std::span<const uint8_t>());
    WritePdu(scopedWriter, facts, reportValue);
    scopedWriter.Close();
    std::vector<uint8_t>& scoped = scopedWriter.Bytes();

    std::array<uint8_t, kSaltOctets> salt{};
    const bool encrypted = (level & kPrivFlag) != 0;
    if (encrypted && !Encrypt(facts, local, scoped, salt)) return 1;
    BerWriter dataWriter;
    if (encrypted)
        dataWriter.Octets(uint8_t(kTagOctetString), scoped);
    else
        dataWriter.Raw(scoped);
    const std::vector<uint8_t>& data = dataWriter.Bytes();

    const std::size_t macLength = (level & kAuthFlag) ? UsmMacLength(user.authProtocol) : 0;
    const std::size_t privLength = encrypted ? kSaltOctets : 0;
    const std::array<uint8_t, 48> zeros{};
    BerWriter writer;
    writer.Open(uint8_t(kTagSequence));
    writer.Integer(3);
    writer.Open(uint8_t(kTagSequence));
    writer.Integer(facts.msgId);
    writer.Integer(kLocalMaxMessageSize);
    writer.Octets(uint8_t(kTagOctetString), std::span(&level, 1));
    writer.Integer(kUsmSecurityModel);
    writer.Close();
    writer.Open(uint8_t(kTagOctetString));
    writer.Open(uint8_t(kTagSequence));
    writer.Octets(uint8_t(kTagOctetString), local.engineId);
    writer.Integer(local.boots);
    writer.Integer(local.time);
    writer.Octets(uint8_t(kTagOctetString), facts.userName);
    writer.Octets(uint8_t(kTagOctetString), std::span(zeros).first(macLength));
    writer.Octets(uint8_t(kTagOctetString), std::span(salt).first(privLength));
    writer.Close();
    writer.Close();
    writer.Raw(data);
    writer.Close();
    out = std::move(writer.Bytes());

    if (macLength != 0) {
        // RFC 3414 6.3.1, 7.3.1: the MAC of the whole message with zeroed parameters. They lie
        // before the privacy parameters (two octets of header and the salt) and the data.
        const std::size_t authAt = out.size() - data.size() - (2 + privLength) - macLength;
        const CachedKey key =
            keys_.Localize(user.authProtocol, FixedTextView(user.authPassword), local.engineId);
        UsmKey mac;
        if (!key || !key->hmac.Sign(out, mac)) return 1;
        std::copy_n(mac.begin(), macLength, out.begin() + std::ptrdiff_t(authAt));
    }
    return 0;
}

int AnswerBuilder::Build(const AnswerFacts& facts, const LocalEngine& local, uint32_t reportValue,
                         std::vector<uint8_t>& out) {
    out.clear();
    if (facts.kind == AnswerKind::kNone) return 1;
    if (facts.kind == AnswerKind::kReport && !facts.reportable) return 1;
    if (facts.version == kSnmpV3Version) return BuildUsm(facts, local, reportValue, out);
    return BuildCommunityAnswer(facts, reportValue, out);
}

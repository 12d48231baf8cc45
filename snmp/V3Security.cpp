#include "snmp/V3Security.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "crypto/Aes.h"
#include "crypto/Des.h"
#include "crypto/KeyLocalization.h"
#include "platform/FixedText.h"
#include "snmp/BerTags.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "users/UserStore.h"

namespace {

// msgFlags values accepted (RFC 3412 6.4): noAuthNoPriv, authNoPriv, authPriv. The
// reportable flag is never set on a trap; only informs and discovery probes carry it, and
// only a receiver that answers them accepts it.
constexpr uint32_t kNoAuthNoPriv = 0;
constexpr uint32_t kAuthNoPriv = 1;
constexpr uint32_t kAuthPriv = 3;
constexpr uint32_t kReportable = 4;
constexpr uint32_t kLevelBits = 3;

// RFC 3414 3.2 step 7: the time window of the authoritative engine.
constexpr int64_t kTimeWindowSeconds = 150;
constexpr int32_t kMaxEngineBoots = 2147483647;

constexpr std::size_t kMaxOctetField = 127;  // engineId, authParams, ... keep this many
constexpr std::size_t kMaxUserName = 32;     // SnmpAdminString (SIZE(0..32))
constexpr std::size_t kDesBlockSize = 8;

int32_t ReadInt32(const BerHeader& element) {
    return static_cast<int32_t>(ReadUnsigned32(element.content));
}

// Copies at most the field's room less one octet, so the field stays terminated.
template <typename Field>
void CopyOctets(std::span<const uint8_t> content, Field& field) {
    const std::size_t kept = std::min(content.size(), kMaxOctetField);
    std::copy_n(content.begin(), kept, reinterpret_cast<uint8_t*>(field.data()));
}

// Reads one element of the given tag from a scope that must still hold octets after it
// (more = true) or be used up by it (more = false).
bool ReadScoped(BerReader& scope, int32_t tag, bool more, BerHeader& element) {
    if (scope.ReadElement(tag, element) != 0) return false;
    if ((scope.BytesLeft() > 0) == more) return true;
    scope.Refuse(DecodeReason::kMalformed);
    return false;
}

// RFC 3412 6: msgGlobalData.
int ReadHeaderData(BerReader& reader, TrapRecord& record, bool answering) {
    BerHeader headerData;
    if (reader.ReadElement(kTagSequence, headerData) != 0) return kDecodeMalformed;
    if (reader.BytesLeft() == 0) return reader.Refuse(DecodeReason::kMalformed);

    BerReader scope = reader.Inner(headerData.content);
    BerHeader element;
    if (!ReadScoped(scope, kTagInteger, true, element)) return kDecodeMalformed;
    record.msgId = ReadInt32(element);
    if (!ReadScoped(scope, kTagInteger, true, element)) return kDecodeMalformed;
    record.msgMaxSize = ReadInt32(element);
    if (!ReadScoped(scope, kTagOctetString, true, element)) return kDecodeMalformed;
    const uint32_t flags = ReadUnsigned32(element.content);
    const uint32_t level = answering ? flags & ~kReportable : flags;
    if (level != kNoAuthNoPriv && level != kAuthNoPriv && level != kAuthPriv)
        return scope.Refuse(DecodeReason::kMalformed, element.content.data());
    record.msgFlags = static_cast<int32_t>(flags);
    if (!ReadScoped(scope, kTagInteger, false, element)) return kDecodeMalformed;
    record.msgSecurityModel = ReadInt32(element);
    return kDecodeOk;
}

// RFC 3414 2.4: UsmSecurityParameters inside their OCTET STRING. The authentication
// parameters are zeroed in the datagram itself for the HMAC.
int ReadSecurityParameters(BerReader& reader, TrapRecord& record) {
    const uint8_t* wrapperAt = reader.Rest().data();
    BerHeader wrapper, parameters;
    if (reader.ReadHeader(wrapper) != 0) return kDecodeMalformed;
    if (wrapper.tag != kTagOctetString) return reader.Refuse(DecodeReason::kMalformed, wrapperAt);
    if (reader.ReadElement(kTagSequence, parameters) != 0) return kDecodeMalformed;
    if (reader.BytesLeft() == 0) return reader.Refuse(DecodeReason::kMalformed);

    BerReader scope = reader.Inner(parameters.content);
    BerHeader element;
    if (!ReadScoped(scope, kTagOctetString, true, element)) return kDecodeMalformed;
    record.engineIdLength = static_cast<int32_t>(element.content.size());
    CopyOctets(element.content, record.engineId);
    if (!ReadScoped(scope, kTagInteger, true, element)) return kDecodeMalformed;
    record.engineBoots = ReadInt32(element);
    if (!ReadScoped(scope, kTagInteger, true, element)) return kDecodeMalformed;
    record.engineTime = ReadInt32(element);
    if (!ReadScoped(scope, kTagOctetString, true, element)) return kDecodeMalformed;
    std::copy_n(element.content.begin(), std::min(element.content.size(), kMaxUserName),
                record.userName.begin());
    if (!ReadScoped(scope, kTagOctetString, true, element)) return kDecodeMalformed;
    record.authParamsLength = static_cast<int32_t>(element.content.size());
    CopyOctets(element.content, record.authParams);
    std::fill(element.content.begin(), element.content.end(), uint8_t{0});
    if (!ReadScoped(scope, kTagOctetString, false, element)) return kDecodeMalformed;
    record.privParamsLength = static_cast<int32_t>(element.content.size());
    CopyOctets(element.content, record.privParams);
    return kDecodeOk;
}

// The user named by the record, or an entry with no protocols and no passwords. The name is
// the record's text, so whatever octets followed it in the message, a trap that the list,
// the log and the user filter attribute to a stored user passes that user's checks.
bool LookUpUser(const UserStore& users, const TrapRecord& record, UserEntry& user) {
    user = UserEntry{};
    const auto end = std::find(record.userName.begin(), record.userName.end(), '\0');
    std::copy(record.userName.begin(), end, user.userName.begin());
    if (users.FindUser(user) == 0) return true;
    user = UserEntry{};
    return false;
}

// RFC 3414 6.3.2, RFC 7860: HMAC over the whole message with the authentication parameters
// zeroed. HMAC-MD5-96 and HMAC-SHA-96 compare their first 12 octets with those received
// (missing ones count as zero); the SHA-2 protocols take parameters of exactly their MAC's
// length. A protocol this program does not know authenticates nothing.
int Authenticate(std::span<const uint8_t> datagram, const UserEntry& user, const TrapRecord& record,
                 const CachedKey& key) {
    if (!IsKnownAuthProtocol(user.authProtocol)) return kDecodeAuthFailure;
    const std::size_t macLength = UsmMacLength(user.authProtocol);
    if (IsSha2Protocol(user.authProtocol) && std::size_t(record.authParamsLength) != macLength)
        return kDecodeAuthFailure;
    UsmKey mac;
    if (!key || !key->hmac.Sign(datagram, mac)) return kDecodeAuthFailure;
    uint8_t difference = 0;
    for (std::size_t i = 0; i < macLength; ++i) difference |= mac[i] ^ record.authParams[i];
    if (difference != 0) return kDecodeAuthFailure;
    key.Authenticated();
    return kDecodeOk;
}

// The engine whose keys check a message: the user entry's own, the message's for an entry
// that serves every engine (bounded by the cache's budget of new engines), or this
// receiver's for informs.
class KeyEngine {
public:
    KeyEngine(UsmKeyCache& keys, std::span<const uint8_t> octets, bool namedByMessage)
        : m_keys(keys), m_octets(octets), m_namedByMessage(namedByMessage) {}
    // The entry's text is read once, for both of its keys.
    KeyEngine(UsmKeyCache& keys, std::string_view text)
        : m_keys(keys), m_octets(m_read.data(), std::size_t(EngineIdFromText(text, m_read))) {}
    KeyEngine(const KeyEngine&) = delete;  // m_octets may point into m_read
    KeyEngine& operator=(const KeyEngine&) = delete;

    CachedKey Key(int authProtocol, std::string_view password, bool& refused) const {
        if (m_namedByMessage)
            return m_keys.LocalizeForNamedEngine(authProtocol, password, m_octets, refused);
        refused = false;
        return m_keys.Localize(authProtocol, password, m_octets);
    }

private:
    UsmKeyCache& m_keys;
    std::array<uint8_t, kMaxEngineIdOctets> m_read;
    std::span<const uint8_t> m_octets;
    bool m_namedByMessage = false;
};

// RFC 3414 8.3.2: CBC-DES. The first 8 octets of the privacy key are the DES key, prepared
// with it, and the next 8 the pre-IV, also for the longer keys of SHA-1 and SHA-2.
bool DecryptDes(const LocalizedKey& privKey, const TrapRecord& record, std::span<uint8_t> pdu) {
    if (pdu.size() % kDesBlockSize != 0) return false;
    DesBlock preIv, iv;
    std::copy_n(privKey.key.begin() + 8, 8, preIv.begin());
    MakeIv(preIv, std::span<const uint8_t, 8>(record.privParams.data(), 8), iv);
    DesCbcDecrypt(privKey.des, iv, pdu);
    return true;
}

// RFC 3826 3.1.2.1: the IV is engineBoots and engineTime, 4 octets each, then the 8-octet
// salt; the key is the privacy key's first 16 octets, prepared with it.
bool DecryptAes(LocalizedKey& privKey, const TrapRecord& record, std::span<uint8_t> pdu) {
    AesBlock iv;
    for (int i = 0; i < 4; ++i) {
        iv[i] = uint8_t(uint32_t(record.engineBoots) >> (24 - 8 * i));
        iv[4 + i] = uint8_t(uint32_t(record.engineTime) >> (24 - 8 * i));
    }
    std::copy_n(record.privParams.begin(), 8, iv.begin() + 8);
    return privKey.aes.Crypt(iv, pdu);
}

// Decrypts the encrypted PDU in place with the user's cipher. The privacy key is localized
// with the authentication protocol's digest. A user stored without privacy is tried with
// CBC-DES, as before AES was known; a privacy protocol this program does not know decrypts
// nothing.
int Decrypt(BerReader& reader, const UserEntry& user, const TrapRecord& record,
            const KeyEngine& engine) {
    const bool aes = user.privProtocol == kPrivCfbAes128;
    if (!aes && user.privProtocol != kPrivCbcDes && user.privProtocol != kPrivNone)
        return reader.Refuse(DecodeReason::kDecryptFailure);
    // RFC 3826 3.3.2 step 1: the AES salt is exactly 8 octets.
    if (aes && record.privParamsLength != 8) return reader.Refuse(DecodeReason::kDecryptFailure);
    bool refused = false;
    const CachedKey privKey =
        engine.Key(user.authProtocol, FixedTextView(user.privPassword), refused);
    if (refused) return reader.Refuse(DecodeReason::kNewEngineLimit);
    if (!privKey) return reader.Refuse(DecodeReason::kDecryptFailure);

    const uint8_t* encryptedAt = reader.Rest().data();
    BerHeader encrypted;
    if (reader.ReadHeader(encrypted) != 0) return kDecodeMalformed;
    if (encrypted.tag != kTagOctetString)
        return reader.Refuse(DecodeReason::kMalformed, encryptedAt);
    const bool decrypted = aes ? DecryptAes(*privKey, record, encrypted.content)
                               : DecryptDes(*privKey, record, encrypted.content);
    if (!decrypted) return reader.Refuse(DecodeReason::kDecryptFailure);
    reader = reader.Inner(encrypted.content);
    return kDecodeOk;
}

// RFC 3412 6: the scoped PDU's context fields; the reader is left at the PDU.
int ReadContext(BerReader& reader, TrapRecord& record) {
    // After decryption an unreadable scoped PDU is the sign of a wrong key, also where the
    // random octets a wrong key gives happen to start with a readable SEQUENCE header.
    const bool decrypted = (record.msgFlags & kLevelBits) == kAuthPriv;
    BerHeader scopedPdu, element;
    const uint8_t* at = reader.Rest().data();
    if (reader.ReadHeader(scopedPdu) != 0 || scopedPdu.tag != kTagSequence)
        return reader.Refuse(decrypted ? DecodeReason::kDecryptFailure : DecodeReason::kMalformed,
                             at);
    for (auto [field, length] : {std::pair(&record.contextEngineId, &record.contextEngineIdLength),
                                 std::pair(&record.contextName, &record.contextNameLength)}) {
        at = reader.Rest().data();
        if (reader.ReadElement(kTagOctetString, element) != 0)
            return decrypted ? reader.Refuse(DecodeReason::kDecryptFailure, at) : kDecodeMalformed;
        *length = static_cast<int32_t>(element.content.size());
        CopyOctets(element.content, *field);
    }
    return kDecodeOk;
}

std::span<const uint8_t> EngineIdOf(const TrapRecord& record) {
    return {record.engineId.data(), std::min(std::size_t(record.engineIdLength), kMaxOctetField)};
}

int AuthenticateWith(BerReader& reader, std::span<const uint8_t> datagram, const UserEntry& user,
                     const TrapRecord& record, const KeyEngine& engine) {
    bool refused = false;
    const CachedKey key = engine.Key(user.authProtocol, FixedTextView(user.authPassword), refused);
    if (refused) return reader.Refuse(DecodeReason::kNewEngineLimit);
    if (Authenticate(datagram, user, record, key) == kDecodeOk) return kDecodeOk;
    // A user stored without authentication cannot send an authenticated message.
    return reader.Refuse(user.authProtocol == kAuthNone ? DecodeReason::kLevelNotAllowed
                                                        : DecodeReason::kAuthFailure);
}

// A notification sent by its own authoritative engine: the user entry's engine ID, or the
// message's when the entry has none.
int CheckAsReceiver(const UsmContext& usm, BerReader& reader, std::span<uint8_t> datagram,
                    TrapRecord& record) {
    UserEntry user;
    const bool found = LookUpUser(usm.users, record, user);

    // The user's security level against the message's (RFC 3414 3.2 step 5). A stored
    // protocol this program does not know still demands its level.
    const uint32_t flags = static_cast<uint32_t>(record.msgFlags);
    if (user.authProtocol != kAuthNone && flags == kNoAuthNoPriv)
        return reader.Refuse(DecodeReason::kLevelNotAllowed);
    if (user.privProtocol != kPrivNone && flags != kAuthPriv)
        return reader.Refuse(DecodeReason::kLevelNotAllowed);

    const KeyEngine engine = user.engineId[0] == '\0'
                                 ? KeyEngine(usm.keys, EngineIdOf(record), true)
                                 : KeyEngine(usm.keys, FixedTextView(user.engineId));
    if (found && (flags == kAuthNoPriv || flags == kAuthPriv)) {
        if (const int result = AuthenticateWith(reader, datagram, user, record, engine);
            result != kDecodeOk)
            return result;
    }
    if (flags == kAuthPriv) {
        if (!found) return reader.Refuse(DecodeReason::kUnknownUser);
        if (const int result = Decrypt(reader, user, record, engine); result != kDecodeOk)
            return result;
    }
    return ReadContext(reader, record);
}

int Report(BerReader& reader, AnswerFacts& answer, ReportKind kind, DecodeReason reason) {
    answer.kind = AnswerKind::kReport;
    answer.report = kind;
    return reader.Refuse(reason);
}

bool InTimeWindow(const TrapRecord& record, const LocalEngine& engine) {
    return engine.boots != kMaxEngineBoots && record.engineBoots == engine.boots &&
           std::abs(int64_t(record.engineTime) - int64_t(engine.time)) <= kTimeWindowSeconds;
}

// RFC 3414 3.2 with this receiver as the authoritative engine, as for an inform: keys
// localized with our engine ID, the time window, and a report for each failure.
int CheckAsAuthority(const UsmContext& usm, BerReader& reader, std::span<uint8_t> datagram,
                     TrapRecord& record, const LocalEngine& local, AnswerFacts& answer) {
    UserEntry& user = answer.user;
    if (!LookUpUser(usm.users, record, user))
        return Report(reader, answer, ReportKind::kUnknownUserName, DecodeReason::kUnknownUser);

    const uint32_t level = static_cast<uint32_t>(record.msgFlags) & kLevelBits;
    const bool levelFits = user.authProtocol == kAuthNone   ? level == kNoAuthNoPriv
                           : user.privProtocol == kPrivNone ? level == kAuthNoPriv
                                                            : level == kAuthPriv;
    if (!levelFits)
        return Report(reader, answer, ReportKind::kUnsupportedSecLevel,
                      DecodeReason::kLevelNotAllowed);
    if (level == kNoAuthNoPriv) return ReadContext(reader, record);

    const KeyEngine engine(usm.keys, local.engineId, false);
    if (AuthenticateWith(reader, datagram, user, record, engine) != kDecodeOk)
        return Report(reader, answer, ReportKind::kWrongDigest, DecodeReason::kAuthFailure);
    if (!InTimeWindow(record, local))
        return Report(reader, answer, ReportKind::kNotInTimeWindow, DecodeReason::kNotInTimeWindow);
    if (level == kAuthPriv && Decrypt(reader, user, record, engine) != kDecodeOk)
        return Report(reader, answer, ReportKind::kDecryptionError, DecodeReason::kDecryptFailure);
    const int result = ReadContext(reader, record);
    if (result != kDecodeOk && level == kAuthPriv) {
        answer.kind = AnswerKind::kReport;
        answer.report = ReportKind::kDecryptionError;
    }
    return result;
}

}  // namespace

int DecodeV3Security(const UsmContext& usm, BerReader& reader, std::span<uint8_t> datagram,
                     TrapRecord& record) {
    if (const int result = ReadHeaderData(reader, record, false); result != kDecodeOk)
        return result;
    if (const int result = ReadSecurityParameters(reader, record); result != kDecodeOk)
        return result;
    return CheckAsReceiver(usm, reader, datagram, record);
}

int DecodeV3Security(const UsmContext& usm, BerReader& reader, std::span<uint8_t> datagram,
                     TrapRecord& record, const LocalEngine& local, AnswerFacts& answer) {
    if (const int result = ReadHeaderData(reader, record, true); result != kDecodeOk) return result;
    if (const int result = ReadSecurityParameters(reader, record); result != kDecodeOk)
        return result;
    const uint32_t flags = static_cast<uint32_t>(record.msgFlags);
    answer.version = kSnmpV3;
    answer.msgId = record.msgId;
    answer.reportable = (flags & kReportable) != 0;
    answer.securityLevel = static_cast<uint8_t>(flags & kLevelBits);
    answer.userName = {reinterpret_cast<const uint8_t*>(record.userName.data()),
                       strnlen(record.userName.data(), record.userName.size())};

    const std::span<const uint8_t> engineId = EngineIdOf(record);
    const bool ours =
        !local.engineId.empty() &&
        std::equal(engineId.begin(), engineId.end(), local.engineId.begin(), local.engineId.end());
    answer.toLocalEngine = ours;
    if (ours) return CheckAsAuthority(usm, reader, datagram, record, local, answer);
    // RFC 3414 3.2 step 3: a probe for our engine ID, answered at noAuthNoPriv.
    if (answer.reportable) {
        answer.securityLevel = kNoAuthNoPriv;
        return Report(reader, answer, ReportKind::kUnknownEngineId, DecodeReason::kDiscovery);
    }
    return CheckAsReceiver(usm, reader, datagram, record);
}

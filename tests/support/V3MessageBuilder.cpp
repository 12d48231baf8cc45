#include "support/V3MessageBuilder.h"

#include <gtest/gtest.h>

#include "snmp/crypto/Des.h"
#include "snmp/crypto/Hmac.h"
#include "snmp/crypto/KeyLocalization.h"

namespace ber {

namespace {

UsmKey Localized(const UsmSecrets& secrets, const std::string& password) {
    UsmKey key{};
    if (LocalizeKey(secrets.authProtocol, password, secrets.engineIdText, key) == 0)
        ADD_FAILURE() << "no key for the test user";
    return key;
}

Bytes Encrypt(const Bytes& scopedPdu, const V3TrapFields& fields, const UsmSecrets& secrets) {
    const UsmKey privKey = Localized(secrets, secrets.privPassword);
    DesBlock key, preIv, iv;
    std::copy_n(privKey.begin(), 8, key.begin());
    std::copy_n(privKey.begin() + 8, 8, preIv.begin());
    Bytes salt = fields.privParams;
    salt.resize(8);
    MakeIv(preIv, std::span<const uint8_t, 8>(salt.data(), 8), iv);

    Bytes padded = scopedPdu;
    padded.resize((padded.size() + 7) / 8 * 8);
    DesCbc(key, padded, padded.size(), kDesEncrypt, iv);
    padded.resize(padded.size() - std::min(fields.dropCipherOctets, padded.size()));
    return padded;
}

}  // namespace

Bytes ScopedPdu(const V3TrapFields& fields) {
    return Sequence({OctetString(fields.contextEngineId), OctetString(fields.contextName),
                     fields.pdu});
}

Bytes BuildV3Trap(const V3TrapFields& fields, const UsmSecrets& secrets,
                  std::size_t* authParamsAt) {
    const uint8_t flags = fields.msgFlags.empty() ? 0 : fields.msgFlags.back();
    const bool authenticate = flags & 1;
    const bool encrypt = flags & 2;

    const Bytes version = Integer(3);
    const Bytes headerData = Sequence({Integer(fields.msgId), Integer(fields.msgMaxSize),
                                       OctetString(fields.msgFlags),
                                       Integer(fields.securityModel)});
    const Bytes beforeAuth = Cat({OctetString(fields.engineId), Integer(fields.engineBoots),
                                  Integer(fields.engineTime), OctetString(fields.userName)});
    const Bytes authElement = OctetString(Bytes(fields.authParamsLength, 0));
    const Bytes privElement = OctetString(fields.privParams);
    const Bytes usm = Sequence({beforeAuth, authElement, privElement});
    const Bytes securityParameters = OctetString(usm);
    const Bytes msgData =
        encrypt ? OctetString(Encrypt(ScopedPdu(fields), fields, secrets)) : ScopedPdu(fields);
    Bytes message = Sequence({version, headerData, securityParameters, msgData});

    // Add up what stands in front of the authentication parameters' content: each
    // enclosing header, then the elements before it.
    const std::size_t body =
        version.size() + headerData.size() + securityParameters.size() + msgData.size();
    const std::size_t usmContent = beforeAuth.size() + authElement.size() + privElement.size();
    const std::size_t offset = (message.size() - body) + version.size() + headerData.size() +
                               (securityParameters.size() - usm.size()) +
                               (usm.size() - usmContent) + beforeAuth.size() +
                               (authElement.size() - fields.authParamsLength);
    if (authParamsAt != nullptr) *authParamsAt = offset;

    if (authenticate) {
        UsmKey mac{};
        Hmac96(secrets.authProtocol, Localized(secrets, secrets.authPassword), message, mac);
        std::copy_n(mac.begin(), std::min<std::size_t>(12, fields.authParamsLength),
                    message.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return message;
}

}  // namespace ber

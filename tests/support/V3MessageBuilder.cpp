#include "support/V3MessageBuilder.h"

#include <gtest/gtest.h>

#include "crypto/Aes.h"
#include "crypto/Des.h"
#include "crypto/Hmac.h"
#include "crypto/KeyLocalization.h"

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
    Bytes salt = fields.privParams;
    salt.resize(8);
    Bytes cipher = scopedPdu;
    if (secrets.privProtocol == kPrivCfbAes128) {
        AesBlock iv;  // RFC 3826 3.1.2.1: engineBoots, engineTime, salt
        for (int i = 0; i < 4; ++i) {
            iv[i] = uint8_t(fields.engineBoots >> (24 - 8 * i));
            iv[4 + i] = uint8_t(fields.engineTime >> (24 - 8 * i));
        }
        std::copy(salt.begin(), salt.end(), iv.begin() + 8);
        EXPECT_TRUE(Aes128Cfb(std::span(privKey).first<16>(), kAesEncrypt).Crypt(iv, cipher));
    } else {
        DesBlock key, preIv, iv;
        std::copy_n(privKey.begin(), 8, key.begin());
        std::copy_n(privKey.begin() + 8, 8, preIv.begin());
        MakeIv(preIv, std::span<const uint8_t, 8>(salt.data(), 8), iv);
        cipher.resize((cipher.size() + 7) / 8 * 8);
        EXPECT_EQ(DesCbc(key, cipher, cipher.size(), kDesEncrypt, iv), 0);
    }
    cipher.resize(cipher.size() - std::min(fields.dropCipherOctets, cipher.size()));
    return cipher;
}

}  // namespace

Bytes ScopedPdu(const V3TrapFields& fields) {
    return Sequence(
        {OctetString(fields.contextEngineId), OctetString(fields.contextName), fields.pdu});
}

Bytes BuildV3Trap(const V3TrapFields& fields, const UsmSecrets& secrets,
                  std::size_t* authParamsAt) {
    const uint8_t flags = fields.msgFlags.empty() ? 0 : fields.msgFlags.back();
    const bool authenticate = flags & 1;
    const bool encrypt = flags & 2;

    const Bytes version = Integer(3);
    const Bytes headerData =
        Sequence({Integer(fields.msgId), Integer(fields.msgMaxSize), OctetString(fields.msgFlags),
                  Integer(fields.securityModel)});
    const Bytes beforeAuth = Cat({OctetString(fields.engineId), Integer(fields.engineBoots),
                                  Integer(fields.engineTime), OctetString(fields.userName)});
    const Bytes authElement = OctetString(Bytes(fields.authParamsLength, 0));
    const Bytes privElement = OctetString(fields.privParams);
    const Bytes usm = Sequence({beforeAuth, authElement, privElement});
    const Bytes securityParameters = OctetString(usm);
    const Bytes scopedPdu = fields.scopedPdu.value_or(ScopedPdu(fields));
    const Bytes msgData = encrypt ? OctetString(Encrypt(scopedPdu, fields, secrets)) : scopedPdu;
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
        EXPECT_TRUE(
            Hmac96(secrets.authProtocol, Localized(secrets, secrets.authPassword), message, mac));
        std::copy_n(mac.begin(),
                    std::min(UsmMacLength(secrets.authProtocol), fields.authParamsLength),
                    message.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return message;
}

}  // namespace ber

#include "snmp/crypto/Aes.h"

#include <openssl/evp.h>

#include <climits>

Aes128Cfb::Aes128Cfb(std::span<const uint8_t, 16> key, int mode) {
    m_context = EVP_CIPHER_CTX_new();
    if (m_context != nullptr &&
        EVP_CipherInit_ex(m_context, EVP_aes_128_cfb128(), nullptr, key.data(), nullptr,
                          mode == kAesEncrypt ? 1 : 0) != 1) {
        EVP_CIPHER_CTX_free(m_context);
        m_context = nullptr;
    }
}

Aes128Cfb::~Aes128Cfb() { EVP_CIPHER_CTX_free(m_context); }

bool Aes128Cfb::Crypt(const AesBlock& iv, std::span<uint8_t> buffer) {
    if (m_context == nullptr || buffer.size() > INT_MAX) return false;
    // A null cipher and key keep the schedule; only the IV and the stream position restart.
    int written = 0;
    return EVP_CipherInit_ex(m_context, nullptr, nullptr, nullptr, iv.data(), -1) == 1 &&
           EVP_CipherUpdate(m_context, buffer.data(), &written, buffer.data(),
                            int(buffer.size())) == 1 &&
           std::size_t(written) == buffer.size();
}

#include "crypto/Aes.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>

Aes128Cfb::Aes128Cfb(std::span<const uint8_t, 16> key, int mode) : m_decrypt(mode == kAesDecrypt) {
    // Both directions run the block cipher forwards; decryption on whole groups (ECB).
    const EVP_CIPHER* cipher = m_decrypt ? EVP_aes_128_ecb() : EVP_aes_128_cfb128();
    m_context = EVP_CIPHER_CTX_new();
    if (m_context != nullptr &&
        (EVP_EncryptInit_ex(m_context, cipher, nullptr, key.data(), nullptr) != 1 ||
         EVP_CIPHER_CTX_set_padding(m_context, 0) != 1)) {
        EVP_CIPHER_CTX_free(m_context);
        m_context = nullptr;
    }
}

Aes128Cfb::~Aes128Cfb() { EVP_CIPHER_CTX_free(m_context); }

bool Aes128Cfb::Crypt(const AesBlock& iv, std::span<uint8_t> buffer) {
    if (m_context == nullptr || buffer.size() > INT_MAX) return false;
    if (m_decrypt) return Decrypt(iv, buffer);
    // A null cipher and key keep the schedule; only the IV and the stream position restart.
    int written = 0;
    return EVP_CipherInit_ex(m_context, nullptr, nullptr, nullptr, iv.data(), -1) == 1 &&
           EVP_CipherUpdate(m_context, buffer.data(), &written, buffer.data(),
                            int(buffer.size())) == 1 &&
           std::size_t(written) == buffer.size();
}

// Plaintext block i is ciphertext block i XOR the cipher of ciphertext block i - 1 (of the
// IV for the first). Those inputs are all known beforehand, so a group of them goes through
// the cipher in one call, which libcrypto pipelines, instead of one block after another.
bool Aes128Cfb::Decrypt(const AesBlock& iv, std::span<uint8_t> buffer) {
    constexpr std::size_t kGroup = 32 * 16;
    std::array<uint8_t, kGroup> inputs, stream;
    AesBlock before = iv;  // the ciphertext block before the group
    for (std::size_t at = 0; at < buffer.size(); at += kGroup) {
        const std::size_t length = std::min(kGroup, buffer.size() - at);
        const std::size_t rounded = (length + 15) / 16 * 16;
        std::copy(before.begin(), before.end(), inputs.begin());
        std::copy_n(&buffer[at], rounded - 16, inputs.begin() + 16);
        if (length == kGroup) std::copy_n(&buffer[at + kGroup - 16], 16, before.begin());
        int written = 0;
        if (EVP_EncryptUpdate(m_context, stream.data(), &written, inputs.data(), int(rounded)) !=
                1 ||
            std::size_t(written) != rounded)
            return false;
        for (std::size_t i = 0; i < length; ++i) buffer[at + i] ^= stream[i];
    }
    return true;
}

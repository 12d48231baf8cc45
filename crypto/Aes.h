#pragma once
// AES-128 (FIPS 197) in CFB128 mode (NIST SP 800-38A 6.3) from libcrypto, for the
// CFB128-AES-128 privacy protocol of RFC 3826.

#include <openssl/types.h>

#include <array>
#include <cstdint>
#include <span>

using AesBlock = std::array<uint8_t, 16>;

inline constexpr int kAesEncrypt = 0;
inline constexpr int kAesDecrypt = 1;

// One key with its key schedule, made once; each message then only sets its IV.
class Aes128Cfb {
public:
    // mode: kAesEncrypt or kAesDecrypt.
    Aes128Cfb(std::span<const uint8_t, 16> key, int mode);
    Aes128Cfb(const Aes128Cfb&) = delete;
    Aes128Cfb& operator=(const Aes128Cfb&) = delete;
    ~Aes128Cfb();

    // Encrypts or decrypts buffer in place from iv; CFB needs no padding, so any length
    // is whole. False when libcrypto failed: the buffer's content is then undefined.
    // Not for two threads at once: the context is reused from message to message.
    bool Crypt(const AesBlock& iv, std::span<uint8_t> buffer);

private:
    bool Decrypt(const AesBlock& iv, std::span<uint8_t> buffer);

    bool m_decrypt;
    EVP_CIPHER_CTX* m_context = nullptr;  // null when the key schedule could not be made
};

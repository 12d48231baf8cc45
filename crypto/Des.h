#pragma once
// DES (FIPS 46-3) in CBC mode (FIPS 81), for the CBC-DES privacy protocol of RFC 3414 8.

#include <array>
#include <cstdint>
#include <span>

using DesBlock = std::array<uint8_t, 8>;

inline constexpr int kDesEncrypt = 0;
inline constexpr int kDesDecrypt = 1;  // mode bit 0

// A key with its sixteen round subkeys, made once: a key kept for many messages then costs
// each message only its blocks. Parity bits of the key are ignored.
class DesKey {
public:
    explicit DesKey(std::span<const uint8_t, 8> key);

    // One round's 48 subkey bits as two words, laid out as DesInternal.h describes.
    struct Subkey {
        uint32_t even;
        uint32_t odd;
    };
    const std::array<Subkey, 16>& Subkeys() const { return m_subkeys; }

private:
    std::array<Subkey, 16> m_subkeys;
};

// CBC over the first length octets of buffer, in place; mode bit 0 set decrypts, clear
// encrypts. A length that is not a multiple of 8 is raised to the next one. Returns 0, or 1
// with nothing touched when the raised length reaches past the buffer. The IV is updated to
// the last ciphertext block.
[[nodiscard]] int DesCbc(const DesBlock& key, std::span<uint8_t> buffer, std::size_t length,
                         int mode, DesBlock& iv);

// Decrypts the whole 8-octet blocks of buffer in place; octets after the last whole block
// are left alone. The IV is updated to the last ciphertext block.
void DesCbcDecrypt(const DesKey& key, DesBlock& iv, std::span<uint8_t> buffer);
void DesCbcDecrypt(const DesBlock& key, DesBlock& iv, std::span<uint8_t> buffer);

// RFC 3414 8.1.1.1: IV octet i = pre-IV octet i XOR salt octet i.
void MakeIv(const DesBlock& preIv, std::span<const uint8_t, 8> salt, DesBlock& iv);

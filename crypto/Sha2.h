#pragma once
// SHA-224, SHA-256, SHA-384 and SHA-512 (FIPS 180-4) from libcrypto, for the HMAC-SHA-2
// authentication protocols of RFC 7860.

#include <openssl/types.h>

#include <cstddef>
#include <cstdint>
#include <span>

class Sha2Digest {
public:
    // digestLength chooses the function: 28 SHA-224, 32 SHA-256, 48 SHA-384, 64 SHA-512.
    explicit Sha2Digest(std::size_t digestLength);
    // A copy carries the state reached so far; assigning into a digest reuses its context.
    Sha2Digest(const Sha2Digest& other);
    Sha2Digest& operator=(const Sha2Digest& other);
    ~Sha2Digest();

    void Feed(std::span<const uint8_t> octets);
    // Writes the digest to the start of out (which must have room) and returns its length,
    // or 0 when libcrypto failed at any step since the start: the caller has no digest.
    std::size_t Finish(std::span<uint8_t> out);

private:
    void CopyFrom(const Sha2Digest& other);
    void Fail();

    EVP_MD_CTX* m_context = nullptr;  // null once a step failed
};

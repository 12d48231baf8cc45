#include "crypto/Sha2.h"

#include <openssl/evp.h>

namespace {

const EVP_MD* DigestOfLength(std::size_t digestLength) {
    switch (digestLength) {
    case 28: return EVP_sha224();
    case 32: return EVP_sha256();
    case 48: return EVP_sha384();
    case 64: return EVP_sha512();
    default: return nullptr;
    }
}

}  // namespace

Sha2Digest::Sha2Digest(std::size_t digestLength) {
    const EVP_MD* digest = DigestOfLength(digestLength);
    if (digest == nullptr) return;
    m_context = EVP_MD_CTX_new();
    if (m_context != nullptr && EVP_DigestInit_ex(m_context, digest, nullptr) != 1) Fail();
}

Sha2Digest::Sha2Digest(const Sha2Digest& other) { CopyFrom(other); }

Sha2Digest& Sha2Digest::operator=(const Sha2Digest& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

Sha2Digest::~Sha2Digest() { EVP_MD_CTX_free(m_context); }

void Sha2Digest::Feed(std::span<const uint8_t> octets) {
    if (m_context != nullptr && EVP_DigestUpdate(m_context, octets.data(), octets.size()) != 1)
        Fail();
}

std::size_t Sha2Digest::Finish(std::span<uint8_t> out) {
    unsigned int length = 0;
    if (m_context == nullptr || out.size() < std::size_t(EVP_MD_CTX_get_size(m_context)) ||
        EVP_DigestFinal_ex(m_context, out.data(), &length) != 1)
        return 0;
    return length;
}

// Keeps this digest's context when it has one, so a prepared state can be restored for
// every message without creating a context each time.
void Sha2Digest::CopyFrom(const Sha2Digest& other) {
    if (other.m_context == nullptr) return Fail();
    if (m_context == nullptr) m_context = EVP_MD_CTX_new();
    if (m_context == nullptr || EVP_MD_CTX_copy_ex(m_context, other.m_context) != 1) Fail();
}

void Sha2Digest::Fail() {
    EVP_MD_CTX_free(m_context);
    m_context = nullptr;
}

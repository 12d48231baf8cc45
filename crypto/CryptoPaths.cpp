#include "crypto/CryptoPaths.h"

namespace {

// Part of the processor facts that SHA-1 and DES each read once, when they choose their
// path: which of the processor's paths count as there. Set before that, so it never changes
// under a reader; a member of some object would have to reach every hash and decryption.
CryptoPaths limit = CryptoPaths::kAll;

}  // namespace

void LimitCryptoPaths(CryptoPaths paths) { limit = paths; }

CryptoPaths CryptoPathLimit() { return limit; }

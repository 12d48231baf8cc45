#include "crypto/CryptoPaths.h"

namespace {

CryptoPaths limit = CryptoPaths::kAll;

}  // namespace

void LimitCryptoPaths(CryptoPaths paths) { limit = paths; }

CryptoPaths CryptoPathLimit() { return limit; }

#pragma once
// A switch for the benchmarks: which of the processor's own paths SHA-1 and DES may take, to
// measure what a processor without them would do. The program never sets it.

enum class CryptoPaths {
    kAll,       // the fastest this processor runs
    kAvx2Only,  // as a processor with AVX2 but neither AVX-512 nor the SHA extensions
    kPortable,  // as a processor with none of them
};

// From now on SHA-1 and DES take at most the paths given. Call it before the first hash or
// decryption: each makes its choice once.
void LimitCryptoPaths(CryptoPaths paths);

// What LimitCryptoPaths() last set; kAll before.
CryptoPaths CryptoPathLimit();

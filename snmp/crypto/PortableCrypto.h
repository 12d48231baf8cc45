#pragma once
// A switch for the benchmarks: SHA-1 and DES as on a processor without the SHA extensions and
// AVX-512, to measure what such a processor would do. The program never turns it on.

// From now on SHA-1 and DES use their portable code only. Call it before the first hash or
// decryption: each makes its choice once.
void UsePortableCryptoOnly();

// Whether UsePortableCryptoOnly() was called.
bool PortableCryptoOnly();

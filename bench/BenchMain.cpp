#include <benchmark/benchmark.h>

#include <cstring>

#include "crypto/CryptoPaths.h"

// --avx2 measures as on a processor with AVX2 but without AVX-512 and the SHA extensions, and
// --portable as on one without any of them: our crypto takes at most those paths (libcrypto
// and glibc are held back by their environment variables, see the README). They are taken
// out before Google Benchmark reads the arguments.
int main(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--avx2") == 0) {
            LimitCryptoPaths(CryptoPaths::kAvx2Only);
        } else if (std::strcmp(argv[i], "--portable") == 0) {
            LimitCryptoPaths(CryptoPaths::kPortable);
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    benchmark::Initialize(&argc, argv);
    if (CryptoPathLimit() == CryptoPaths::kAvx2Only) {
        benchmark::AddCustomContext("crypto", "AVX2 at most, no SHA extensions");
    } else if (CryptoPathLimit() == CryptoPaths::kPortable) {
        benchmark::AddCustomContext("crypto", "portable code only");
    }
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

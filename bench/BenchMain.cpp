#include <benchmark/benchmark.h>

#include <cstring>

#include "snmp/crypto/PortableCrypto.h"

// --portable measures as on a processor without AVX-512 and the SHA extensions: our crypto
// takes its portable code (libcrypto and glibc are held back by their environment variables,
// see the README). It is taken out before Google Benchmark reads the arguments.
int main(int argc, char** argv) {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--portable") == 0) {
            UsePortableCryptoOnly();
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    benchmark::Initialize(&argc, argv);
    if (PortableCryptoOnly()) benchmark::AddCustomContext("crypto", "portable code only");
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

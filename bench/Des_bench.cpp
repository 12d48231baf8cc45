// CBC-DES decryption with a prepared key, of a PDU the size of the SNMPv3 samples' (20
// blocks), of a large one and of 8 and 9 blocks, either side of where the AVX2 path leaves a
// few blocks to the portable rounds; by the path the processor gets (within the limit of
// --avx2 or --portable) and by the portable rounds.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "crypto/Des.h"
#include "crypto/DesInternal.h"

namespace {

template <void (*Decrypt)(const DesKey&, DesBlock&, std::span<uint8_t>)>
void DecryptBlocks(benchmark::State& state) {
    const DesKey key(DesBlock{0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef});
    std::vector<uint8_t> buffer(8 * std::size_t(state.range(0)), 0x5a);
    DesBlock iv{};
    for (auto _ : state) {
        Decrypt(key, iv, buffer);  // decrypting the result again costs the same
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buffer.size()));
}

void BM_DesCbcDecrypt(benchmark::State& state) { DecryptBlocks<DesCbcDecrypt>(state); }
void BM_DesCbcDecryptPortable(benchmark::State& state) {
    DecryptBlocks<DesCbcDecryptPortable>(state);
}

BENCHMARK(BM_DesCbcDecrypt)->Arg(4)->Arg(8)->Arg(9)->Arg(16)->Arg(20)->Arg(320);
BENCHMARK(BM_DesCbcDecryptPortable)->Arg(4)->Arg(8)->Arg(9)->Arg(16)->Arg(20)->Arg(320);

}  // namespace

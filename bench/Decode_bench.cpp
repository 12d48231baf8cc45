// Decodes per second of the samples of DecodeSamples.h, against a user store holding the
// SNMPv3 senders. NetSnmpParse_bench.cpp parses the same datagrams with net-snmp.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/DecodeSamples.h"
#include "crypto/UsmProtocols.h"
#include "platform/FileChangeWatch.h"
#include "platform/MessageBox.h"
#include "reception/ReceiverService.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "users/UserStore.h"

namespace {

// A program folder of its own with the users of the SNMPv3 samples: benchuser (authPriv)
// on the first line, benchauth (authNoPriv) on the second, then benchmd5des and
// benchsha256aes (authPriv).
class BenchUserStore {
public:
    BenchUserStore() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "olixtrap-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
        setenv("OLIXTRAP_HOME", folder_.c_str(), 1);
        DBLib::MakeFolder("/db");
        // Without its users every figure would be that of a refusal.
        const auto require = [](int appended) {
            if (appended != 0) {
                std::fputs("bench: the benchmark users could not be stored\n", stderr);
                std::exit(1);
            }
        };
        require(users_.AppendUser("benchuser", kBenchAuthPassword, kBenchPrivPassword,
                                  kBenchEngineId, kAuthHmacSha1, kPrivCbcDes));
        require(users_.AppendUser("benchauth", kBenchAuthPassword, "", kBenchEngineId,
                                  kAuthHmacSha1, kPrivNone));
        require(users_.AppendUser("benchmd5des", kBenchAuthPassword, kBenchPrivPassword,
                                  kBenchEngineId, kAuthHmacMd5, kPrivCbcDes));
        require(users_.AppendUser("benchsha256aes", kBenchAuthPassword, kBenchPrivPassword,
                                  kBenchEngineId, kAuthHmacSha256, kPrivCfbAes128));
    }
    ~BenchUserStore() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    const UserStore& Users() const { return users_; }
    // The rounds the store's file notices are read in, as the receiver's.
    NoticeRounds& Rounds() { return rounds_; }

private:
    std::string folder_;
    StandardErrorBoxes boxes_;
    NoticeRounds rounds_;
    StoreReadFailures readFailures_;
    UserStore users_{readFailures_, {.boxes = boxes_, .noticeRounds = &rounds_}};
};

// Each decode gets a fresh copy: SNMPv3 zeroes the MAC and decrypts in place. The record is
// reused from one decode to the next, as the receiver's is, and the decodes run in rounds of
// a full receive batch, as the receiver's do in a storm: the user store reads its file's
// notices once a round. Answering, the decoder is the receiver's, with an engine of its own
// that the traps do not name.
void DecodeSample(benchmark::State& state, const std::vector<uint8_t>& sample,
                  bool answering = false) {
    BenchUserStore store;
    auto record = std::make_unique<ReusableTrapRecord>();
    std::vector<uint8_t> datagram(sample.size());
    DecodeFailure failure;
    const std::vector<uint8_t> engineId = {0x80, 0x00, 0x00, 0x00, 0x05, 1, 2, 3, 4, 5, 6, 7, 8};
    const LocalEngine local{engineId, 1, 0};
    AnswerFacts answer;
    const auto keys = std::make_unique<UsmKeyCache>();
    const TrapDecoder decoder(store.Users(), *keys);
    // The keys are made before the clock runs, as a receiver has them for a sender it heard.
    datagram = sample;
    if (decoder.Decode(datagram, {127, 0, 0, 1}, *record, failure) != kDecodeOk) {
        state.SkipWithError("the sample did not decode");
        return;
    }
    store.Rounds().Begin();
    std::size_t inRound = 0;
    for (auto _ : state) {
        if (++inRound == kReceiveBatch) {
            store.Rounds().Next();
            inRound = 0;
        }
        datagram = sample;
        const int result =
            answering ? decoder.Decode(datagram, {127, 0, 0, 1}, *record, failure, local, answer)
                      : decoder.Decode(datagram, {127, 0, 0, 1}, *record, failure);
        if (result != kDecodeOk) {
            state.SkipWithError("the sample did not decode");
            break;
        }
        benchmark::DoNotOptimize(record->Record().varBindCount);
    }
    store.Rounds().End();
    state.SetItemsProcessed(state.iterations());
}

void BM_DecodeSnmpV2c(benchmark::State& state) { DecodeSample(state, kV2cTrap); }
void BM_DecodeSnmpV3AuthNoPriv(benchmark::State& state) { DecodeSample(state, kV3AuthNoPrivTrap); }
void BM_DecodeSnmpV3AuthPriv(benchmark::State& state) { DecodeSample(state, kV3AuthPrivTrap); }
void BM_DecodeSnmpV3Md5Des(benchmark::State& state) { DecodeSample(state, kV3Md5DesTrap); }
void BM_DecodeSnmpV3Sha256Aes(benchmark::State& state) { DecodeSample(state, kV3Sha256AesTrap); }
void BM_DecodeSnmpV2cAnswering(benchmark::State& state) { DecodeSample(state, kV2cTrap, true); }
void BM_DecodeSnmpV3AuthPrivAnswering(benchmark::State& state) {
    DecodeSample(state, kV3AuthPrivTrap, true);
}

BENCHMARK(BM_DecodeSnmpV2c);
BENCHMARK(BM_DecodeSnmpV3AuthNoPriv);
BENCHMARK(BM_DecodeSnmpV3AuthPriv);
BENCHMARK(BM_DecodeSnmpV3Md5Des);
BENCHMARK(BM_DecodeSnmpV3Sha256Aes);
BENCHMARK(BM_DecodeSnmpV2cAnswering);
BENCHMARK(BM_DecodeSnmpV3AuthPrivAnswering);

}  // namespace

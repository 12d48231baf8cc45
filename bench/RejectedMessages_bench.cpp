// Cost of keeping one rejected datagram: taking its first octets as it arrived and
// recording it in the ring, as the receiver does for every datagram it refuses. Run alone
// and with a reader that copies what is new a few tens of times a second, as the window does.

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "reception/RejectedMessages.h"

namespace {

constexpr std::array<uint8_t, 4> kSender = {192, 0, 2, 1};

void RecordRejected(benchmark::State& state, bool windowOpen) {
    RejectedMessages rejected;
    const std::vector<uint8_t> garbage(512, 0x30);
    std::atomic<bool> done{false};
    std::thread window;
    if (windowOpen)
        window = std::thread([&] {
            std::vector<RejectedMessage> copied;
            uint64_t seen = 0;
            while (!done.load()) {
                copied.clear();
                rejected.CopySince(seen, copied);
                if (!copied.empty()) seen = copied.back().sequence;
                std::this_thread::sleep_for(std::chrono::milliseconds(40));
            }
        });
    uint16_t port = 0;
    for (auto _ : state) {
        const ArrivedDatagram arrived(garbage, kSender, ++port,
                                      static_cast<uint32_t>(garbage.size()));
        rejected.Record(arrived, RejectReason::kMalformed, -1, 2, {});
    }
    done.store(true);
    if (window.joinable()) window.join();
    state.SetItemsProcessed(state.iterations());
}

void BM_RecordRejected(benchmark::State& state) { RecordRejected(state, false); }
void BM_RecordRejectedWhileWindowCopies(benchmark::State& state) { RecordRejected(state, true); }

}  // namespace

BENCHMARK(BM_RecordRejected);
BENCHMARK(BM_RecordRejectedWhileWindowCopies);

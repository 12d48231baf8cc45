// libFuzzer entry point for the answering receiver: each input is decoded as the receiver
// decodes it, with a local engine, and whatever answer the decoded request asks for is
// built. Seed it with tests/data/datagrams:
//   ./inform_fuzz -max_len=1024 -max_total_time=60 corpus/ ../tests/data/datagrams

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzProgramFolder.h"
#include "crypto/UsmProtocols.h"
#include "platform/MessageBox.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "snmp/engine/AnswerBuilder.h"
#include "snmp/engine/AnswerCounts.h"
#include "users/UserStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // The captured authPriv sample's engine is taken as ours, so its user's messages reach
    // the authoritative checks and the authenticated answers; a second user has no engine ID.
    // The entry point takes no context, so the store lives as long as the run.
    static StandardErrorBoxes boxes;
    static StoreReadFailures readFailures;
    static UserStore users(readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep});
    static const bool userStoreReady = [] {
        FuzzProgramFolder();
        return users.AppendUser("trapuser", "authpassword", "privpassword", "80001F8880AABBCCDD",
                                kAuthHmacSha1, kPrivCbcDes) == 0 &&
               users.AppendUser("anyuser", "authpassword", "privpassword", "", kAuthHmacSha256,
                                kPrivCfbAes128) == 0;
    }();
    if (!userStoreReady) __builtin_trap();
    static const std::vector<uint8_t> engineId = {0x80, 0x00, 0x1F, 0x88, 0x80,
                                                  0xAA, 0xBB, 0xCC, 0xDD};
    const LocalEngine local{engineId, 1, 10};
    // Kept from one input to the next, as the receiver keeps its keys and salts: the entry
    // point has nowhere else to keep them.
    static auto keys = std::make_unique<UsmKeyCache>();
    static const TrapDecoder decoder(users, *keys);
    static AnswerBuilder builder(*keys);

    static auto target = std::make_unique<ReusableTrapRecord>();
    std::unique_ptr<uint8_t[]> datagram(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(datagram.get(), data, size);
    DecodeFailure failure;
    AnswerFacts answer;
    const int result =
        decoder.Decode({datagram.get(), size}, {127, 0, 0, 1}, *target, failure, local, answer);
    if (result < 0 || result > 3) __builtin_trap();
    if (answer.kind == AnswerKind::kResponse && result != kDecodeOk) __builtin_trap();

    std::vector<uint8_t> out;
    if (builder.Build(answer, local, 1, out) != 0) return 0;
    // A Response repeats the request's own fields: it never outgrows it by much.
    if (answer.kind == AnswerKind::kResponse && out.size() > size + kMaxAnswerGrowth)
        __builtin_trap();
    return 0;
}

// libFuzzer entry point for the datagram decoder. Seed it with tests/data/datagrams:
//   ./decode_fuzz -max_len=1024 -max_total_time=60 corpus/ ../tests/data/datagrams
// The receiver never passes more than 1024 octets, but the decoder must hold for any size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "FuzzProgramFolder.h"
#include "crypto/UsmProtocols.h"
#include "platform/MessageBox.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "users/UserStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto record = std::make_unique<TrapRecord>();
    // SNMPv3 messages look their user up in db/UserDB.na: the store holds the sender of the
    // captured authPriv sample, so inputs reach the HMAC and the decryption. The entry point
    // takes no context, so the store lives as long as the run.
    static StandardErrorBoxes boxes;
    static StoreReadFailures readFailures;
    static UserStore users(readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep});
    static const bool userStoreReady = [] {
        FuzzProgramFolder();
        return users.AppendUser("trapuser", "authpassword", "privpassword", "80001F8880AABBCCDD",
                                kAuthHmacSha1, kPrivCbcDes) == 0;
    }();
    if (!userStoreReady) __builtin_trap();
    // Kept from one input to the next, as the receiver keeps its keys: the entry point has
    // nowhere else to keep them.
    static auto keys = std::make_unique<UsmKeyCache>();
    static const TrapDecoder decoder(users, *keys);
    // The decoder may change the datagram in place (SNMPv3 decryption), so it gets a copy
    // of exactly the input's size.
    std::unique_ptr<uint8_t[]> datagram(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(datagram.get(), data, size);
    const int result = decoder.Decode({datagram.get(), size}, {127, 0, 0, 1}, *record);
    if (result < 0 || result > 3 || record->varBindCount < 0 || record->varBindCount > kMaxVarBinds)
        __builtin_trap();
    // The receiver's reused record, cleared only where the inputs before wrote, must come
    // out as the record zeroed in full.
    static auto reused = std::make_unique<ReusableTrapRecord>();
    if (size) std::memcpy(datagram.get(), data, size);
    DecodeFailure failure;
    if (decoder.Decode({datagram.get(), size}, {127, 0, 0, 1}, *reused, failure) != result ||
        std::memcmp(&reused->Record(), record.get(), sizeof(TrapRecord)) != 0)
        __builtin_trap();
    return 0;
}

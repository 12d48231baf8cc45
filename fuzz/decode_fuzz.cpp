// libFuzzer entry point for the datagram decoder. Seed it with tests/data/datagrams:
//   ./decode_fuzz -max_len=1024 -max_total_time=60 corpus/ ../tests/data/datagrams
// The receiver never passes more than 1024 octets, but the decoder must hold for any size.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include <cstdlib>

#include "notify/DBLib.h"
#include "snmp/TrapDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto record = std::make_unique<TrapRecord>();
    // SNMPv3 messages look their user up in db/UserDB.na: give them an empty store in a
    // program folder of their own, so no lookup waits on a missing folder.
    static const bool userStoreReady = [] {
        static char folder[] = "/tmp/olixtrap-fuzz-XXXXXX";
        if (mkdtemp(folder) == nullptr) return false;
        setenv("OLIXTRAP_HOME", folder, 1);
        return DBLib::MakeFolder("/db") == 0;
    }();
    if (!userStoreReady) __builtin_trap();
    // The decoder may change the datagram in place (SNMPv3 decryption), so it gets a copy
    // of exactly the input's size.
    std::unique_ptr<uint8_t[]> datagram(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(datagram.get(), data, size);
    const int result = DecodeDatagram({datagram.get(), size}, {127, 0, 0, 1}, *record);
    if (result < 0 || result > 3 || record->varBindCount < 0 || record->varBindCount > kMaxVarBinds)
        __builtin_trap();
    return 0;
}

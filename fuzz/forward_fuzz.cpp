// libFuzzer entry point for the forwarding forms. Seed it with tests/data/datagrams:
//   ./forward_fuzz -max_len=1024 -max_total_time=60 corpus/ ../tests/data/datagrams
// A decoded trap, whatever its octets, packs and unpacks to the same record and gives one
// valid JSON line; arbitrary octets given to the unpacker leave a usable record.

#include <rapidjson/document.h>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "forward/CapturedTrap.h"
#include "forward/JsonLine.h"
#include "forward/SyslogMessage.h"
#include "forward/TrapFields.h"
#include "platform/MessageBox.h"
#include "records/StoreReadFailures.h"
#include "snmp/TrapDecoder.h"
#include "snmp/UsmKeyCache.h"
#include "users/UserStore.h"

namespace {

bool StructuredDataReads(const std::string& message) {
    std::size_t at = message.find("[trap@32473");
    if (at == std::string::npos) return false;
    at += 11;
    while (at < message.size() && message[at] == ' ') {
        const std::size_t quote = message.find("=\"", at);
        if (quote == std::string::npos) return false;
        at = quote + 2;
        while (at < message.size() && message[at] != '"') at += message[at] == '\\' ? 2 : 1;
        if (at >= message.size()) return false;
        ++at;
    }
    return at + 1 == message.size() && message[at] == ']';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static auto record = std::make_unique<TrapRecord>();
    static auto unpacked = std::make_unique<TrapRecord>();
    // SNMPv3 messages look their user up in the program folder's user store; the entry point
    // takes no context, so the store lives as long as the run.
    static StandardErrorBoxes boxes;
    static StoreReadFailures readFailures;
    static const UserStore users(readFailures, {.boxes = boxes});
    static auto keys = std::make_unique<UsmKeyCache>();
    static const TrapDecoder decoder(users, *keys);
    const std::string input(reinterpret_cast<const char*>(data), size);

    // The unpacker reads octets the receiver never wrote without harm.
    UnpackTrapRecord(input, *unpacked);
    if (unpacked->varBindCount < 0 || unpacked->varBindCount > kMaxVarBinds) __builtin_trap();

    std::unique_ptr<uint8_t[]> datagram(new uint8_t[size ? size : 1]);
    if (size) std::memcpy(datagram.get(), data, size);
    ClearTrapRecord(*record);
    if (decoder.Decode({datagram.get(), size}, {127, 0, 0, 1}, *record) != kDecodeOk) return 0;

    if (!UnpackTrapRecord(PackTrapRecord(*record), *unpacked) ||
        std::memcmp(unpacked.get(), record.get(), sizeof(TrapRecord)) != 0)
        __builtin_trap();
    const TrapFields fields = CollectTrapFields(*record, std::chrono::system_clock::now(), 162);
    const std::string line = BuildJsonLine(fields);
    rapidjson::Document parsed;
    parsed.Parse<rapidjson::kParseValidateEncodingFlag>(line.data(), line.size());
    if (line.find('\n') != std::string::npos || parsed.HasParseError()) __builtin_trap();
    // RFC 5424 6.3.3: with '"', '\\' and ']' escaped, the structured data reads back as
    // name="value" pairs up to the closing ']', which ends a message without MSG.
    const std::string message = BuildSyslogMessage(fields, "", 16, 5, {"fuzz", "1"});
    if (!StructuredDataReads(message)) __builtin_trap();
    return 0;
}

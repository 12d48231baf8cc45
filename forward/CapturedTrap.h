#pragma once
// What the receiver thread hands to the forwarding senders for one trap: the decoded
// record packed without its zero runs (a typical trap takes a few hundred bytes of the
// record's 61 KB), when it arrived, the sender's port and, for relays, the datagram as it
// came off the wire. Every text is built from it later, on the senders' threads.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "trap/TrapRecord.h"

struct CapturedTrap {
    std::chrono::system_clock::time_point received;
    uint16_t sourcePort = 0;
    std::string packedRecord;
    std::vector<uint8_t> datagram;  // empty unless a relay asked for it
};

// Packs the record's head and its varBindCount bindings.
std::string PackTrapRecord(const TrapRecord& record);

// Fills record from a packed form; false, with the record cleared, when packed is not one.
// record must be zero past the bindings its varBindCount counts, as a cleared record and
// every unpacked one are: only what it used is cleared first.
bool UnpackTrapRecord(std::string_view packed, TrapRecord& record);

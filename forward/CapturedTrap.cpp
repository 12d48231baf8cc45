#include "forward/CapturedTrap.h"

#include <algorithm>
#include <cstring>

namespace {

// Zero runs shorter than this stay in the literal bytes: a run costs two counts.
constexpr std::size_t kShortestZeroRun = 8;

void PutCount(std::string& out, std::size_t count) {
    out.push_back(static_cast<char>(count & 0xFF));
    out.push_back(static_cast<char>((count >> 8) & 0xFF));
}

std::size_t GetCount(std::string_view in, std::size_t at) {
    return static_cast<unsigned char>(in[at]) | (static_cast<std::size_t>(static_cast<unsigned char>(in[at + 1])) << 8);
}

// The used part of the record: the head and the bindings it counts.
std::size_t UsedBytes(int32_t varBindCount) {
    const auto bindings = static_cast<std::size_t>(std::clamp(varBindCount, 0, kMaxVarBinds));
    return offsetof(TrapRecord, varBinds) + bindings * sizeof(VarBindEntry);
}

std::size_t ZeroRunAt(const uint8_t* bytes, std::size_t at, std::size_t end) {
    std::size_t run = 0;
    while (at + run < end && bytes[at + run] == 0) ++run;
    return run;
}

}  // namespace

// The form: pairs of (zero run, literal length) counts of two octets each, each pair
// followed by its literal octets; counts stay below 65536 because a piece is cut there.
std::string PackTrapRecord(const TrapRecord& record) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    const std::size_t end = UsedBytes(record.varBindCount);
    constexpr std::size_t kMaxPiece = 0xFFFF;
    std::string out;
    out.reserve(512);
    std::size_t at = 0;
    while (at < end) {
        const std::size_t zeros = std::min(ZeroRunAt(bytes, at, end), kMaxPiece);
        at += zeros;
        std::size_t literal = 0;
        while (at + literal < end && literal < kMaxPiece) {
            if (bytes[at + literal] == 0 && ZeroRunAt(bytes, at + literal, end) >= kShortestZeroRun) break;
            ++literal;
        }
        PutCount(out, zeros);
        PutCount(out, literal);
        out.append(reinterpret_cast<const char*>(bytes + at), literal);
        at += literal;
    }
    return out;
}

bool UnpackTrapRecord(std::string_view packed, TrapRecord& record) {
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    std::memset(bytes, 0, sizeof record);
    std::size_t at = 0;
    std::size_t in = 0;
    while (in < packed.size()) {
        if (packed.size() - in < 4) return false;
        const std::size_t zeros = GetCount(packed, in);
        const std::size_t literal = GetCount(packed, in + 2);
        in += 4;
        if (literal > packed.size() - in || zeros + literal > sizeof record - at) return false;
        at += zeros;
        std::memcpy(bytes + at, packed.data() + in, literal);
        at += literal;
        in += literal;
    }
    // A count the packer would not have written leaves no binding past the record.
    record.varBindCount = std::clamp(record.varBindCount, 0, kMaxVarBinds);
    return true;
}

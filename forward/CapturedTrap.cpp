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
    return static_cast<unsigned char>(in[at]) |
           (static_cast<std::size_t>(static_cast<unsigned char>(in[at + 1])) << 8);
}

// The used part of the record: the head and the bindings it counts.
std::size_t UsedBytes(int32_t varBindCount) {
    const auto bindings = static_cast<std::size_t>(std::clamp(varBindCount, 0, kMaxVarBinds));
    return offsetof(TrapRecord, varBinds) + bindings * sizeof(VarBindEntry);
}

// The first non-zero byte at or after at, or end; eight bytes at a time over the long zero
// stretches that short texts leave in their fields.
std::size_t NextNonZero(const uint8_t* bytes, std::size_t at, std::size_t end) {
    while (at + 8 <= end) {
        uint64_t word;
        std::memcpy(&word, bytes + at, sizeof word);
        if (word != 0) break;
        at += 8;
    }
    while (at < end && bytes[at] == 0) ++at;
    return at;
}

// The start of the first zero run worth its counts at or after at, or end.
std::size_t NextZeroRun(const uint8_t* bytes, std::size_t at, std::size_t end) {
    while (at < end) {
        const auto* zero = static_cast<const uint8_t*>(std::memchr(bytes + at, 0, end - at));
        if (zero == nullptr) return end;
        const auto start = static_cast<std::size_t>(zero - bytes);
        at = NextNonZero(bytes, start, end);
        if (at - start >= kShortestZeroRun || at == end) return start;
    }
    return end;
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
        const std::size_t zeros = std::min(NextNonZero(bytes, at, end) - at, kMaxPiece);
        at += zeros;
        const std::size_t literal = std::min(NextZeroRun(bytes, at, end) - at, kMaxPiece);
        PutCount(out, zeros);
        PutCount(out, literal);
        out.append(reinterpret_cast<const char*>(bytes + at), literal);
        at += literal;
    }
    return out;
}

bool UnpackTrapRecord(std::string_view packed, TrapRecord& record) {
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    // Only what the last record used can be non-zero: clearing that is enough.
    const std::size_t used = UsedBytes(record.varBindCount);
    std::size_t at = 0;
    std::size_t in = 0;
    bool whole = true;
    while (in < packed.size() && whole) {
        if (packed.size() - in < 4) {
            whole = false;
            break;
        }
        const std::size_t zeros = GetCount(packed, in);
        const std::size_t literal = GetCount(packed, in + 2);
        in += 4;
        if (literal > packed.size() - in || zeros + literal > sizeof record - at) {
            whole = false;
            break;
        }
        std::memset(bytes + at, 0, zeros);
        at += zeros;
        std::memcpy(bytes + at, packed.data() + in, literal);
        at += literal;
        in += literal;
    }
    // Past what was written and what was used before, the record is zero already.
    const std::size_t dirty = std::max(used, at);
    if (!whole) at = 0;
    if (at < dirty) std::memset(bytes + at, 0, dirty - at);
    // A count the packer would not have written leaves no binding past the record.
    record.varBindCount = std::clamp(record.varBindCount, 0, kMaxVarBinds);
    return whole;
}

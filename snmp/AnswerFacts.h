#pragma once
// What the receiver needs to answer a confirmed message: the Response to an inform (RFC 3416
// 4.2.7) or a report of the user-based security model (RFC 3414 3.2). The decoder fills it
// only when it is given this engine's identity; its spans point into the datagram and the
// record and live as long as they do.

#include <cstdint>
#include <span>

#include "users/UserStore.h"

// This receiver as the authoritative SNMP engine of the informs sent to it (RFC 3414 2.2).
struct LocalEngine {
    std::span<const uint8_t> engineId;
    int32_t boots = 0;
    int32_t time = 0;  // seconds since boots last grew
};

// The last arc of each usmStats counter (RFC 3414 5), which its report carries.
enum class ReportKind : uint8_t {
    kUnsupportedSecLevel = 1,
    kNotInTimeWindow = 2,
    kUnknownUserName = 3,
    kUnknownEngineId = 4,
    kWrongDigest = 5,
    kDecryptionError = 6,
};
inline constexpr int kReportKindCount = 6;

enum class AnswerKind : uint8_t { kNone, kResponse, kReport };

struct AnswerFacts {
    AnswerKind kind = AnswerKind::kNone;
    ReportKind report = ReportKind::kUnknownEngineId;
    bool reportable = false;     // a report is sent only when the message asked for one
    bool toLocalEngine = false;  // SNMPv3 checked with this receiver as the authority
    int32_t version = 0;
    int32_t requestId = 0;
    std::span<const uint8_t> community;    // SNMPv2c, as received
    std::span<const uint8_t> varBindList;  // the Response's bindings: the whole SEQUENCE
    // SNMPv3
    int32_t msgId = 0;
    uint8_t securityLevel = 0;  // msgFlags without the reportable flag
    std::span<const uint8_t> userName;
    std::span<const uint8_t> contextEngineId;
    std::span<const uint8_t> contextName;
    UserEntry user{};  // the keys of an authenticated answer
};

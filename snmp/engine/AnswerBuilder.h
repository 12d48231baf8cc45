#pragma once
// The answers of the receiver as an SNMP engine: the Response-PDU to an inform (RFC 3416
// 4.2.7: the request's request-id and bindings, error-status and error-index 0) and the
// Report-PDU of a usmStats counter (RFC 3414 3.2, RFC 3412 7.1 step 3), in the request's
// version. An SNMPv3 answer is authenticated and encrypted at the security level asked
// for, with keys localized with this engine's ID, and with salts that never repeat.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "snmp/AnswerFacts.h"

class UsmKeyCache;

class AnswerBuilder {
public:
    // Keys are localized and kept in keys. The salts start at random values.
    explicit AnswerBuilder(UsmKeyCache& keys);

    // 0 with the whole message in out; 1 when there is nothing to send (no answer asked
    // for, a key that cannot be made, a field too long for its type).
    [[nodiscard]] int Build(const AnswerFacts& facts, const LocalEngine& local,
                            uint32_t reportValue, std::vector<uint8_t>& out);

private:
    int BuildUsm(const AnswerFacts& facts, const LocalEngine& local, uint32_t reportValue,
                 std::vector<uint8_t>& out);
    bool Encrypt(const AnswerFacts& facts, const LocalEngine& local, std::vector<uint8_t>& scoped,
                 std::span<uint8_t, 8> salt);

    UsmKeyCache& keys_;
    // RFC 3414 8.1.1.1 and RFC 3826 3.1.2.1: each salt is a counter that never gives the
    // same value twice in a run (the DES salt also holds engineBoots).
    std::atomic<uint32_t> desSalt_;
    std::atomic<uint64_t> aesSalt_;
};

// The usmStats counter a report of kind carries: 1.3.6.1.6.3.15.1.1.kind.0.
std::vector<uint8_t> UsmStatsOidContent(ReportKind kind);

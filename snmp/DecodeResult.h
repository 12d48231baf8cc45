#pragma once
// The decoders' results and, beside them, why and where decoding stopped. The reason is
// written only on failure paths, so a datagram that decodes pays nothing for it.

#include <cstdint>

// Results of the decoders.
inline constexpr int kDecodeOk = 0;
inline constexpr int kDecodeMalformed = 1;       // malformed or unsupported
inline constexpr int kDecodeAuthFailure = 2;     // SNMPv3 authentication failure
inline constexpr int kDecodeDecryptFailure = 3;  // SNMPv3 decryption failure

// Each reason belongs to exactly one result (ResultOf).
enum class DecodeReason : uint8_t {
    kMalformed,        // an element could not be read, or its value is refused
    kNotATrap,         // a PDU other than a trap: an inform, a request or a response
    kUnknownUser,      // an encrypted message from a user who is not in the store
    kLevelNotAllowed,  // the message's security level is not the one its user has
    kAuthFailure,      // the message's MAC is not the one its user's key gives
    kDecryptFailure,   // no key, a cipher text of broken blocks, or a wrong key
    kDiscovery,        // a reportable message for another engine: answered with our engine ID
    kNotInTimeWindow,  // an authenticated message to this engine with other boots or time
    kNewEngineLimit,   // a key for one more engine would exceed the localizations allowed
};

constexpr int ResultOf(DecodeReason reason) {
    switch (reason) {
    case DecodeReason::kLevelNotAllowed:
    case DecodeReason::kAuthFailure:
    case DecodeReason::kNotInTimeWindow:
    case DecodeReason::kNewEngineLimit: return kDecodeAuthFailure;
    case DecodeReason::kUnknownUser:
    case DecodeReason::kDecryptFailure: return kDecodeDecryptFailure;
    case DecodeReason::kMalformed:
    case DecodeReason::kNotATrap:
    case DecodeReason::kDiscovery: break;
    }
    return kDecodeMalformed;
}

// Filled by the failure paths of the readers over one datagram.
struct DecodeStop {
    DecodeReason reason = DecodeReason::kMalformed;
    const uint8_t* at = nullptr;  // the first octet that was not accepted
};

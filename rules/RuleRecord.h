#pragma once
// One filter rule with its five actions: the lookup key and result of the rule store and
// the action block that the pipeline runs. Cleared to zero before it is filled
// (RuleRecord rule{}); texts are CP932, zero-terminated, one byte longer than their limit.

#include <array>
#include <cstdint>

enum RuleKind : int32_t {
    AllTraps = 0,  // the default actions used when every trap is received
    IpRange = 1,
    Enterprise = 2,  // SNMPv1 enterprise with generic and specific trap numbers
    User = 3,        // SNMPv3 user name
};

// Generic number of an enterprise rule that stands for every generic and specific number.
inline constexpr int32_t kGenericAny = 7;

struct RuleRecord {
    int32_t kind;
    std::array<char, 49> enterprise;  // "1.3.6.1.4.1." and at most 36 more bytes
    std::array<uint8_t, 4> ipFrom;    // network order, first octet first
    std::array<uint8_t, 4> ipTo;
    std::array<char, 37> userName;
    int32_t genericTrap;
    int32_t specificTrap;
    std::array<char, 129> popupMessage;
    std::array<char, 129> programLine;
    std::array<char, 129> mailMessage;
    std::array<char, 129> waveFile;
    int32_t beep;  // nonzero: beep
};

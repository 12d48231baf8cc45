#pragma once
// The decoded trap record: one fixed-size, zero-filled record that carries a received trap
// from the decoder through the pipeline, the log, the list and the actions.

#include <array>
#include <cstddef>
#include <cstdint>

// Values of the message's version field, as the record's version holds them.
inline constexpr int32_t kSnmpV1 = 0;
inline constexpr int32_t kSnmpV2c = 1;
inline constexpr int32_t kSnmpV3 = 3;

inline constexpr int kMaxVarBinds = 100;  // room for exactly this many bindings

// One variable binding, 600 bytes. A binding has one value type, so its value texts share
// one area: each text may run on over the fields that its type does not fill, up to the
// end of the entry (a 133-octet OCTET STRING gives a 399-character hex text).
struct VarBindEntry {
    std::array<char, 128> name;  // dotted OID text
    int32_t tag;                 // BER tag octet, sign-extended from 8 bits
    uint32_t intValue;           // 0x01, 0x02, 0x41, 0x42, 0x43
    union Value {
        std::array<char, 64> bitsText;  // 0x03, at 136
        struct {
            char before[64];
            std::array<char, 400> text;
        } hex;  // 0x04, at 200
        struct {
            char before[192];
            std::array<char, 272> text;
        } descriptor;  // 0x07, at 328
        struct {
            char before[320];
            std::array<char, 144> text;
        } oid;  // 0x06, at 456
        struct {
            char before[448];
            std::array<uint8_t, 16> octets;
        } ip;  // 0x40, at 584
        struct {
            char before[456];
            uint64_t number;
        } counter64;  // 0x46, at 592
    } value;

    char* bitsText() { return value.bitsText.data(); }
    const char* bitsText() const { return value.bitsText.data(); }
    char* hexText() { return value.hex.text.data(); }
    const char* hexText() const { return value.hex.text.data(); }
    char* descriptorText() { return value.descriptor.text.data(); }
    const char* descriptorText() const { return value.descriptor.text.data(); }
    char* oidText() { return value.oid.text.data(); }
    const char* oidText() const { return value.oid.text.data(); }
    uint8_t* ipAddress() { return value.ip.octets.data(); }
    const uint8_t* ipAddress() const { return value.ip.octets.data(); }
    uint64_t& counter64() { return value.counter64.number; }
    uint64_t counter64() const { return value.counter64.number; }

    // Room of each text up to the end of the entry, terminator included.
    static constexpr std::size_t kBitsTextRoom = 64;
    static constexpr std::size_t kHexTextRoom = 400;
    static constexpr std::size_t kDescriptorTextRoom = 272;
    static constexpr std::size_t kOidTextRoom = 144;
    static constexpr std::size_t kIpAddressRoom = 16;
};

struct TrapRecord {
    std::array<uint8_t, 4> sourceAddress;  // network order
    int32_t version;                       // 0 v1, 1 v2c, 3 v3
    std::array<char, 128> hostName;
    std::array<char, 128> community;
    std::array<char, 128> enterprise;
    std::array<uint8_t, 4> agentAddress;
    int32_t genericTrap;
    int32_t specificTrap;
    uint32_t timeStamp;
    int32_t requestId;
    int32_t errorStatus;
    int32_t errorIndex;
    int32_t msgId;
    int32_t msgMaxSize;
    int32_t msgFlags;
    int32_t msgSecurityModel;
    int32_t engineIdLength;
    std::array<uint8_t, 128> engineId;
    int32_t engineBoots;
    int32_t engineTime;
    std::array<char, 36> userName;
    int32_t authParamsLength;
    std::array<uint8_t, 128> authParams;
    int32_t privParamsLength;
    std::array<uint8_t, 128> privParams;
    int32_t contextEngineIdLength;
    std::array<uint8_t, 128> contextEngineId;
    int32_t contextNameLength;
    std::array<uint8_t, 128> contextName;
    int32_t varBindCount;
    std::array<VarBindEntry, kMaxVarBinds> varBinds;
};

// Zero-fills the record (it holds no pointers).
void ClearTrapRecord(TrapRecord& record);

// Zero-fills the fields before the bindings and the first `entries` binding entries: the
// whole record when the later entries are zero already.
void ClearTrapRecordHead(TrapRecord& record, int entries);

static_assert(sizeof(VarBindEntry) == 600);
static_assert(offsetof(VarBindEntry, tag) == 128);
static_assert(offsetof(VarBindEntry, intValue) == 132);
static_assert(offsetof(VarBindEntry, value) == 136);
// Each value text starts where its field lies and its room ends with the entry.
static_assert(offsetof(VarBindEntry, value.bitsText) == 136);
static_assert(offsetof(VarBindEntry, value.hex.text) == 200);
static_assert(offsetof(VarBindEntry, value.descriptor.text) == 328);
static_assert(offsetof(VarBindEntry, value.oid.text) == 456);
static_assert(offsetof(VarBindEntry, value.ip.octets) == 584);
static_assert(offsetof(VarBindEntry, value.counter64.number) == 592);
static_assert(200 + VarBindEntry::kHexTextRoom == sizeof(VarBindEntry));
static_assert(328 + VarBindEntry::kDescriptorTextRoom == sizeof(VarBindEntry));
static_assert(456 + VarBindEntry::kOidTextRoom == sizeof(VarBindEntry));
static_assert(584 + VarBindEntry::kIpAddressRoom == sizeof(VarBindEntry));
static_assert(offsetof(TrapRecord, version) == 4);
static_assert(offsetof(TrapRecord, agentAddress) == 392);
static_assert(offsetof(TrapRecord, engineId) == 440);
static_assert(offsetof(TrapRecord, userName) == 576);
static_assert(offsetof(TrapRecord, contextName) == 1012);
static_assert(offsetof(TrapRecord, varBindCount) == 1140);
static_assert(offsetof(TrapRecord, varBinds) == 1144);
static_assert(sizeof(TrapRecord) == 1144 + 100 * 600);

#include "support/TrapRecords.h"

#include <algorithm>

#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "snmp/BerTags.h"

std::unique_ptr<TrapRecord> NewTrapRecord(int32_t version, TrapAddress source) {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = version;
    record->sourceAddress = source;
    record->agentAddress = source;
    return record;
}

VarBindEntry& AddBinding(TrapRecord& record, std::string_view name, int32_t tag) {
    VarBindEntry& entry = record.varBinds.at(static_cast<std::size_t>(record.varBindCount++));
    entry = VarBindEntry{};
    SetFixedText(entry.name, name);
    entry.tag = tag;
    return entry;
}

void AddIntegerBinding(TrapRecord& record, std::string_view name, uint32_t value) {
    AddBinding(record, name, 0x02).intValue = value;
}

void AddOctetStringBinding(TrapRecord& record, std::string_view name, std::string_view hexText) {
    char* text = AddBinding(record, name, 0x04).hexText();
    std::copy_n(hexText.data(), std::min(hexText.size(), VarBindEntry::kHexTextRoom - 1), text);
}

std::unique_ptr<TrapRecord> NewV1Trap(TrapAddress source, int32_t generic, int32_t specific,
                                      std::string_view enterprise) {
    auto record = NewTrapRecord(kSnmpV1, source);
    SetFixedText(record->enterprise, enterprise);
    record->genericTrap = generic;
    record->specificTrap = specific;
    return record;
}

std::unique_ptr<TrapRecord> NewV3Trap(TrapAddress source, std::string_view user) {
    auto record = NewTrapRecord(kSnmpV3, source);
    SetFixedText(record->userName, user);
    record->genericTrap = 7;  // a notification other than the six generic traps
    return record;
}

std::unique_ptr<TrapRecord> NewV2cNotification(TrapAddress source, std::string_view oid,
                                               int ifIndex) {
    auto record = NewTrapRecord(kSnmpV2c, source);
    AddIntegerBinding(*record, "1.3.6.1.2.1.1.3.0", 100);
    VarBindEntry& trapOid = AddBinding(*record, "1.3.6.1.6.3.1.1.4.1.0", kTagOid);
    oid.copy(trapOid.oidText(), oid.size());
    if (ifIndex >= 0)
        AddIntegerBinding(*record, "1.3.6.1.2.1.2.2.1.1." + std::to_string(ifIndex),
                          static_cast<uint32_t>(ifIndex));
    return record;
}

namespace {
constexpr TrapAddress kSampleSource = {192, 168, 1, 20};
}

std::unique_ptr<TrapRecord> V1ColdStartishRecord() {
    auto r = NewV1Trap(kSampleSource, 6, 3, "1.3.6.1.4.1.9.1");
    SetFixedText(r->community, "public");
    r->agentAddress = {10, 0, 0, 1};
    r->timeStamp = 10000;
    AddIntegerBinding(*r, "1.3.6.1.2.1.2.2.1.1.1", 42);
    AddOctetStringBinding(*r, "1.3.6.1.4.1.9.1.1", "41 42 ");
    return r;
}

std::unique_ptr<TrapRecord> V2cRecord() {
    auto r = NewTrapRecord(kSnmpV2c, kSampleSource);
    SetFixedText(r->community, "private");
    r->genericTrap = 3;
    r->timeStamp = 12345;
    r->requestId = 7;
    r->errorStatus = 1;
    r->errorIndex = 2;
    AddIntegerBinding(*r, "1.3.6.1.2.1.2.2.1.1.2", 2);
    return r;
}

std::unique_ptr<TrapRecord> V3Record() {
    auto r = NewV3Trap(kSampleSource, "user1");
    r->msgId = 100;
    r->msgMaxSize = 65507;
    r->msgFlags = 3;
    r->msgSecurityModel = 3;
    r->engineIdLength = 5;
    std::copy_n("\x80\x00\x1f\x88\x01", 5, r->engineId.begin());
    r->engineBoots = 1;
    r->engineTime = 6000;
    r->authParamsLength = 12;
    r->authParams.fill(0xAB);
    r->privParamsLength = 8;
    r->privParams.fill(0x01);
    r->contextEngineIdLength = 5;
    std::copy_n("\x80\x00\x1f\x88\x01", 5, r->contextEngineId.begin());
    r->contextNameLength = 0;
    r->requestId = 9;
    AddIntegerBinding(*r, "1.3.6.1.2.1.1.3.0", 5);
    return r;
}

AppSettings WithTestFormats(AppSettings settings) {
    SetFixedText(settings.formatV1, "GID = %G / SID = %S / %B");
    SetFixedText(settings.formatV2c, "Com = %C");
    SetFixedText(settings.formatV3, "User = %u");
    return settings;
}

#pragma once
// Decoded trap records of each version for the window tests, with every field the
// version carries set to a value of its own.

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/FixedText.h"
#include "reception/TrapRecord.h"
#include "settings/AppSettings.h"

// The record is 60 kB: tests keep it on the heap.
inline std::unique_ptr<TrapRecord> NewTrapRecord(int32_t version) {
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = version;
    record->sourceAddress = {192, 168, 1, 20};
    record->agentAddress = record->sourceAddress;
    return record;
}

inline void AddIntegerBinding(TrapRecord& record, const char* name, uint32_t value) {
    VarBindEntry& entry = record.varBinds[static_cast<std::size_t>(record.varBindCount++)];
    SetFixedText(entry.name, name);
    entry.tag = 0x02;
    entry.intValue = value;
}

inline void AddOctetStringBinding(TrapRecord& record, const char* name, const char* hexText) {
    VarBindEntry& entry = record.varBinds[static_cast<std::size_t>(record.varBindCount++)];
    SetFixedText(entry.name, name);
    entry.tag = 0x04;
    std::copy_n(hexText, std::min(std::strlen(hexText), VarBindEntry::kHexTextRoom - 1), entry.hexText());
}

inline std::unique_ptr<TrapRecord> V1ColdStartishRecord() {
    auto r = NewTrapRecord(0);
    SetFixedText(r->community, "public");
    SetFixedText(r->enterprise, "1.3.6.1.4.1.9.1");
    r->agentAddress = {10, 0, 0, 1};
    r->genericTrap = 6;
    r->specificTrap = 3;
    r->timeStamp = 10000;
    AddIntegerBinding(*r, "1.3.6.1.2.1.2.2.1.1.1", 42);
    AddOctetStringBinding(*r, "1.3.6.1.4.1.9.1.1", "41 42 ");
    return r;
}

inline std::unique_ptr<TrapRecord> V2cRecord() {
    auto r = NewTrapRecord(1);
    SetFixedText(r->community, "private");
    r->genericTrap = 3;
    r->timeStamp = 12345;
    r->requestId = 7;
    r->errorStatus = 1;
    r->errorIndex = 2;
    AddIntegerBinding(*r, "1.3.6.1.2.1.2.2.1.1.2", 2);
    return r;
}

inline std::unique_ptr<TrapRecord> V3Record() {
    auto r = NewTrapRecord(3);
    r->genericTrap = 7;
    r->msgId = 100;
    r->msgMaxSize = 65507;
    r->msgFlags = 3;
    r->msgSecurityModel = 3;
    r->engineIdLength = 5;
    std::copy_n("\x80\x00\x1f\x88\x01", 5, r->engineId.begin());
    r->engineBoots = 1;
    r->engineTime = 6000;
    SetFixedText(r->userName, "user1");
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

// Display formats that show the placeholders of each version.
inline void UseTestFormats() {
    AppSettings settings = ReadSettings();
    SetFixedText(settings.formatV1, "GID = %G / SID = %S / %B");
    SetFixedText(settings.formatV2c, "Com = %C");
    SetFixedText(settings.formatV3, "User = %u");
    WriteSettings(settings);
}

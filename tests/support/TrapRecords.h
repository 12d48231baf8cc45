#pragma once
// Decoded trap records for tests: a zero-filled record of a version, bindings appended to
// it, and samples of each version with every field the version carries set to a value of
// its own.

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "settings/AppSettings.h"
#include "trap/TrapRecord.h"

using TrapAddress = std::array<uint8_t, 4>;

// The record is 60 kB: tests keep it on the heap. `source` is also the agent address.
std::unique_ptr<TrapRecord> NewTrapRecord(int32_t version = kSnmpV1, TrapAddress source = {});

// Appends a blank binding of the tag for the caller to give a value.
VarBindEntry& AddBinding(TrapRecord& record, std::string_view name, int32_t tag);
void AddIntegerBinding(TrapRecord& record, std::string_view name, uint32_t value);
void AddOctetStringBinding(TrapRecord& record, std::string_view name, std::string_view hexText);

std::unique_ptr<TrapRecord> NewV1Trap(TrapAddress source, int32_t generic, int32_t specific,
                                      std::string_view enterprise = "");
std::unique_ptr<TrapRecord> NewV3Trap(TrapAddress source, std::string_view user);
// An SNMPv2c notification: sysUpTime, snmpTrapOID = oid, and ifIndex.N = N when ifIndex >= 0.
std::unique_ptr<TrapRecord> NewV2cNotification(TrapAddress source, std::string_view oid,
                                               int ifIndex = -1);

// Samples from 192.168.1.20.
std::unique_ptr<TrapRecord> V1ColdStartishRecord();
std::unique_ptr<TrapRecord> V2cRecord();
std::unique_ptr<TrapRecord> V3Record();

// settings with display formats that show the placeholders of each version.
AppSettings WithTestFormats(AppSettings settings = {});

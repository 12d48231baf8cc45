#include "trap/TrapRecord.h"

#include <cstring>
#include <type_traits>

static_assert(std::is_trivially_copyable_v<TrapRecord>);

void ClearTrapRecord(TrapRecord& record) { std::memset(&record, 0, sizeof record); }

void ClearTrapRecordHead(TrapRecord& record, int entries) {
    std::memset(&record, 0, offsetof(TrapRecord, varBinds));
    std::memset(record.varBinds.data(), 0,
                sizeof(VarBindEntry) * static_cast<std::size_t>(entries));
}

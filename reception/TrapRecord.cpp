#include "reception/TrapRecord.h"

#include <cstring>
#include <type_traits>

static_assert(std::is_trivially_copyable_v<TrapRecord>);

void ClearTrapRecord(TrapRecord& record) { std::memset(&record, 0, sizeof record); }

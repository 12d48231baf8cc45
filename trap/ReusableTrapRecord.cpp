#include "trap/ReusableTrapRecord.h"

TrapRecord& ReusableTrapRecord::Cleared() {
    const int32_t used = record_.varBindCount;
    ClearTrapRecordHead(record_, used >= 0 && used <= kMaxVarBinds ? used : kMaxVarBinds);
    return record_;
}

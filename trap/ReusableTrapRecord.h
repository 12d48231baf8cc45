#pragma once
// The receiver's one trap record, decoded into again and again. A decode writes the fixed
// fields and only the binding entries it counts in varBindCount, so zeroing those before
// the next decode gives the same zero-filled record as zeroing all of its 61 KB.

#include "trap/TrapRecord.h"

class ReusableTrapRecord {
public:
    ReusableTrapRecord() : record_{} {}

    // Zeroes the fixed fields and the entries the last decode used, and returns the record.
    // Readers between decodes may change fixed fields (the pipeline writes hostName) but
    // never the bindings; a count outside 0..100 clears every entry.
    TrapRecord& Cleared();

    TrapRecord& Record() { return record_; }
    const TrapRecord& Record() const { return record_; }

private:
    TrapRecord record_;
};

#pragma once
// Lookups of the rule and user stores that could not read their file and answered from
// the rules or users read before: the user must see that a changed file is not in use.
// Each store shows in the main window's status bar while its file stays unreadable.
// Counted on the receiver thread, read on the user interface thread's tick.

#include <cstdint>

enum class StoreKind : int {
    kRules,  // db/EventDB.na
    kUsers,  // db/UserDB.na
};
inline constexpr int kStoreKindCount = 2;

// One attempt to read the file failed; the store is failing until StoreReadAgain.
void CountStoreReadFailure(StoreKind kind);
void StoreReadAgain(StoreKind kind);

bool StoreReadFailing(StoreKind kind);
uint64_t StoreReadFailures(StoreKind kind);

// Zeroes the counts and ends every failure (tests).
void ResetStoreReadFailures();

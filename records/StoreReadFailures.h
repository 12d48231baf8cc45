#pragma once
// Lookups of the rule and user stores that could not read their file and answered from
// the rules or users read before: the user must see that a changed file is not in use.
// Each store shows in the main window's status bar while its file stays unreadable.
// Counted on the receiver thread, read on the user interface thread's tick.

#include <array>
#include <atomic>
#include <cstdint>

enum class StoreKind : int {
    kRules,  // db/EventDB.na
    kUsers,  // db/UserDB.na
};
inline constexpr int kStoreKindCount = 2;

// The failed reads of each store's file.
class StoreReadFailures {
public:
    // One attempt to read the file failed; the store is failing until ReadAgain.
    void CountFailure(StoreKind kind);
    void ReadAgain(StoreKind kind);

    bool Failing(StoreKind kind) const;
    uint64_t Failures(StoreKind kind) const;

private:
    struct State {
        std::atomic<uint64_t> failures{0};
        std::atomic<bool> failing{false};
    };
    State& Of(StoreKind kind) { return states_[static_cast<int>(kind)]; }
    const State& Of(StoreKind kind) const { return states_[static_cast<int>(kind)]; }

    std::array<State, kStoreKindCount> states_;
};

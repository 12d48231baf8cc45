#pragma once
// The trap list's name column: the notification's name of a row, looked up when the row
// is drawn and cached by its notification OID, never stored in the row. The user
// interface thread's own; it follows each index the service publishes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "mib/MibIndex.h"
#include "mib/TrapNames.h"
#include "traplog/TrapRowTexts.h"

class MibService;

class TrapNameColumn {
public:
    // The column after the 33 of the trap list.
    static constexpr int kColumn = kTrapListColumns;

    // Names come from the indexes service publishes.
    explicit TrapNameColumn(const MibService& service) : service_(service) {}

    // column(n) gives the row's text of trap list column n.
    const std::string& Name(const std::function<std::string_view(int column)>& column);
    // The row's notification OID, as Name finds it.
    const std::string& Oid(const std::function<std::string_view(int column)>& column);
    // The dotted OID of a MIB name (OidOfName) in the current index.
    std::string OidOfName(std::string_view name);
    // True once when the service has published a new index since the last call: rows
    // already drawn then show names from it.
    bool IndexChanged();

private:
    const MibIndex& CurrentIndex();

    const MibService& service_;
    std::shared_ptr<const MibIndex> index_;
    uint64_t generation_ = ~uint64_t{0};
    uint64_t seenGeneration_ = 0;
    NameCache cache_;
    std::string oid_;  // the last row's notification, its room kept for the next
    std::string none_;
};

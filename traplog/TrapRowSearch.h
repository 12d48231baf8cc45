#pragma once
// Search and sort over the trap list's rows: which rows hold a text in any column, of a
// chosen event and version, and the order of two cells. Kept on the compact rows, so a
// million of them are searched in a fraction of a second. No Qt here.

#include <string>
#include <string_view>

#include "traplog/TrapRow.h"

struct TrapRowQuery {
    std::string text;  // CP932; empty matches every row
    int event = -1;    // genericTrap picture 0-7, -1 for any
    int version = 0;   // 1, 2 or 3 as the version column shows it, 0 for any

    bool Empty() const { return text.empty() && event < 0 && version == 0; }
};

// True when row is of the query's event and version and one of its cells contains the
// text, matched byte for byte and only at character boundaries (a trail byte of a
// two-byte character never starts a match).
bool TrapRowMatches(const TrapRow& row, const TrapRowQuery& query);

// Order of two cells of one column: cells that are whole numbers by value and before any
// other text, other cells byte by byte. Negative, zero or positive.
int CompareTrapCells(std::string_view a, std::string_view b);

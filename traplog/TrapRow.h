#pragma once
// One trap list row as the list keeps it: the 33 column texts back to back with their
// lengths, and the event picture. Self-contained, so the receiver can hand it to the
// windows through a queue and the list can hold a million of them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "traplog/TrapRowTexts.h"

struct TrapRow {
    std::string texts;  // CP932, column after column
    std::array<uint16_t, kTrapListColumns> lengths{};
    int8_t image = -1;  // genericTrap 0-7, -1 for none

    // Text of column (0-32); empty for any other column.
    std::string_view Cell(int column) const;
};

TrapRow PackTrapRow(const TrapRowTexts& row);

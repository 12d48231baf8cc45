#pragma once
// The texts of one trap list row: the 33 columns built from a decoded trap and, after them,
// the PDU column that names an inform (empty for a trap); their headers and layout, and the
// copy of a row into the fixed slots of TrapListRow. No Qt here.

#include <array>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "trap/TrapRecord.h"
#include "traplog/TrapListRow.h"

inline constexpr int kTrapListColumns = 34;
inline constexpr int kMessageColumn = 5;
inline constexpr int kBindingsColumn = 32;
inline constexpr int kPduColumn = 33;
inline constexpr std::size_t kBindingsLimit = 2047;  // bytes of column 32

enum class ColumnAlign { Left, Centre, Right };

struct TrapListColumn {
    const char* header;
    ColumnAlign align;
    int width;  // pixels
};

extern const std::array<TrapListColumn, kTrapListColumns> kTrapListColumnLayout;

struct TrapRowTexts {
    int image = 0;  // genericTrap; the event column shows its picture
    std::array<std::string, kTrapListColumns> columns;  // CP932
};

// "yyyy/mm/dd hh:mm:ss" of a local time.
std::string FormatReceiveTime(const std::tm& localTime);

// The row of a received trap with its one-line message, received at localTime; inform marks
// an InformRequest in the PDU column.
TrapRowTexts BuildTrapRowTexts(const TrapRecord& record, std::string_view message,
                               const std::tm& localTime, bool inform = false);

// Fills row (zeroed first) from the columns of one list row: each slot takes at most its
// size less two bytes (the bindings slot its size less one), cut between characters.
void FillTrapListRow(const std::function<std::string_view(int column)>& column, TrapListRow& row);

#pragma once
// One line of the trap log: event number, date and time, sender's address, host name,
// version and the one-line message, each followed by a comma. At most 2047 bytes with
// its line end; on disk the line end is CR LF.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "trap/TrapRecord.h"

// The longest line with its closing comma and line feed; readers use 2048-byte buffers.
inline constexpr std::size_t kMaxLogLine = 2047;

// The line for record and its one-line message at local time now, without its line end.
// The message is shortened at a CP932 character boundary so that the line fits.
std::string BuildLogLine(const TrapRecord& record, std::string_view message, const std::tm& now);

// The fields of a line (without its line end), split at every comma; the empty piece
// after the closing comma is not a field.
std::vector<std::string_view> SplitLogLine(std::string_view line);

struct LogMonth {
    int year;
    int month;
};

// Year and month of the date field (the field after the first comma, whatever the width
// of the event number), or nothing when the line holds no readable date.
std::optional<LogMonth> LogLineMonth(std::string_view line);

// Months between the line's month and now beyond the retention period; a line without a
// readable date never expires, and retention 0 keeps every line.
bool LogLineExpired(std::string_view line, int retention, const std::tm& now);

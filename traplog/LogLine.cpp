#include "traplog/LogLine.h"

#include <algorithm>

#include "platform/Encoding.h"
#include "traplog/TrapRowTexts.h"
#include "traplog/TrapText.h"

namespace {

constexpr std::string_view kLineEnd = ",\n";

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

}  // namespace

std::string BuildLogLine(const TrapRecord& record, std::string_view message, const std::tm& now) {
    std::string line = std::to_string(record.genericTrap) + ',' + FormatReceiveTime(now) + ',';
    line.reserve(kMaxLogLine);
    line += FormatTrapField(record, TrapField::SourceAddress) + ',';
    line += FormatTrapField(record, TrapField::HostName) + ',';
    line += FormatTrapField(record, TrapField::Version) + ',';

    const std::size_t room =
        kMaxLogLine - kLineEnd.size() - std::min(line.size(), kMaxLogLine - kLineEnd.size());
    line.append(message, 0, Cp932PrefixLength(message, room));
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    line += ',';
    return line;
}

std::vector<std::string_view> SplitLogLine(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string_view::npos;
         start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    if (start < line.size()) fields.push_back(line.substr(start));
    return fields;
}

std::optional<LogMonth> LogLineMonth(std::string_view line) {
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view date = line.substr(comma + 1);  // "YYYY/MM/..."
    if (date.size() < 7 || date[4] != '/' || !AllDigits(date.substr(0, 4)) ||
        !AllDigits(date.substr(5, 2)))
        return std::nullopt;
    return LogMonth{Number(date.substr(0, 4)), Number(date.substr(5, 2))};
}

bool LogLineExpired(std::string_view line, int retention, const std::tm& now) {
    if (retention == 0) return false;
    const std::optional<LogMonth> month = LogLineMonth(line);
    if (!month) return false;
    const int current = (now.tm_year + 1900) * 12 + now.tm_mon + 1;
    return current - (month->year * 12 + month->month) > retention;
}

#pragma once
// The trap list's rows as text for the clipboard: a header line, then one line per row,
// every column, separated by tabs, as a spreadsheet takes them, the name column last.

#include <QString>
#include <vector>

class TrapListModel;

QString TrapRowsAsText(const TrapListModel& rows, const std::vector<int>& rowNumbers);

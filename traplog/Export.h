#pragma once
// File > Output: the packet counters and the rows of the received trap list as
// OlixTrap.csv or OlixTrap.html in the current folder (Shift_JIS, CR LF line ends), then
// shown with the desktop's application for the file.

#include <string>

#include "trap/PacketCounters.h"
#include "traplog/TrapListRow.h"

class MessageBoxPort;
class ProgramLauncher;

enum class ExportFormat { Csv, Html };

// The folder the program was started from; the program's tmp folder when that is the
// program folder itself, where OlixTrap.html is the help document.
std::string ExportFolder();

// OlixTrap.csv or OlixTrap.html in ExportFolder().
std::string ExportFilePath(ExportFormat format);

// Writes the export file, replacing an older one. 0 written; 1 when the file cannot be
// created, after the error box ("CSV File Open Error。" or "HTML File Open Error。") shown
// through boxes.
[[nodiscard]] int WriteExport(ExportFormat format, const std::string& path,
                              const PacketCountBlock& counters, const TrapListReader& list,
                              MessageBoxPort& boxes);

// The menu command: the current counters and list to ExportFilePath, then the file is
// opened with xdg-open, started by launcher; when that fails a box says where the file is.
// 0 or 1 as WriteExport. boxes must outlive the opener, whose end may come later.
[[nodiscard]] int ExportTrapList(ExportFormat format, const PacketCounters& counters,
                                 const TrapListReader& list, ProgramLauncher& launcher,
                                 MessageBoxPort& boxes);

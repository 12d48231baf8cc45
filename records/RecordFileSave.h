#pragma once
// Saves of whole record files, as the dialogs make them: the new content is written beside
// the file, made durable and renamed over it, so a lookup and a crash at any moment find
// the old file or the new one, whole. The caller serializes its own saves; lookups need
// no lock against a save, because the rename swaps the file in one step.

#include <string>
#include <string_view>
#include <vector>

#include "records/RecordFileServices.h"

// The stored lines of <program folder><folder>/<fileName>, for a save that changes some of
// them; a file missing from its folder has none. 0, or 1 when the file is there but cannot
// be read (the box "<path> Access Error" is posted to services.boxes).
[[nodiscard]] int ReadStoredLines(std::string_view folder, std::string_view fileName,
                                  std::vector<std::string>& lines,
                                  const RecordFileServices& services);

// Makes lines (stored form, each followed by CR LF) the whole content of the file, through
// <fileName>.tmp beside it (DBLib::Open, its retries waiting through services.retrySleep).
// A file that may not be written, such as a read-only copy, is left as it is and the box
// "<path> に書き込めないため保存できません。" is posted, as it is when the new file cannot be
// written. 0 when saved, 1 when the file is unchanged.
[[nodiscard]] int SaveStoredLines(std::string_view folder, std::string_view fileName,
                                  const std::vector<std::string>& lines,
                                  const RecordFileServices& services);

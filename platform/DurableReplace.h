#pragma once
// Putting a fully written file in another's place so that a crash or a kill at any moment
// leaves one of the two whole: the new file is made durable before the rename, and the
// rename is made durable with the folder that holds both names.

#include <cstdio>
#include <string>

// Flushes, syncs and closes written (the file at fromPath), then renames it to toPath.
// Returns 0, or 1 when it failed: toPath is then unchanged and fromPath removed.
[[nodiscard]] int DurableReplace(std::FILE* written, const std::string& fromPath,
                                 const std::string& toPath);

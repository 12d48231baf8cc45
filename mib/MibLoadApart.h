#pragma once
// A MIB load in a process of its own (the loader, olixtrap-mibload), so that no module, and
// no fault of libsmi, can cost the program more than the load's bounds: the loader runs
// under limits of CPU time and memory, and is killed at the deadline or when the load is
// asked to stop, so the program's exit never waits for a file libsmi is still reading. It is
// started afresh rather than forked, as a copy of a process with threads may hold their
// locks.

#include <atomic>
#include <string>
#include <vector>

#include "mib/MibLoader.h"

// The loader: lib/olixtrap/ beside the bin folder of an installed copy, else the
// executable's own folder (a build tree).
std::string MibLoaderExecutable();

// As LoadMibModules. A loader that cannot start, or ends without its result (killed at a bound, or
// crashed), gives the built-in names and a report that names the file it was reading.
MibLoadResult LoadMibModulesApart(const std::vector<std::string>& folders,
                                  const MibLoadLimits& limits = {},
                                  const MibProgress& progress = {},
                                  const std::atomic<bool>* stop = nullptr);

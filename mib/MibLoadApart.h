#pragma once
// A MIB load in a child process of its own, so that no module, and no fault of libsmi, can
// cost the program more than the load's bounds: the child runs under limits of CPU time
// and memory, and is killed at the deadline or when the load is asked to stop, so the
// program's exit never waits for a file libsmi is still reading.

#include <atomic>
#include <string>
#include <vector>

#include "mib/MibLoader.h"

// As LoadMibModules. A child that ends without its result (killed at a bound, or crashed)
// gives the built-in names and a report that names the file it was reading.
MibLoadResult LoadMibModulesApart(const std::vector<std::string>& folders,
                                  const MibLoadLimits& limits = {},
                                  const MibProgress& progress = {},
                                  const std::atomic<bool>* stop = nullptr);

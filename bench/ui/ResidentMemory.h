#pragma once
// The resident memory of this process, for the list benchmarks' bytes-a-row figures.

#include <unistd.h>

#include <fstream>

inline double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

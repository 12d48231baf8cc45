#pragma once
// A program folder of the fuzzer's own under /tmp, named by OLIXTRAP_HOME for the whole
// run, with its data folders made, so no store waits on a missing folder or file.

#include <chrono>
#include <cstdlib>
#include <string>

#include "notify/records/DBLib.h"

inline const std::string& FuzzProgramFolder() {
    static const std::string folder = [] {
        char name[] = "/tmp/olixtrap-fuzz-XXXXXX";
        if (mkdtemp(name) == nullptr) __builtin_trap();
        setenv("OLIXTRAP_HOME", name, 1);
        for (const char* data : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(data);
        // A file that cannot be opened must fail at once, not after minutes of retries.
        DBLib::SetRetrySleep([](std::chrono::milliseconds) {});
        return std::string(name);
    }();
    return folder;
}

#pragma once
// A program folder of the fuzzer's own, named by OLIXTRAP_HOME for the whole run, with its
// data folders made, so no store waits on a missing folder or file. It lies on the memory
// file system where there is one: runs that write files would otherwise wait for the disk.
// The fuzzers' stores are given NoRetrySleep: a file that cannot be opened must fail at
// once, not after minutes of retries.

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "records/DBLib.h"

inline const std::string& FuzzProgramFolder() {
    static const std::string folder = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string name = std::string(base) + "/olixtrap-fuzz-XXXXXX";
        if (mkdtemp(name.data()) == nullptr) __builtin_trap();
        setenv("OLIXTRAP_HOME", name.c_str(), 1);
        for (const char* data : {"/db", "/log", "/tmp"}) DBLib::MakeFolder(data);
        return name;
    }();
    return folder;
}

inline void NoRetrySleep(std::chrono::milliseconds) {}

#pragma once
// Loads every MIB module file of the search folders with libsmi and builds the name index
// from them. libsmi keeps global state and is not thread-safe: loads are serialised here,
// and libsmi is never called outside a load. Texts of the report are UTF-8.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mib/MibIndex.h"

struct MibMessage {
    int line = 0;
    int severity = 0;  // libsmi's: 0 internal, 1 severe, 2 error, 3 minor, 4-6 warnings
    std::string text;
};

struct MibFileResult {
    std::string file;  // full path
    std::string folder;
    std::string module;  // empty when no module could be read
    std::size_t nodes = 0;
    bool failed = false;  // no module, a severe error, too large or not reached in time
    std::vector<MibMessage> messages;  // errors (severity 0-2) only
};

struct MibLoadReport {
    std::vector<MibFileResult>
        files;  // in search order; files of a module already read are left out
    std::size_t loaded = 0;
    std::size_t failed = 0;
};

struct MibLoadLimits {
    // A MIB module of the largest vendors is a few megabytes; larger files are not read.
    std::size_t maxFileBytes = 16 * 1024 * 1024;
    // libsmi cannot be interrupted within a file: the deadline is checked between files,
    // and a file that alone took longer than slowFile is named in its messages.
    std::chrono::milliseconds deadline{120'000};
    std::chrono::milliseconds slowFile{5'000};
    // Memory a load in a process of its own may take beyond what the program holds.
    std::size_t memoryBytes = std::size_t(1) << 30;
};

struct MibLoadResult {
    std::shared_ptr<const MibIndex> index;
    MibLoadReport report;
};

// Files done and files in all; called between files on the loading thread.
using MibProgress = std::function<void(std::size_t done, std::size_t total)>;

// The files a load reads, in the order it reads them.
std::vector<std::string> ListMibFiles(const std::vector<std::string>& folders);

// Loads the folders' files in order: a module found in an earlier folder hides one of the
// same name later, and imports are looked for in the same order. The index holds the
// built-in names where no module names the OID. A set stop flag ends the load between files.
// Without SNMPv2-SMI in any folder nothing is loaded, and the report says so.
MibLoadResult LoadMibModules(const std::vector<std::string>& folders,
                             const MibLoadLimits& limits = {}, const MibProgress& progress = {},
                             const std::atomic<bool>* stop = nullptr);

// olixtrap-mibload: loads MIB modules for the program in a process of its own, so that no
// module, and no fault of libsmi, costs the program more than the load's bounds. The program
// starts it for every load and reads its records (mib/MibLoadWire.h) from its standard output.
//
//   olixtrap-mibload PARENT-PID MAX-FILE-BYTES DEADLINE-MS SLOW-FILE-MS MEMORY-BYTES FOLDER...

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mib/MibLoadWire.h"
#include "mib/MibLoader.h"

namespace {

// Beyond the deadline the load checks between files itself, the CPU time left for the
// file it is in; the program kills the loader at the same bound.
constexpr std::chrono::seconds kGrace{5};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers reserve terabytes of address space for their shadow memory.
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif

bool WriteAll(std::string_view octets) {
    while (!octets.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, octets.data(), octets.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        octets.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool ParseNumber(std::string_view text, uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

uint64_t AddressSpaceInUse() {
    std::unique_ptr<std::FILE, decltype(&std::fclose)> statm(std::fopen("/proc/self/statm", "r"),
                                                             &std::fclose);
    unsigned long long pages = 0;
    if (!statm || std::fscanf(statm.get(), "%llu", &pages) != 1) return 0;
    return pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

void Bound(const MibLoadLimits& limits) {
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits.deadline + kGrace);
    const rlimit cpu{static_cast<rlim_t>(seconds.count()),
                     static_cast<rlim_t>(seconds.count()) + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitAddressSpace) {
        const rlim_t memory = AddressSpaceInUse() + limits.memoryBytes;
        const rlimit space{memory, memory};
        ::setrlimit(RLIMIT_AS, &space);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Ends with the program, however the program ends.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    uint64_t parent = 0, maxFileBytes = 0, deadlineMs = 0, slowFileMs = 0, memoryBytes = 0;
    if (argc < 6 || !ParseNumber(argv[1], parent) || !ParseNumber(argv[2], maxFileBytes) ||
        !ParseNumber(argv[3], deadlineMs) || !ParseNumber(argv[4], slowFileMs) ||
        !ParseNumber(argv[5], memoryBytes)) {
        std::fputs("olixtrap-mibload: started by the program only\n", stderr);
        return 2;
    }
    // The program ended between starting the loader and the death signal's setting.
    if (static_cast<uint64_t>(::getppid()) != parent) return 1;

    MibLoadLimits limits;
    limits.maxFileBytes = maxFileBytes;
    limits.deadline = std::chrono::milliseconds(deadlineMs);
    limits.slowFile = std::chrono::milliseconds(slowFileMs);
    limits.memoryBytes = memoryBytes;
    Bound(limits);
    const std::vector<std::string> folders(argv + 6, argv + argc);

    // A progress the program does not take means it closed the pipe: the load is for nobody.
    std::atomic<bool> unread{false};
    const MibLoadResult result = LoadMibModules(
        folders, limits,
        [&unread](std::size_t done, std::size_t total) {
            if (!WriteAll(MibLoadRecord(kMibProgressRecord, done, total))) unread = true;
        },
        &unread);
    if (unread) return 1;
    const std::string encoded = EncodeMibLoadResult(result);
    if (!WriteAll(MibLoadRecord(kMibResultRecord, encoded.size(), 0, encoded))) return 1;
    // libsmi's state goes with the process; nothing is left to flush.
    ::_exit(0);
}

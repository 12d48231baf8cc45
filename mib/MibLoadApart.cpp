#include "mib/MibLoadApart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "mib/MibBuiltinNames.h"
#include "mib/MibLoadWire.h"

namespace {

// The child's messages: 'P' with two numbers (progress), then 'R' with the result's size
// and the encoded result.
constexpr char kProgress = 'P';
constexpr char kResult = 'R';
constexpr std::size_t kNumber = sizeof(uint64_t);
// The child gets this long beyond the deadline it checks between files itself.
constexpr std::chrono::seconds kGrace{5};
constexpr int kWaitStepMs = 100;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers reserve terabytes of address space for their shadow memory.
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void WriteRecord(int fd, char kind, uint64_t first, uint64_t second, std::string_view rest = {}) {
    std::string record(1, kind);
    record.append(reinterpret_cast<const char*>(&first), kNumber);
    record.append(reinterpret_cast<const char*>(&second), kNumber);
    record += rest;
    WriteAll(fd, record.data(), record.size());
}

uint64_t AddressSpaceInUse() {
    std::unique_ptr<std::FILE, decltype(&std::fclose)> statm(std::fopen("/proc/self/statm", "r"),
                                                             &std::fclose);
    unsigned long long pages = 0;
    if (!statm || std::fscanf(statm.get(), "%llu", &pages) != 1) return 0;
    return pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

// The child: bounds itself, loads, writes the result and ends without running anything of
// the program's exit.
[[noreturn]] void RunChild(int out, pid_t parent, const std::vector<std::string>& folders,
                           const MibLoadLimits& limits) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    // Nothing of the program's is kept open: a socket held here would keep its port bound.
    if (::dup2(out, 3) != 3) ::_exit(1);
    ::close_range(4, ~0U, 0);
    out = 3;
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(limits.deadline + kGrace);
    const rlimit cpu{static_cast<rlim_t>(seconds.count()),
                     static_cast<rlim_t>(seconds.count()) + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitAddressSpace) {
        const rlim_t memory = AddressSpaceInUse() + limits.memoryBytes;
        const rlimit space{memory, memory};
        ::setrlimit(RLIMIT_AS, &space);
    }
    const MibLoadResult result = LoadMibModules(
        folders, limits,
        [out](std::size_t done, std::size_t total) { WriteRecord(out, kProgress, done, total); });
    const std::string encoded = EncodeMibLoadResult(result);
    WriteRecord(out, kResult, encoded.size(), 0, encoded);
    ::_exit(0);
}

MibLoadResult Interrupted(const std::vector<std::string>& folders, std::size_t reached,
                          const std::string& message) {
    auto index = std::make_shared<MibIndex>();
    AddBuiltinNames(*index);
    MibLoadResult result;
    result.index = std::move(index);
    const std::vector<std::string> files = ListMibFiles(folders);
    MibFileResult failed;
    failed.file = reached < files.size() ? files[reached] : std::string();
    failed.folder = failed.file.empty() ? std::string()
                                        : std::filesystem::path(failed.file).parent_path().string();
    failed.failed = true;
    failed.messages.push_back({0, 1, message});
    result.report.files.push_back(std::move(failed));
    result.report.failed = 1;
    return result;
}

}  // namespace

MibLoadResult LoadMibModulesApart(const std::vector<std::string>& folders,
                                  const MibLoadLimits& limits, const MibProgress& progress,
                                  const std::atomic<bool>* stop) {
    std::array<int, 2> pipe{};
    if (::pipe2(pipe.data(), O_CLOEXEC) != 0)
        return Interrupted(folders, ~std::size_t(0),
                           "子プロセスを作れないため読み込みませんでした");
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        RunChild(pipe[1], parent, folders, limits);
    }
    ::close(pipe[1]);
    if (child < 0) {
        ::close(pipe[0]);
        return Interrupted(folders, ~std::size_t(0),
                           "子プロセスを作れないため読み込みませんでした");
    }

    const auto deadline = std::chrono::steady_clock::now() + limits.deadline + kGrace;
    std::string received;
    std::size_t reached = 0;
    std::optional<MibLoadResult> result;
    bool killed = false;
    while (!result) {
        if ((stop && stop->load()) || std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            killed = true;
            break;
        }
        pollfd wait{pipe[0], POLLIN, 0};
        if (::poll(&wait, 1, kWaitStepMs) <= 0) continue;
        std::array<char, 65536> chunk;
        const ssize_t n = ::read(pipe[0], chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the child ended
        received.append(chunk.data(), static_cast<std::size_t>(n));
        // Whole records from the front.
        while (received.size() >= 1 + 2 * kNumber) {
            uint64_t first = 0, second = 0;
            std::memcpy(&first, received.data() + 1, kNumber);
            std::memcpy(&second, received.data() + 1 + kNumber, kNumber);
            if (received[0] == kProgress) {
                reached = first;
                if (progress) progress(first, second);
                received.erase(0, 1 + 2 * kNumber);
                continue;
            }
            if (received[0] != kResult || received.size() - 1 - 2 * kNumber < first) break;
            result = DecodeMibLoadResult(std::string_view(received).substr(1 + 2 * kNumber, first));
            break;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (result) return std::move(*result);
    return Interrupted(folders, reached,
                       killed ? "時間の制限を超えたため、読み込みを中止しました"
                              : "制限を超えたか異常終了したため、読み込みを中止しました");
}

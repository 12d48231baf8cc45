#pragma once
// The process's MIB names: loaded on a thread of their own at start-up and on reload, then
// published whole as an immutable index that every thread reads without waiting. Until the
// first load ends the index holds the built-in names.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "mib/MibIndex.h"
#include "mib/MibLoader.h"

class SettingsSource;

struct MibProgressView {
    bool loading = false;
    std::size_t done = 0;  // files of the running load
    std::size_t total = 0;
};

class MibService {
public:
    MibService();
    ~MibService();
    MibService(const MibService&) = delete;
    MibService& operator=(const MibService&) = delete;

    // Loads the folders on the loading thread; asked during a load, it loads again after it.
    void Reload(std::vector<std::string> folders, const MibLoadLimits& limits = {});
    // Asks a running load to end after its current file and waits for the thread.
    void Stop();

    std::shared_ptr<const MibIndex> Index() const { return index_.load(); }
    // Changes with every published index: a reader holding names compares it cheaply.
    uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }
    MibProgressView Progress() const;
    // The last load's files; null before the first load ends.
    std::shared_ptr<const MibLoadReport> Report() const { return report_.load(); }

private:
    void Run();

    std::atomic<std::shared_ptr<const MibIndex>> index_;
    std::atomic<std::shared_ptr<const MibLoadReport>> report_;
    std::atomic<uint64_t> generation_{0};
    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};

    std::mutex lock_;  // guards what follows
    struct Request {
        std::vector<std::string> folders;
        MibLoadLimits limits;
    };
    std::optional<Request> pending_;
    bool running_ = false;
    std::thread thread_;
};

// The search folders of this process with the MIBDIRS setting of settings, loaded into
// service in the background.
void StartMibLoading(MibService& service, const SettingsSource& settings);

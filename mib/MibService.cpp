#include "mib/MibService.h"

#include "mib/MibBuiltinNames.h"
#include "mib/MibLoadApart.h"
#include "mib/MibSearchPath.h"
#include "platform/FixedText.h"
#include "settings/SettingsSource.h"

MibService::MibService() {
    auto builtin = std::make_shared<MibIndex>();
    AddBuiltinNames(*builtin);
    index_.store(std::move(builtin));
}

MibService::~MibService() { Stop(); }

void MibService::Reload(std::vector<std::string> folders, const MibLoadLimits& limits) {
    const std::lock_guard guard(lock_);
    pending_ = Request{std::move(folders), limits};
    if (running_) return;
    // A thread that ended its last load may still be returning.
    if (thread_.joinable()) thread_.join();
    stop_ = false;
    running_ = true;
    thread_ = std::thread(&MibService::Run, this);
}

void MibService::Stop() {
    std::thread ending;
    {
        const std::lock_guard guard(lock_);
        stop_ = true;
        pending_.reset();
        ending = std::move(thread_);
    }
    if (ending.joinable()) ending.join();
}

MibProgressView MibService::Progress() const {
    MibProgressView view;
    view.total = total_.load();
    view.done = done_.load();
    view.loading = view.done < view.total;
    return view;
}

void MibService::Run() {
    for (;;) {
        Request request;
        {
            const std::lock_guard guard(lock_);
            if (!pending_ || stop_) {
                running_ = false;
                return;
            }
            request = std::move(*pending_);
            pending_.reset();
        }
        total_ = 1;  // loading, the files not yet counted
        done_ = 0;
        MibLoadResult result = LoadMibModulesApart(
            request.folders, request.limits,
            [this](std::size_t done, std::size_t total) {
                total_ = total;
                done_ = done;
            },
            &stop_);
        if (stop_) {
            done_ = total_.load();
            continue;
        }
        index_.store(std::move(result.index));
        report_.store(std::make_shared<const MibLoadReport>(std::move(result.report)));
        generation_.fetch_add(1, std::memory_order_release);
        done_ = total_.load();
    }
}

void StartMibLoading(MibService& service, const SettingsSource& settings) {
    const AppSettings now = settings.Snapshot();
    service.Reload(MibSearchFolders(CurrentMibFolderFacts(FixedTextView(now.mibFolders))));
}

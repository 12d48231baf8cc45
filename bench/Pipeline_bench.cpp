#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "notify/DBLib.h"
#include "notify/Pipeline.h"
#include "notify/RuleStore.h"
#include "settings/AppSettings.h"

namespace {

// A program folder of its own holding count address ranges, none of which holds the
// sender but the last: the filter reads every range, each from the start of the file.
class RangeRules {
public:
    explicit RangeRules(int count) {
        std::string pattern = (std::filesystem::temp_directory_path() / "olixtrap-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
        setenv("OLIXTRAP_HOME", folder_.c_str(), 1);
        DBLib::MakeFolder("/db");
        RuleStore::Reset();
        AppSettings settings = ReadSettings();
        settings.receiveMode = 1;
        WriteSettings(settings);
        for (int i = 0; i < count; ++i) {
            RuleRecord rule{};
            rule.kind = IpRange;
            const uint8_t last = i + 1 == count ? 1 : 2;
            rule.ipFrom = {10, static_cast<uint8_t>(i / 256), static_cast<uint8_t>(i % 256), last};
            rule.ipTo = rule.ipFrom;
            RuleStore::Put(rule);
        }
    }
    ~RangeRules() {
        RuleStore::Reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::string folder_;
};

void BM_FilterTrapThroughAddressRanges(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    RangeRules rules(count);
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 1;
    record->sourceAddress = {10, static_cast<uint8_t>((count - 1) / 256), static_cast<uint8_t>((count - 1) % 256), 1};
    RuleRecord actions{};
    for (auto _ : state) {
        if (FilterTrap(*record, actions) != 0) state.SkipWithError("the last range did not match");
    }
}
BENCHMARK(BM_FilterTrapThroughAddressRanges)->Arg(1)->Arg(10)->Arg(100);

}  // namespace

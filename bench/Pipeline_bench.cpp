#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "pipeline/Pipeline.h"
#include "pipeline/WindowPorts.h"
#include "platform/FixedText.h"
#include "platform/MessageBox.h"
#include "program/Program.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleLine.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"

namespace {

// A program folder of its own whose rule file holds, in this order, rangeCount address
// ranges of which only the last holds 10.x.y.1 (the others end in .2), then kindCount user
// rules and kindCount enterprise rules of 1.3.6.1.4.1.n, n = 0, 1, .... The reception
// filter is on in its settings, which the pipeline reads. Store() is a rule store on the file.
class RuleFile {
public:
    RuleFile(int rangeCount, int kindCount) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "olixtrap-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
        setenv("OLIXTRAP_HOME", folder_.c_str(), 1);
        DBLib::MakeFolder("/db");
        AppSettings settings{};
        settings.receiveMode = 1;
        settings_.Replace(settings);
        std::FILE* file = DBLib::Open("/db", "EventDB.na", OpenMode::Recreate, boxes_);
        const auto write = [file](const RuleRecord& rule) {
            std::string stored;
            if (BuildRuleLine(rule, stored) == RuleLineResult::Ok) DBLib::WriteLine(file, stored);
        };
        for (int i = 0; i < rangeCount; ++i) {
            RuleRecord rule{};
            rule.kind = IpRange;
            const uint8_t last = i + 1 == rangeCount ? 1 : 2;
            rule.ipFrom = {10, static_cast<uint8_t>(i / 256), static_cast<uint8_t>(i % 256), last};
            rule.ipTo = rule.ipFrom;
            write(rule);
        }
        for (int i = 0; i < kindCount; ++i) {
            RuleRecord rule{};
            rule.kind = User;
            SetFixedText(rule.userName, "user" + std::to_string(i));
            write(rule);
        }
        for (int i = 0; i < kindCount; ++i) {
            RuleRecord rule{};
            rule.kind = Enterprise;
            SetFixedText(rule.enterprise, "1.3.6.1.4.1." + std::to_string(i));
            rule.genericTrap = kGenericAny;
            write(rule);
        }
        std::fclose(file);
    }
    ~RuleFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    const RuleStore& Store() const { return store_; }
    SettingsSource& Settings() { return settings_; }

private:
    std::string folder_;
    StandardErrorBoxes boxes_;
    StoreReadFailures readFailures_;
    RuleStore store_{readFailures_, {.boxes = boxes_}};
    SettingsSource settings_;
};

void FilterOneTrap(benchmark::State& state, RuleFile& rules, const TrapRecord& record) {
    RuleRecord actions{};
    const AppSettings settings = rules.Settings().Snapshot();
    for (auto _ : state) {
        if (FilterTrap(rules.Store(), record, settings, actions) != 0)
            state.SkipWithError("the trap was not received");
    }
}

// The sender is held by the last range only.
void BM_FilterTrapThroughAddressRanges(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    RuleFile rules(count, 0);
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 1;
    record->sourceAddress = {10, static_cast<uint8_t>((count - 1) / 256),
                             static_cast<uint8_t>((count - 1) % 256), 1};
    FilterOneTrap(state, rules, *record);
}
BENCHMARK(BM_FilterTrapThroughAddressRanges)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

// count rules of each kind: an SNMPv1 trap that no range holds, received by the last
// enterprise rule of the file.
void BM_FilterTrapThroughEveryKind(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    RuleFile rules(count, count);
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->version = 0;
    record->sourceAddress = {192, 0, 2, 1};
    SetFixedText(record->enterprise, "1.3.6.1.4.1." + std::to_string(count - 1));
    record->genericTrap = 6;
    record->specificTrap = 1;
    FilterOneTrap(state, rules, *record);
}
BENCHMARK(BM_FilterTrapThroughEveryKind)->Arg(1000);

// Windows that are there (so rows are queued) and never change.
class SilentWindows : public ServiceWindows {
public:
    void SetServiceStatus(std::string_view) override {}
    void SetServiceFailure(std::string_view) override {}
    void EnableServiceCommands(bool, bool) override {}
};

// One SNMPv1 trap with four bindings through the whole pipeline: every trap received,
// no rules, the row queued for the windows, and with argument 2 the log line written.
void BM_PipelineProcessTrap(benchmark::State& state) {
    RuleFile folder(0, 0);
    StandardErrorBoxes boxes;
    Program program(boxes);
    AppSettings settings = program.Settings().Snapshot();
    settings.receiveMode = 0;
    settings.resolveHostName = 0;
    settings.logMode = static_cast<int32_t>(state.range(0));
    SetFixedText(settings.formatV1,
                 "Com = %C / ePrise = %E / GID = %G / SID = %S / VarBindings = %B");
    program.Settings().Replace(settings);
    DBLib::MakeFolder("/log");
    SilentWindows windows;
    program.Windows().Install(&windows);
    auto record = std::make_unique<TrapRecord>();
    ClearTrapRecord(*record);
    record->sourceAddress = {192, 0, 2, 10};
    SetFixedText(record->community, "public");
    SetFixedText(record->enterprise, "1.3.6.1.4.1.8072.3.2.10");
    record->genericTrap = 2;
    for (int i = 0; i < 4; ++i) {
        SetFixedText(record->varBinds[i].name, "1.3.6.1.2.1.2.2.1.1.3");
        record->varBinds[i].tag = 0x02;
        record->varBinds[i].intValue = static_cast<uint32_t>(i);
    }
    record->varBindCount = 4;
    int queued = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(program.TrapPipeline().ProcessTrap(*record));
        // As the windows' tick would, so the queue never fills.
        if (++queued == 1000) {
            program.Rows().TakeQueuedRows();
            queued = 0;
        }
    }
    program.Windows().Install(nullptr);
}
BENCHMARK(BM_PipelineProcessTrap)->Arg(0)->Arg(2);

}  // namespace

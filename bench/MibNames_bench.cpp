#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "mib/MibLoader.h"
#include "mib/TrapNames.h"
#include "support/TempProgramFolder.h"

namespace {

const std::string kBase = OLIXTRAP_BENCH_SOURCE_DIR "/mib/base";

// A vendor-like module: a subtree of objects with an enumeration and two notifications.
std::string VendorModule(int n) {
    const std::string name = "BENCH-VENDOR-" + std::to_string(n) + "-MIB";
    const std::string p = "v" + std::to_string(n);
    std::string text =
        name +
        " DEFINITIONS ::= BEGIN\nIMPORTS MODULE-IDENTITY, OBJECT-TYPE, NOTIFICATION-TYPE, "
        "Integer32, enterprises FROM SNMPv2-SMI;\n";
    text +=
        p +
        "Root MODULE-IDENTITY LAST-UPDATED \"202401010000Z\" ORGANIZATION \"x\" CONTACT-INFO \"x\" "
        "DESCRIPTION \"x\" ::= { enterprises " +
        std::to_string(70000 + n) + " }\n";
    for (int i = 1; i <= 40; ++i)
        text += p + "Object" + std::to_string(i) +
                " OBJECT-TYPE SYNTAX INTEGER { up(1), down(2) } MAX-ACCESS "
                "read-only STATUS current DESCRIPTION \"An object of the bench vendor.\" ::= { " +
                p + "Root " + std::to_string(i) + " }\n";
    for (int i = 1; i <= 2; ++i)
        text += p + "Event" + std::to_string(i) + " NOTIFICATION-TYPE OBJECTS { " + p +
                "Object1 } STATUS current "
                "DESCRIPTION \"An event.\" ::= { " +
                p + "Root 0 " + std::to_string(i) + " }\n";
    return text + "END\n";
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// The base, Debian's modules and 500 generated vendor modules.
void BM_MibLoadAll(benchmark::State& state) {
    TempProgramFolder folder;
    for (int n = 0; n < 500; ++n)
        folder.Write("mibs/BENCH-VENDOR-" + std::to_string(n) + "-MIB.txt", VendorModule(n));
    const long before = ResidentKilobytes();
    std::size_t nodes = 0;
    for (auto _ : state) {
        const MibLoadResult result =
            LoadMibModules({folder.File("mibs"), "/usr/share/snmp/mibs", kBase});
        nodes = result.index->NodeCount();
        state.counters["resident_kB"] = static_cast<double>(ResidentKilobytes() - before);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_MibLoadAll)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_MibNameLookup(benchmark::State& state) {
    const MibLoadResult result = LoadMibModules({"/usr/share/snmp/mibs", kBase});
    const MibIndex& index = *result.index;
    for (auto _ : state) benchmark::DoNotOptimize(OidName(index, "1.3.6.1.2.1.2.2.1.8.3"));
}
BENCHMARK(BM_MibNameLookup);

}  // namespace

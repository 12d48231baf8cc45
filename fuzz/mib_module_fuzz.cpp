// libFuzzer entry point for the MIB loader: the input is a module file found in a search
// folder beside the base definitions; the load must end with a report and an index.
//   ./mib_module_fuzz -max_total_time=600 corpus/ ../tests/data/mibs

#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzProgramFolder.h"
#include "mib/MibLoader.h"
#include "mib/TrapNames.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        FuzzProgramFolder();
        DBLib::MakeFolder("/mibs");
        return FuzzProgramFolder() + "/mibs";
    }();
    {
        std::ofstream out(folder + "/FUZZ-MIB.txt", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const MibLoadResult result = LoadMibModules({folder, OLIXTRAP_SOURCE_DIR "/mib/base"});
    if (!result.index || result.report.files.empty()) __builtin_trap();
    OidName(*result.index, "1.3.6.1.4.1.64999.3.0.1.7");
    return 0;
}

#pragma once
// The folders MIB modules are read from, in the order a module name is looked for.

#include <string>
#include <string_view>
#include <vector>

struct MibFolderFacts {
    std::string programFolder;  // its mibs/ comes first
    std::string userHome;       // ~/.snmp/mibs
    std::string extraFolders;   // the MIBDIRS setting: folders separated by ':'
    std::string baseFolder;     // the base definitions installed with the program, last
};

// The program folder's mibs/, ~/.snmp/mibs, /usr/share/snmp/mibs with its ietf/ and iana/,
// every folder under /usr/share/mibs, /var/lib/mibs/ietf and /iana, the extra folders, and
// last the base definitions, so that full modules found anywhere else take precedence.
// Folders that do not exist are left out; none appears twice.
std::vector<std::string> MibSearchFolders(const MibFolderFacts& facts);

// The facts of this process: the program folder, $HOME, the setting, and the base folder
// (share/olixtrap/base-mibs of an installed copy, or base-mibs beside the executable).
MibFolderFacts CurrentMibFolderFacts(std::string_view extraFolders);

// The program folder's own module folder, where the window's "追加…" copies files.
std::string ProgramMibFolder();

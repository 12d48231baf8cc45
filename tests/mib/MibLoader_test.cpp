#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

#include "mib/MibLoadApart.h"
#include "mib/MibLoader.h"
#include "mib/TrapNames.h"
#include "support/TempProgramFolder.h"

namespace {

const std::string kBase = OLIXTRAP_SOURCE_DIR "/mib/base";
const std::string kTestModules = OLIXTRAP_TESTDATA_DIR "/mibs";
const std::string kDebianModules = "/usr/share/snmp/mibs";

const MibFileResult* FileNamed(const MibLoadReport& report, const std::string& name) {
    for (const MibFileResult& file : report.files)
        if (std::filesystem::path(file.file).filename() == name) return &file;
    return nullptr;
}

// Loaded in a process of its own, everything comes back through the pipe.
TEST(MibLoader, TestModulesGiveNamesEnumerationsUnitsAndDescriptions) {
    const MibLoadResult result = LoadMibModulesApart({kTestModules, kBase});
    const MibIndex& index = *result.index;
    EXPECT_EQ(OidName(index, "1.3.6.1.4.1.64999.3.0.1"), "OLIX-TEST-MIB::olixFanFailure");
    EXPECT_EQ(OidName(index, ".1.3.6.1.4.1.64999.3.0.2"), "OLIX-TEST-MIB::olixFanRecovered");
    EXPECT_EQ(OidName(index, "1.3.6.1.4.1.64999.2.1.1.3.7"), "OLIX-TEST-MIB::olixFanState.7");
    // The enumeration comes through a textual convention two imports away.
    EXPECT_EQ(ValueLabel(index, "1.3.6.1.4.1.64999.2.1.1.3.7", "3"), "failed(3)");
    EXPECT_EQ(ValueLabel(index, "1.3.6.1.4.1.64999.2.1.1.3.7", "9"), "");
    EXPECT_EQ(ValueLabel(index, "1.3.6.1.4.1.64999.2.1.1.4.7", "300"), "300 seconds");
    EXPECT_EQ(ValueLabel(index, "1.3.6.1.4.1.64999.2.1.1.2.7", "fan"), "");

    const MibNode* failure = ExactNode(index, "1.3.6.1.4.1.64999.3.0.1");
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->kind, MibNodeKind::Notification);
    EXPECT_NE(failure->description.find("unless the fan is replaced"), std::string::npos);
    EXPECT_EQ(failure->objects, (std::vector<std::string>{"OLIX-TEST-MIB::olixFanName",
                                                          "OLIX-TEST-MIB::olixFanState"}));
    EXPECT_EQ(ExactNode(index, "1.3.6.1.4.1.64999.3.0.1.5"), nullptr);

    const MibFileResult* broken = FileNamed(result.report, "OLIX-TEST-BROKEN-MIB.txt");
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(broken->failed);
    ASSERT_FALSE(broken->messages.empty());
    EXPECT_GT(broken->messages.front().line, 0);
    for (const char* good :
         {"OLIX-TEST-MIB.txt", "OLIX-TEST-TC.txt", "OLIX-TEST-ROOT-MIB.txt", "SNMPv2-SMI.txt"}) {
        const MibFileResult* file = FileNamed(result.report, good);
        ASSERT_NE(file, nullptr) << good;
        EXPECT_FALSE(file->failed)
            << good << ": " << (file->messages.empty() ? "" : file->messages.front().text);
    }
    EXPECT_EQ(result.report.failed, 1u);
}

TEST(MibLoader, DebianModulesLoadAgainstTheBaseDefinitions) {
    if (!std::filesystem::exists(kDebianModules + "/NET-SNMP-AGENT-MIB.txt"))
        GTEST_SKIP() << "libsnmp-base is not installed";
    const MibLoadResult result = LoadMibModules({kDebianModules, kBase});
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.4.1.8072.4.0.1"),
              "NET-SNMP-AGENT-MIB::nsNotifyStart");
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.4.1.8072.4.0.2"),
              "NET-SNMP-AGENT-MIB::nsNotifyShutdown");
    const MibFileResult* agent = FileNamed(result.report, "NET-SNMP-AGENT-MIB.txt");
    ASSERT_NE(agent, nullptr);
    EXPECT_GT(agent->nodes, 50u);
    // A fresh machine's modules find every import among the base definitions.
    for (const MibFileResult& file : result.report.files)
        EXPECT_FALSE(file.failed) << file.file << ": "
                                  << (file.messages.empty() ? "" : file.messages[0].text);
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.6.3.16.1.4.1.1"),
              "SNMP-VIEW-BASED-ACM-MIB::vacmAccessContextPrefix");
}

TEST(MibLoader, BuiltinNamesStandWhereNoModuleNamesThem) {
    const MibLoadResult result = LoadMibModules({kBase});
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.6.3.1.1.5.3"), "IF-MIB::linkDown");
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.2.1.2.2.1.8.3"), "IF-MIB::ifOperStatus.3");
    EXPECT_EQ(ValueLabel(*result.index, "1.3.6.1.2.1.2.2.1.8.3", "2"), "down(2)");
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.6.3.1.1.4.1.0"), "SNMPv2-MIB::snmpTrapOID.0");
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.4.1.64999.3.0.1"),
              "SNMPv2-SMI::enterprises.64999.3.0.1");
}

// Each bad file is reported with its error while the good module beside it still loads.
TEST(MibLoader, BadFilesAreListedAndTheRestLoads) {
    TempProgramFolder folder;
    folder.Write("mibs/GOOD-MIB.txt",
                 "GOOD-MIB DEFINITIONS ::= BEGIN\nIMPORTS enterprises FROM SNMPv2-SMI;\n"
                 "goodRoot OBJECT IDENTIFIER ::= { enterprises 64998 }\nEND\n");
    folder.Write("mibs/CYCLE-A-MIB.txt",
                 "CYCLE-A-MIB DEFINITIONS ::= BEGIN\nIMPORTS bNode FROM CYCLE-B-MIB;\n"
                 "aNode OBJECT IDENTIFIER ::= { bNode 1 }\nEND\n");
    folder.Write("mibs/CYCLE-B-MIB.txt",
                 "CYCLE-B-MIB DEFINITIONS ::= BEGIN\nIMPORTS aNode FROM CYCLE-A-MIB;\n"
                 "bNode OBJECT IDENTIFIER ::= { aNode 1 }\nEND\n");
    folder.Write("mibs/MISSING-IMPORT-MIB.txt",
                 "MISSING-IMPORT-MIB DEFINITIONS ::= BEGIN\nIMPORTS nothing FROM NO-SUCH-MIB;\n"
                 "lost OBJECT IDENTIFIER ::= { nothing 1 }\nEND\n");
    folder.Write("mibs/LONG-COMMENT-MIB.txt",
                 "-- " + std::string(1 << 20, 'x') +
                     "\nLONG-COMMENT-MIB DEFINITIONS ::= BEGIN\n"
                     "IMPORTS enterprises FROM SNMPv2-SMI;\nlongRoot OBJECT IDENTIFIER ::= { "
                     "enterprises 64997 }\nEND\n");
    std::string garbage(4096, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919 + 13) % 251);
    folder.Write("mibs/garbage.mib", garbage);
    // Imports that would block libsmi for good or keep it busy: a FIFO and a file over the
    // size limit. A load that reached them would end only at its deadline, with nothing.
    folder.Write(
        "mibs/HOSTILE-IMPORT-MIB.txt",
        "HOSTILE-IMPORT-MIB DEFINITIONS ::= BEGIN\nIMPORTS a FROM FIFO-MIB b FROM BIG-MIB;\n"
        "c OBJECT IDENTIFIER ::= { a 1 }\nEND\n");
    ASSERT_EQ(mkfifo(folder.File("mibs/FIFO-MIB").c_str(), 0600), 0);
    folder.Write("mibs/BIG-MIB", "BIG-MIB DEFINITIONS ::= BEGIN\n");
    std::filesystem::resize_file(folder.File("mibs/BIG-MIB"), 50u << 20);
    MibLoadLimits limits;
    limits.deadline = std::chrono::seconds(20);

    const MibLoadResult result = LoadMibModulesApart({folder.File("mibs"), kBase}, limits);
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.4.1.64998"), "GOOD-MIB::goodRoot");
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.4.1.64997"), "LONG-COMMENT-MIB::longRoot");
    for (const char* bad :
         {"CYCLE-A-MIB.txt", "MISSING-IMPORT-MIB.txt", "garbage.mib", "HOSTILE-IMPORT-MIB.txt"}) {
        const MibFileResult* file = FileNamed(result.report, bad);
        ASSERT_NE(file, nullptr) << bad;
        EXPECT_TRUE(file->failed) << bad;
        EXPECT_FALSE(file->messages.empty()) << bad;
    }
    EXPECT_FALSE(FileNamed(result.report, "GOOD-MIB.txt")->failed);
}

TEST(MibLoader, LimitsNameTheFilesLeftOut) {
    MibLoadLimits limits;
    limits.maxFileBytes = 2000;  // the base's SNMPv2-SMI is larger
    limits.deadline = std::chrono::milliseconds(0);
    const MibLoadResult tooLarge =
        LoadMibModules({kBase}, MibLoadLimits{2000, std::chrono::milliseconds(60'000)});
    EXPECT_TRUE(FileNamed(tooLarge.report, "SNMPv2-SMI.txt")->failed);
    const MibLoadResult late = LoadMibModules({kTestModules, kBase}, limits);
    EXPECT_EQ(late.report.loaded, 0u);
    EXPECT_EQ(late.report.failed, late.report.files.size());
    EXPECT_EQ(OidName(*late.index, "1.3.6.1.6.3.1.1.5.4"), "IF-MIB::linkUp");
    // Without the SMI libsmi is not even started.
    const MibLoadResult noSmi = LoadMibModules({kTestModules});
    EXPECT_EQ(noSmi.report.failed, 1u);
    EXPECT_EQ(OidName(*noSmi.index, "1.3.6.1.4.1.64999.3.0.1"), "");
}

// A load stopped at its first file is killed there; the links it made for libsmi go all the
// same, and the built-in names stand.
TEST(MibLoader, AStoppedLoadLeavesNoTemporaryFiles) {
    TempProgramFolder folder;
    folder.Write("tmp/.keep", "");
    const char* previous = std::getenv("TMPDIR");
    const std::string kept = previous ? previous : "";
    ASSERT_EQ(setenv("TMPDIR", folder.File("tmp").c_str(), 1), 0);
    std::atomic<bool> stop{false};
    const MibLoadResult result = LoadMibModulesApart(
        {kDebianModules, kTestModules, kBase}, {},
        [&stop](std::size_t, std::size_t) { stop = true; }, &stop);
    previous ? setenv("TMPDIR", kept.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_TRUE(stop);
    EXPECT_EQ(OidName(*result.index, "1.3.6.1.6.3.1.1.5.4"), "IF-MIB::linkUp");
    const auto left = std::distance(std::filesystem::directory_iterator(folder.File("tmp")),
                                    std::filesystem::directory_iterator());
    EXPECT_EQ(left, 1);  // .keep
}

// net-snmp's snmptranslate, given the same folders, names every node the same.
TEST(MibLoader, NamesMatchSnmptranslate) {
    if (!std::filesystem::exists("/usr/bin/snmptranslate"))
        GTEST_SKIP() << "snmptranslate is not installed";
    std::vector<std::string> folders = {kTestModules, kBase};
    if (std::filesystem::exists(kDebianModules))
        folders.insert(folders.begin() + 1, kDebianModules);
    std::string path;
    for (const std::string& folder : folders) path += (path.empty() ? "" : ":") + folder;
    TempProgramFolder persistent;
    const std::string command = "SNMP_PERSISTENT_DIR=" + persistent.Path() + " snmptranslate -M " +
                                path + " -m ALL -Tz 2>/dev/null";
    std::map<std::string, std::string> reference;  // OID to name
    {
        const std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        ASSERT_TRUE(pipe);
        char line[4096];
        while (fgets(line, sizeof line, pipe.get())) {
            std::string text(line);
            const std::size_t a = text.find('"'), b = text.find('"', a + 1);
            const std::size_t c = text.find('"', b + 1), d = text.find('"', c + 1);
            if (d == std::string::npos) continue;
            reference[text.substr(c + 1, d - c - 1)] = text.substr(a + 1, b - a - 1);
        }
    }
    ASSERT_GT(reference.size(), 100u);

    const MibLoadResult result = LoadMibModules(folders);
    std::size_t compared = 0;
    result.index->ForEach([&](std::span<const uint32_t> oid, const MibNode& node) {
        const std::string module(result.index->ModuleName(node));
        if (module.rfind("OLIX-TEST", 0) != 0 && module.rfind("NET-SNMP", 0) != 0 &&
            module.rfind("UCD-", 0) != 0)
            return;
        std::string dotted;
        for (uint32_t subid : oid) dotted += (dotted.empty() ? "" : ".") + std::to_string(subid);
        const auto it = reference.find(dotted);
        ASSERT_NE(it, reference.end()) << dotted << " " << node.name;
        EXPECT_EQ(it->second, node.name) << dotted;
        ++compared;
    });
    EXPECT_GT(compared, 100u);
}

}  // namespace

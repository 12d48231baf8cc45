#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "mib/MibSearchPath.h"
#include "mib/MibService.h"
#include "mib/TrapNames.h"
#include "support/TempProgramFolder.h"

namespace {

TEST(TrapNames, NotificationOidOfEachKindOfRow) {
    struct Case {
        const char *version, *enterprise, *generic, *specific, *bindings, *expected;
    } cases[] = {
        {"1", "1.3.6.1.4.1.8072.3.2.10", "0", "0", "", "1.3.6.1.6.3.1.1.5.1"},
        {"1", "1.3.6.1.4.1.8072.3.2.10", "5", "0", "", "1.3.6.1.6.3.1.1.5.6"},
        {"1", ".1.3.6.1.4.1.64999", "6", "17", "", "1.3.6.1.4.1.64999.0.17"},
        {"1", "", "6", "17", "", ""},
        {"1", "1.3.6.1.4.1.64999", "7", "0", "", ""},
        {"2", "", "", "",
         "1.3.6.1.2.1.1.3.0,12:00:01.00,1.3.6.1.6.3.1.1.4.1.0,1.3.6.1.6.3.1.1.5.3,",
         "1.3.6.1.6.3.1.1.5.3"},
        {"3", "", "", "", "1.3.6.1.6.3.1.1.4.1.0,1.3.6.1.4.1.8072.4.0.2", "1.3.6.1.4.1.8072.4.0.2"},
        {"2", "", "", "", "1.3.6.1.2.1.1.3.0,5,", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RowNotificationOid(c.version, c.enterprise, c.generic, c.specific, c.bindings),
                  c.expected)
            << c.version << " " << c.generic << " " << c.bindings;
}

TEST(TrapNames, LookupStopsAtTextThatIsNotAnOid) {
    MibIndex index;
    MibNode node;
    node.name = "ifOperStatus";
    index.Add(ParseOid("1.3.6.1.2.1.2.2.1.8"), "IF-MIB", node, false);
    EXPECT_EQ(OidName(index, "1.3.6.1.2.1.2.2.1.8.x"), "IF-MIB::ifOperStatus.x");
    EXPECT_EQ(OidName(index, "1.3.6.1.2.1.2.2.1.9"), "");
    EXPECT_EQ(OidName(index, ""), "");
    EXPECT_EQ(OidName(index, "1.3.6.1.2.1.2.2.1.99999999999"), "");
    EXPECT_TRUE(ParseOid("1..3").empty());
    EXPECT_TRUE(ParseOid("1.3.").empty());
}

// A filter names a binding by its MIB name; the module, when given, must be the node's.
TEST(TrapNames, NamesGiveTheirOidWithAnInstance) {
    MibIndex index;
    MibNode node;
    node.name = "ifOperStatus";
    index.Add(ParseOid("1.3.6.1.2.1.2.2.1.8"), "IF-MIB", node, false);
    node.name = "sameName";
    index.Add(ParseOid("1.3.6.1.4.1.9.1"), "A-MIB", node, false);
    index.Add(ParseOid("1.3.6.1.4.1.9.2"), "B-MIB", node, false);
    EXPECT_EQ(OidOfName(index, "ifOperStatus"), "1.3.6.1.2.1.2.2.1.8");
    EXPECT_EQ(OidOfName(index, "IF-MIB::ifOperStatus.3"), "1.3.6.1.2.1.2.2.1.8.3");
    EXPECT_EQ(OidOfName(index, "OTHER-MIB::ifOperStatus"), "");
    EXPECT_EQ(OidOfName(index, "sameName"), "1.3.6.1.4.1.9.1");
    EXPECT_EQ(OidOfName(index, "B-MIB::sameName"), "1.3.6.1.4.1.9.2");
    EXPECT_EQ(OidOfName(index, "ifoperstatus"), "");
    EXPECT_EQ(OidOfName(index, ""), "");
}

TEST(MibSearchPath, ProgramFolderFirstBaseLastEachFolderOnce) {
    TempProgramFolder folder;
    folder.Write("mibs/A.txt", "");
    folder.Write("home/.snmp/mibs/B.txt", "");
    folder.Write("extra/C.txt", "");
    folder.Write("base/D.txt", "");
    const std::vector<std::string> folders = MibSearchFolders(
        {folder.Path(), folder.File("home"),
         folder.File("extra") + "::/no/such/folder:" + folder.File("mibs"), folder.File("base")});
    ASSERT_GE(folders.size(), 4u);
    EXPECT_EQ(folders.front(), folder.File("mibs"));
    EXPECT_EQ(folders[1], folder.File("home/.snmp/mibs"));
    EXPECT_EQ(folders[folders.size() - 2], folder.File("extra"));
    EXPECT_EQ(folders.back(), folder.File("base"));
}

TEST(MibService, ReloadPublishesANewIndexWhileTheOldOneStaysReadable) {
    MibService service;
    const std::shared_ptr<const MibIndex> before = service.Index();
    EXPECT_EQ(OidName(*before, "1.3.6.1.6.3.1.1.5.4"), "IF-MIB::linkUp");
    const uint64_t generation = service.Generation();
    service.Reload({OLIXTRAP_TESTDATA_DIR "/mibs", OLIXTRAP_SOURCE_DIR "/mib/base"});
    for (int i = 0; i < 500 && service.Generation() == generation; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(service.Generation(), generation);
    EXPECT_EQ(OidName(*service.Index(), "1.3.6.1.4.1.64999.3.0.1"),
              "OLIX-TEST-MIB::olixFanFailure");
    EXPECT_EQ(OidName(*before, "1.3.6.1.4.1.64999.3.0.1"), "");
    ASSERT_NE(service.Report(), nullptr);
    EXPECT_EQ(service.Report()->failed, 1u);
    EXPECT_FALSE(service.Progress().loading);
}

}  // namespace

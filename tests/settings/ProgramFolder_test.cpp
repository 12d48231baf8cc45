#include "settings/ProgramFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/TempProgramFolder.h"

namespace {

namespace fs = std::filesystem;

// A scratch tree (the temporary folder is only used as a place to build it).
class ProgramFolderTest : public ::testing::Test {
protected:
    std::string Make(const std::string& relative) {
        fs::create_directories(root.Path() + "/" + relative);
        return root.Path() + "/" + relative;
    }
    ProgramFolderFacts Facts(const std::string& executableFolder, bool writable) {
        ProgramFolderFacts facts;
        facts.executableFolder = executableFolder;
        facts.executableFolderWritable = writable;
        facts.userHome = Make("home/user");
        return facts;
    }

    TempProgramFolder root;
};

TEST_F(ProgramFolderTest, OverrideWinsOverEverything) {
    ProgramFolderFacts facts = Facts(Make("build"), true);
    facts.homeOverride = Make("service/state") + "/";
    EXPECT_EQ(ResolveProgramFolder(facts), root.Path() + "/service/state");
}

TEST_F(ProgramFolderTest, WritableExecutableFolderIsTheProgramFolderAsInABuildTree) {
    EXPECT_EQ(ResolveProgramFolder(Facts(Make("build"), true)), root.Path() + "/build");
}

TEST_F(ProgramFolderTest, InstalledOrReadOnlyCopyUsesTheUsersDataFolderAndCreatesIt) {
    const std::string home = root.Path() + "/home/user";
    // Not writable (an ordinary user and /usr/bin).
    EXPECT_EQ(ResolveProgramFolder(Facts(Make("opt/bin"), false)), home + "/.local/share/olixtrap");
    EXPECT_TRUE(fs::is_directory(home + "/.local/share/olixtrap"));

    // Writable but an installed copy, with its shared files beside (root and /usr/bin).
    Make("usr/share/olixtrap");
    ProgramFolderFacts facts = Facts(Make("usr/bin"), true);
    facts.xdgDataHome = root.Path() + "/xdg";
    EXPECT_EQ(ResolveProgramFolder(facts), root.Path() + "/xdg/olixtrap");
    EXPECT_TRUE(fs::is_directory(root.Path() + "/xdg/olixtrap"));

    facts.xdgDataHome = "relative/xdg";  // invalid by the XDG rules: ignored
    EXPECT_EQ(ResolveProgramFolder(facts), home + "/.local/share/olixtrap");
}

TEST(ProgramFolder, FollowsOlixtrapHomeAndElseTheExecutable) {
    {
        TempProgramFolder folder;
        EXPECT_EQ(GetProgramFolder(), folder.Path());
        EXPECT_EQ(SettingsFilePath(), folder.Path() + "/OlixTrap.ini");
    }
    if (std::getenv("OLIXTRAP_HOME") == nullptr) {
        const std::string folder = GetProgramFolder();
        ASSERT_FALSE(folder.empty());
        EXPECT_NE(folder.back(), '/');
        EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/core_tests"));
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/IniFile.h"
#include "support/TempProgramFolder.h"

namespace {

IniFile Parse(const TempProgramFolder& folder, const std::string& bytes) {
    folder.Write("t.ini", bytes);
    IniFile ini;
    EXPECT_TRUE(ini.Load(folder.File("t.ini")));
    return ini;
}

TEST(IniFile, ReadsKeysOfTheirOwnSectionOnly) {
    TempProgramFolder folder;
    const IniFile ini = Parse(folder,
                              "top=0\n"
                              "[A]\n"
                              "  Key  =  spaced value  \r\n"
                              "; k=commented\n"
                              "not a key line\n"
                              "empty=\n"
                              "dup=first\n"
                              "dup=second\n"
                              "[B]\n"
                              "key=b\n"
                              "k=other");
    EXPECT_EQ(ini.GetString("a", "KEY"), "spaced value");
    EXPECT_EQ(ini.GetString("B", "key"), "b");
    EXPECT_EQ(ini.GetString("A", "dup"), "first");
    EXPECT_EQ(ini.GetString("A", "empty"), "");
    EXPECT_EQ(ini.GetString("A", "k"), std::nullopt);
    EXPECT_EQ(ini.GetString("A", "top"), std::nullopt);
    EXPECT_EQ(ini.GetString("C", "key"), std::nullopt);
    EXPECT_EQ(ini.GetString("B", "k"), "other");  // last line without a line end
}

TEST(IniFile, IntegersTakeTheLeadingDecimalNumber) {
    TempProgramFolder folder;
    const IniFile ini = Parse(folder,
                              "[N]\n"
                              "plain=42\n"
                              "negative=-7\n"
                              "plus=+5\n"
                              "trailing=12abc\n"
                              "letters=abc\n"
                              "empty=\n"
                              "wraps=4294967297\n");
    EXPECT_EQ(ini.GetInt("N", "plain", 9), 42);
    EXPECT_EQ(ini.GetInt("N", "negative", 9), -7);
    EXPECT_EQ(ini.GetInt("N", "plus", 9), 5);
    EXPECT_EQ(ini.GetInt("N", "trailing", 9), 12);
    EXPECT_EQ(ini.GetInt("N", "letters", 9), 0);
    EXPECT_EQ(ini.GetInt("N", "empty", 9), 9);
    EXPECT_EQ(ini.GetInt("N", "missing", 9), 9);
    EXPECT_EQ(ini.GetInt("N", "wraps", 9), 1);
}

TEST(IniFile, ValuesCannotBreakTheLineStructure) {
    TempProgramFolder folder;
    IniFile ini;
    EXPECT_FALSE(ini.Load(folder.File("missing.ini")));
    ini.SetString("S", "subject", "first line\r\n[INIT]\r\nRECVP=1");
    ASSERT_TRUE(ini.Save(folder.File("out.ini")));
    EXPECT_EQ(folder.Read("out.ini"), "[S]\r\nsubject=first line\r\n");
}

TEST(IniFile, FailedSaveLeavesTheOldFileAlone) {
    TempProgramFolder folder;
    folder.Write("t.ini", "[S]\r\nk=v\r\n");
    IniFile ini;
    ini.SetString("S", "k", "new");
    EXPECT_FALSE(ini.Save(folder.File("no-such-folder/t.ini")));
    EXPECT_EQ(folder.Read("t.ini"), "[S]\r\nk=v\r\n");
}

TEST(IniFile, SaveKeepsTheFilesPermissions) {
    TempProgramFolder folder;
    folder.Write("t.ini", "[S]\r\nk=v\r\n");
    const std::filesystem::path file = folder.File("t.ini");
    std::filesystem::permissions(
        file, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    IniFile ini;
    ASSERT_TRUE(ini.Load(file));
    ini.SetString("S", "k", "secret");
    ASSERT_TRUE(ini.Save(file));
    EXPECT_EQ(folder.Read("t.ini"), "[S]\r\nk=secret\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace

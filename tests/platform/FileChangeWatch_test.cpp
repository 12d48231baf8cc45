#include "platform/FileChangeWatch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/TempProgramFolder.h"

namespace {

using namespace std::chrono_literals;

// Long enough that a slow machine never reaches it within a test.
constexpr std::chrono::milliseconds kTrustedThroughoutTheTest = 1h;

// Each change a user or another program can make is noticed by the next question, with no
// look at the file; what happens to other files of the folder is not.
TEST(FileChangeWatch, NoticesEachChangeOfTheFileAndNothingElse) {
    TempProgramFolder folder;
    folder.Write("db/UserDB.na", "a\r\n");
    const std::string path = folder.File("db/UserDB.na");
    FileChangeWatch watch(kTrustedThroughoutTheTest);
    EXPECT_TRUE(watch.MayHaveChanged()) << "nothing armed yet";
    watch.Arm(path);
    EXPECT_FALSE(watch.MayHaveChanged());

    folder.Write("db/EventDB.na", "other file\r\n");
    folder.Replace("db/Other.na", "renamed over another name\r\n");
    EXPECT_FALSE(watch.MayHaveChanged());

    const auto noticed = [&](const char* what, const auto& change) {
        change();
        EXPECT_TRUE(watch.MayHaveChanged()) << what;
        watch.Arm(path);
        EXPECT_FALSE(watch.MayHaveChanged()) << what << ", once armed again";
    };
    noticed("rewritten in place", [&] { folder.Write("db/UserDB.na", "b\r\n"); });
    noticed("replaced by a rename", [&] { folder.Replace("db/UserDB.na", "c\r\n"); });
    noticed("removed", [&] { std::filesystem::remove(path); });
    noticed("created", [&] { folder.Write("db/UserDB.na", "d\r\n"); });
    noticed("folder removed and made again", [&] {
        std::filesystem::remove_all(folder.File("db"));
        folder.Write("db/UserDB.na", "e\r\n");
    });

    // Another path: the old one is no longer watched.
    folder.Write("db2/UserDB.na", "f\r\n");
    watch.Arm(folder.File("db2/UserDB.na"));
    folder.Write("db/UserDB.na", "g\r\n");
    EXPECT_FALSE(watch.MayHaveChanged());
    folder.Write("db2/UserDB.na", "h\r\n");
    EXPECT_TRUE(watch.MayHaveChanged());
}

TEST(FileChangeWatch, AMissingFolderOrAnExpiredTrustAlwaysCallsForALook) {
    TempProgramFolder folder;
    FileChangeWatch watch(kTrustedThroughoutTheTest);
    watch.Arm(folder.File("missing/UserDB.na"));
    EXPECT_TRUE(watch.MayHaveChanged());
    EXPECT_TRUE(watch.MayHaveChanged());

    folder.Write("db/UserDB.na", "a\r\n");
    FileChangeWatch untrusting(0ms);
    untrusting.Arm(folder.File("db/UserDB.na"));
    EXPECT_TRUE(untrusting.MayHaveChanged());
}

// In rounds a watch that found no change reads no notices until the next round, which
// hears of what happened meanwhile; a thread without rounds reads at every question, also
// while another thread is in a round.
TEST(FileChangeWatch, InRoundsTheNoticesAreReadOnceARound) {
    TempProgramFolder folder;
    folder.Write("db/UserDB.na", "a\r\n");
    NoticeRounds rounds;
    FileChangeWatch watch(kTrustedThroughoutTheTest, WatchScope::EntryAndContent, &rounds);
    watch.Arm(folder.File("db/UserDB.na"));
    rounds.Begin();
    EXPECT_FALSE(watch.MayHaveChanged());
    folder.Write("db/UserDB.na", "b\r\n");
    EXPECT_FALSE(watch.MayHaveChanged()) << "read once this round";
    bool changedForAnotherThread = false;
    std::thread([&] { changedForAnotherThread = watch.MayHaveChanged(); }).join();
    EXPECT_TRUE(changedForAnotherThread);
    rounds.Next();
    watch.Arm(folder.File("db/UserDB.na"));
    EXPECT_FALSE(watch.MayHaveChanged());
    folder.Write("db/UserDB.na", "c\r\n");
    rounds.Next();
    EXPECT_TRUE(watch.MayHaveChanged());
    watch.Arm(folder.File("db/UserDB.na"));
    EXPECT_FALSE(watch.MayHaveChanged());
    rounds.End();
    folder.Write("db/UserDB.na", "d\r\n");
    EXPECT_TRUE(watch.MayHaveChanged());
}

}  // namespace

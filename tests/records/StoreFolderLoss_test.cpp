#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleStore.h"
#include "support/MessageBoxRecorder.h"
#include "support/RuleBuilders.h"
#include "support/TempProgramFolder.h"
#include "users/UserStore.h"

namespace {

std::string awayFolder, storeFolder;
int retrySleeps = 0;

// A store that waited for its file would sleep here, and the folder would come back during
// the wait, as it does when an administrator restores it.
void FolderComesBackDuringTheSleep(std::chrono::milliseconds) {
    ++retrySleeps;
    std::error_code ignored;
    std::filesystem::rename(awayFolder, storeFolder, ignored);
}

bool AliceFound(const UserStore& users) {
    UserEntry entry{};
    SetFixedText(entry.userName, "alice");
    return users.FindUser(entry) == 0 && FixedTextView(entry.authPassword) == "pw";
}

bool RuleFound(const RuleStore& rules) {
    RuleRecord key = UserRule("alice");
    return rules.FindActions(key) == 0 && FixedTextView(key.popupMessage) == "seen";
}

}  // namespace

TEST(StoreFolderLoss, LookupsAnswerFromTheLastTablesAndTheFilesKeepTheirBytes) {
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    StoreReadFailures failures;
    RuleStore rules(failures, {.boxes = boxes, .retrySleep = FolderComesBackDuringTheSleep});
    UserStore users(failures, {.boxes = boxes, .retrySleep = FolderComesBackDuringTheSleep});
    DBLib::MakeFolder("/db");
    ASSERT_EQ(rules.Put(UserRule("alice", "seen")), RuleStore::kPutAppended);
    ASSERT_EQ(users.AppendUser("alice", "pw", "", "", 2, 0), 0);
    ASSERT_TRUE(AliceFound(users) && RuleFound(rules));
    const std::string rulesBytes = folder.Read("db/EventDB.na"),
                      usersBytes = folder.Read("db/UserDB.na");

    storeFolder = folder.File("db");
    awayFolder = folder.File("db.away");
    retrySleeps = 0;
    std::filesystem::rename(storeFolder, awayFolder);
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(AliceFound(users)) << i;
        ASSERT_TRUE(RuleFound(rules)) << i;
    }
    EXPECT_TRUE(failures.Failing(StoreKind::kRules));
    EXPECT_TRUE(failures.Failing(StoreKind::kUsers));
    EXPECT_EQ(retrySleeps, 0);
    EXPECT_TRUE(boxes.Recorded().empty());

    std::filesystem::rename(awayFolder, storeFolder);
    // The files are tried again within a second.
    for (int i = 0;
         i < 100 && (failures.Failing(StoreKind::kRules) || failures.Failing(StoreKind::kUsers));
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(AliceFound(users) && RuleFound(rules));
    }
    EXPECT_FALSE(failures.Failing(StoreKind::kRules));
    EXPECT_FALSE(failures.Failing(StoreKind::kUsers));
    EXPECT_EQ(folder.Read("db/EventDB.na"), rulesBytes);
    EXPECT_EQ(folder.Read("db/UserDB.na"), usersBytes);
}

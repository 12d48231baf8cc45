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

bool AliceFound() {
    UserEntry entry{};
    SetFixedText(entry.userName, "alice");
    return FindUser(entry) == 0 && FixedTextView(entry.authPassword) == "pw";
}

bool RuleFound() {
    RuleRecord key = UserRule("alice");
    return RuleStore::FindActions(key) == 0 && FixedTextView(key.popupMessage) == "seen";
}

}  // namespace

TEST(StoreFolderLoss, LookupsAnswerFromTheLastTablesAndTheFilesKeepTheirBytes) {
    TempProgramFolder folder;
    RuleStore::Reset();
    ResetUserStore();
    ResetStoreReadFailures();
    ClearRecordedMessageBoxes();
    DBLib::MakeFolder("/db");
    ASSERT_EQ(RuleStore::Put(UserRule("alice", "seen")), RuleStore::kPutAppended);
    ASSERT_EQ(AppendUser("alice", "pw", "", "", 2, 0), 0);
    ASSERT_TRUE(AliceFound() && RuleFound());
    const std::string rules = folder.Read("db/EventDB.na"), users = folder.Read("db/UserDB.na");

    storeFolder = folder.File("db");
    awayFolder = folder.File("db.away");
    retrySleeps = 0;
    DBLib::SetRetrySleep(FolderComesBackDuringTheSleep);
    std::filesystem::rename(storeFolder, awayFolder);
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(AliceFound()) << i;
        ASSERT_TRUE(RuleFound()) << i;
    }
    EXPECT_TRUE(StoreReadFailing(StoreKind::kRules));
    EXPECT_TRUE(StoreReadFailing(StoreKind::kUsers));
    EXPECT_EQ(retrySleeps, 0);
    EXPECT_TRUE(RecordedMessageBoxes().empty());

    std::filesystem::rename(awayFolder, storeFolder);
    // The files are tried again within a second.
    for (int i = 0;
         i < 100 && (StoreReadFailing(StoreKind::kRules) || StoreReadFailing(StoreKind::kUsers));
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_TRUE(AliceFound() && RuleFound());
    }
    EXPECT_FALSE(StoreReadFailing(StoreKind::kRules));
    EXPECT_FALSE(StoreReadFailing(StoreKind::kUsers));
    EXPECT_EQ(folder.Read("db/EventDB.na"), rules);
    EXPECT_EQ(folder.Read("db/UserDB.na"), users);

    DBLib::SetRetrySleep(nullptr);
    RuleStore::Reset();
    ResetUserStore();
    ResetStoreReadFailures();
}

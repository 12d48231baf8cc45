#include "users/UserStore.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "support/MemoryRecordList.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"

namespace {

void NoSleep(std::chrono::milliseconds) {}

UserEntry Named(std::string_view name) {
    UserEntry entry{};
    SetFixedText(entry.userName, name);
    return entry;
}

class UserStoreTest : public ::testing::Test {
protected:
    void SetUp() override { DBLib::MakeFolder("/db"); }
    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    StoreReadFailures failures;
    UserStore store{failures, {.boxes = boxes, .retrySleep = NoSleep}};
};

}  // namespace

TEST_F(UserStoreTest, EmptyStoreHasNoUsers) {
    UserEntry entry = Named("nobody");
    EXPECT_EQ(store.FindUser(entry), 1);
    EXPECT_EQ(store.GetUser(0, entry), 1);
    MemoryRecordList list(7);
    store.ListUsers(list);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(UserStoreTest, LineIsTheStoredFormOfSixFieldsWithCrLf) {
    ASSERT_EQ(store.AppendUser("bob", "authpw", "privpw", "80001f8880", 2, 1), 0);
    const std::string plain = "bob,authpw,privpw,80001f8880,2,1,";
    std::string stored(2 * plain.size(), '\0');
    stored.resize(DBLib::Convert(plain, stored, kToStored));
    EXPECT_EQ(folder.Read("db/UserDB.na"), stored + "\r\n");
}

TEST_F(UserStoreTest, UserAtTheFullLimitsIsReadBackWhole) {
    // 'y' and 0xE9 both need an escape byte in the stored form.
    const std::string name = std::string(30, 'y') + "\xE9\x40";
    const std::string auth(32, 'y');
    const std::string priv = std::string(31, '\xE9') + "y";
    const std::string engine = std::string(32, 'a') + std::string(32, 'F');
    ASSERT_EQ(store.AppendUser("first", "", "", "", 0, 0), 0);
    ASSERT_EQ(store.AppendUser(name, auth, priv, engine, 1, 1), 0);
    ASSERT_EQ(store.AppendUser("last", "", "", "", 0, 0), 0);

    UserEntry entry = Named(name);
    ASSERT_EQ(store.FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), auth);
    EXPECT_EQ(FixedTextView(entry.privPassword), priv);
    EXPECT_EQ(FixedTextView(entry.engineId), engine);
    EXPECT_EQ(entry.authProtocol, 1);
    EXPECT_EQ(entry.privProtocol, 1);

    ASSERT_EQ(store.GetUser(2, entry), 0);
    EXPECT_EQ(FixedTextView(entry.userName), "last");
    MemoryRecordList list(7);
    store.ListUsers(list);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Cell(1, 0), name);
    EXPECT_EQ(list.Cell(1, 2), "0x" + engine);
}

TEST_F(UserStoreTest, TextsThatCouldNotBeReadBackWholeAreRefused) {
    EXPECT_EQ(store.AppendUser(std::string(33, 'n'), "", "", "", 0, 0), 1);
    EXPECT_EQ(store.AppendUser("n", std::string(33, 'p'), "", "", 0, 0), 1);
    EXPECT_EQ(store.AppendUser("n", "", std::string(33, 'p'), "", 0, 0), 1);
    EXPECT_EQ(store.AppendUser("n", "", "", std::string(66, 'a'), 0, 0), 1);
    EXPECT_EQ(store.AppendUser("a,b", "", "", "", 0, 0), 1);
    EXPECT_EQ(store.AppendUser("n", "pass\nword", "", "", 0, 0), 1);
    EXPECT_EQ(store.AppendUser("n", "", "pass\xFFword", "", 0, 0), 1);
    EXPECT_EQ(folder.Read("db/UserDB.na"), "");
}

TEST_F(UserStoreTest, FindUserTakesTheFirstExactName) {
    ASSERT_EQ(store.AppendUser("alice", "one", "", "", 2, 0), 0);
    ASSERT_EQ(store.AppendUser("alice", "two", "", "", 1, 0), 0);
    UserEntry entry = Named("alice");
    ASSERT_EQ(store.FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "one");
    entry = Named("Alice");
    EXPECT_EQ(store.FindUser(entry), 1);
    entry = Named("alic");
    EXPECT_EQ(store.FindUser(entry), 1);
}

TEST_F(UserStoreTest, AFileChangedBehindTheStoreIsSeenAtTheNextLookup) {
    ASSERT_EQ(store.AppendUser("alice", "first", "", "", 2, 0), 0);
    UserEntry entry = Named("alice");
    ASSERT_EQ(store.FindUser(entry), 0);
    const auto onDisk = [](std::vector<std::string> plainLines) {
        std::string bytes;
        for (const std::string& plain : plainLines) {
            std::string stored(2 * plain.size(), '\0');
            stored.resize(DBLib::Convert(plain, stored, kToStored));
            bytes += stored + "\r\n";
        }
        return bytes;
    };
    // A copy renamed over it: another inode and size.
    folder.Replace("db/UserDB.na", onDisk({"bob,b,,,1,0,", "alice,copied,,,1,0,"}));
    entry = Named("alice");
    ASSERT_EQ(store.FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "copied");

    // Rewritten in place at the same size: only the modification time tells.
    folder.Write("db/UserDB.na", onDisk({"bob,b,,,1,0,", "alice,edited,,,1,0,"}));
    const auto path = folder.File("db/UserDB.na");
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    entry = Named("alice");
    ASSERT_EQ(store.FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "edited");
    EXPECT_EQ(store.GetUser(0, entry), 0);
    EXPECT_EQ(FixedTextView(entry.userName), "bob");
}

TEST_F(UserStoreTest, SavingRewritesTheStoreInListOrder) {
    ASSERT_EQ(store.AppendUser("old", "", "", "", 0, 0), 0);
    ASSERT_EQ(
        store.SaveUsers({{"u1", "a1", "p1", "", 0, 0},
                         {"u,2", "", "", "", 0, 0},  // left out: it could not be read back whole
                         {"u2", "a2", "p2", "0102", 2, 1},
                         {"u3", "a3", "p3", "", 1, 0}}),
        0);
    UserEntry entry{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(store.GetUser(i, entry), 0);
        EXPECT_EQ(FixedTextView(entry.userName), "u" + std::to_string(i + 1));
    }
    EXPECT_EQ(store.GetUser(3, entry), 1);
    entry = Named("old");
    EXPECT_EQ(store.FindUser(entry), 1);

    MemoryRecordList list(7);
    store.ListUsers(list);
    ASSERT_EQ(list.RowCount(), 3);
    const std::vector<std::string> row1 = {"u2",      "*******", "0x0102", "HMAC-MD5",
                                           "CBC-DES", "a2",      "p2"};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(list.Cell(1, c), row1[c]) << c;
    EXPECT_EQ(list.Cell(0, 2), "");
    EXPECT_EQ(list.Cell(2, 3), "HMAC-SHA1");
    EXPECT_EQ(list.Cell(2, 4), "None");
}

TEST_F(UserStoreTest, ShortLinesGiveEmptyFieldsAndUnknownProtocolsTheirCode) {
    std::string stored(64, '\0');
    stored.resize(DBLib::Convert("short,pw", stored, kToStored));
    std::string odd(64, '\0');
    odd.resize(DBLib::Convert("odd,,,,9,-1,", odd, kToStored));
    std::string newest(64, '\0');  // the last known codes, then the first unknown ones
    newest.resize(DBLib::Convert("newest,,,,6,2,", newest, kToStored));
    std::string next(64, '\0');
    next.resize(DBLib::Convert("next,,,,7,3,", next, kToStored));
    folder.Write("db/UserDB.na", stored + "\r\n" + odd + "\r\n" + newest + "\r\n" + next + "\r\n");
    UserEntry entry = Named("short");
    ASSERT_EQ(store.FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "pw");
    EXPECT_EQ(FixedTextView(entry.engineId), "");
    EXPECT_EQ(entry.authProtocol, 0);
    MemoryRecordList list(7);
    store.ListUsers(list);
    ASSERT_EQ(list.RowCount(), 4);
    EXPECT_EQ(list.Cell(1, 3), "(9)");
    EXPECT_EQ(list.Cell(1, 4), "(-1)");
    EXPECT_EQ(list.Cell(2, 3), "HMAC-SHA-512");
    EXPECT_EQ(list.Cell(2, 4), "CFB-AES-128");
    EXPECT_EQ(list.Cell(3, 3), "(7)");
    EXPECT_EQ(list.Cell(3, 4), "(3)");
}

TEST_F(UserStoreTest, UnavailableFileFindsNoUserAndWritesNothing) {
    std::filesystem::remove_all(folder.File("db"));
    folder.Write("db", "not a folder");
    UserEntry entry = Named("u");
    EXPECT_EQ(store.FindUser(entry), 1);
    EXPECT_TRUE(failures.Failing(StoreKind::kUsers));
    EXPECT_TRUE(boxes.Recorded().empty());  // the receiver's lookup shows no box
    EXPECT_EQ(store.AppendUser("u", "", "", "", 0, 0), 1);
    EXPECT_EQ(boxes.Recorded().size(), 1u);
}

TEST_F(UserStoreTest, LookupsDuringSavesNeverMissAUserOfBothLists) {
    std::vector<UserTexts> few, many;
    for (int i = 0; i < 10; ++i)
        (i < 5 ? few : many).push_back({"user" + std::to_string(i), "secret", "", "", 2, 0});
    many.insert(many.begin(), few.begin(), few.end());
    ASSERT_EQ(store.SaveUsers(few), 0);
    std::atomic<bool> saving = true;
    std::thread writer([&] {
        for (int round = 0; round < 40; ++round)
            EXPECT_EQ(store.SaveUsers(round % 2 ? few : many), 0);
        saving = false;
    });
    for (int i = 0; i < 1000000 && saving; ++i) {
        UserEntry entry = Named("user4");
        ASSERT_EQ(store.FindUser(entry), 0) << i;
        EXPECT_EQ(FixedTextView(entry.authPassword), "secret");
    }
    writer.join();
    UserEntry entry{};
    EXPECT_EQ(store.GetUser(4, entry), 0);
    EXPECT_EQ(store.GetUser(5, entry), 1);
}

TEST_F(UserStoreTest, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewListWhole) {
    auto list = [](const std::string& password) {
        std::vector<UserTexts> users;
        for (int i = 0; i < 50; ++i)
            users.push_back({"user" + std::to_string(i), password, "priv", "80001f8880", 2, 1});
        return users;
    };
    const std::vector<UserTexts> first = list("first-password"), second = list("second");
    ASSERT_EQ(store.SaveUsers(second), 0);
    const std::string secondBytes = folder.Read("db/UserDB.na");
    ASSERT_EQ(store.SaveUsers(first), 0);
    const std::string firstBytes = folder.Read("db/UserDB.na");
    std::mt19937 random(20);
    for (int round = 0; round < 25; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Killed in the middle of a save: only the file it leaves is looked at.
            for (int save = 0; save < 100000; ++save)
                static_cast<void>(store.SaveUsers(save % 2 ? first : second));
            _exit(0);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        ::kill(child, SIGKILL);
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
        const std::string now = folder.Read("db/UserDB.na");
        ASSERT_TRUE(now == firstBytes || now == secondBytes)
            << round << ": " << now.size() << " bytes";
    }
}

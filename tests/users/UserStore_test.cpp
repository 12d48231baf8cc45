#include "users/UserStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "notify/records/DBLib.h"
#include "platform/FixedText.h"
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
    void SetUp() override {
        ResetUserStore();
        DBLib::SetRetrySleep(NoSleep);
        ClearRecordedMessageBoxes();
        DBLib::MakeFolder("/db");
    }
    void TearDown() override {
        ResetUserStore();
        DBLib::SetRetrySleep(nullptr);
    }
    TempProgramFolder folder;
};

}  // namespace

TEST_F(UserStoreTest, EmptyStoreHasNoUsers) {
    UserEntry entry = Named("nobody");
    EXPECT_EQ(FindUser(entry), 1);
    EXPECT_EQ(GetUser(0, entry), 1);
    MemoryRecordList list(7);
    ListUsers(list);
    EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(UserStoreTest, LineIsTheStoredFormOfSixFieldsWithCrLf) {
    ASSERT_EQ(AppendUser("bob", "authpw", "privpw", "80001f8880", 2, 1), 0);
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
    ASSERT_EQ(AppendUser("first", "", "", "", 0, 0), 0);
    ASSERT_EQ(AppendUser(name, auth, priv, engine, 1, 1), 0);
    ASSERT_EQ(AppendUser("last", "", "", "", 0, 0), 0);

    UserEntry entry = Named(name);
    ASSERT_EQ(FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), auth);
    EXPECT_EQ(FixedTextView(entry.privPassword), priv);
    EXPECT_EQ(FixedTextView(entry.engineId), engine);
    EXPECT_EQ(entry.authProtocol, 1);
    EXPECT_EQ(entry.privProtocol, 1);

    ASSERT_EQ(GetUser(2, entry), 0);
    EXPECT_EQ(FixedTextView(entry.userName), "last");
    MemoryRecordList list(7);
    ListUsers(list);
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.Cell(1, 0), name);
    EXPECT_EQ(list.Cell(1, 2), "0x" + engine);
}

TEST_F(UserStoreTest, TextsThatCouldNotBeReadBackWholeAreRefused) {
    EXPECT_EQ(AppendUser(std::string(33, 'n'), "", "", "", 0, 0), 1);
    EXPECT_EQ(AppendUser("n", std::string(33, 'p'), "", "", 0, 0), 1);
    EXPECT_EQ(AppendUser("n", "", std::string(33, 'p'), "", 0, 0), 1);
    EXPECT_EQ(AppendUser("n", "", "", std::string(66, 'a'), 0, 0), 1);
    EXPECT_EQ(AppendUser("a,b", "", "", "", 0, 0), 1);
    EXPECT_EQ(AppendUser("n", "pass\nword", "", "", 0, 0), 1);
    EXPECT_EQ(AppendUser("n", "", "pass\xFFword", "", 0, 0), 1);
    EXPECT_EQ(folder.Read("db/UserDB.na"), "");
}

TEST_F(UserStoreTest, FindUserTakesTheFirstExactName) {
    ASSERT_EQ(AppendUser("alice", "one", "", "", 2, 0), 0);
    ASSERT_EQ(AppendUser("alice", "two", "", "", 1, 0), 0);
    UserEntry entry = Named("alice");
    ASSERT_EQ(FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "one");
    entry = Named("Alice");
    EXPECT_EQ(FindUser(entry), 1);
    entry = Named("alic");
    EXPECT_EQ(FindUser(entry), 1);
}

TEST_F(UserStoreTest, AFileChangedBehindTheStoreIsSeenAtTheNextLookup) {
    ASSERT_EQ(AppendUser("alice", "first", "", "", 2, 0), 0);
    UserEntry entry = Named("alice");
    ASSERT_EQ(FindUser(entry), 0);
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
    ASSERT_EQ(FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "copied");

    // Rewritten in place at the same size: only the modification time tells.
    folder.Write("db/UserDB.na", onDisk({"bob,b,,,1,0,", "alice,edited,,,1,0,"}));
    const auto path = folder.File("db/UserDB.na");
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    entry = Named("alice");
    ASSERT_EQ(FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "edited");
    EXPECT_EQ(GetUser(0, entry), 0);
    EXPECT_EQ(FixedTextView(entry.userName), "bob");
}

TEST_F(UserStoreTest, SavingRewritesTheStoreInListOrder) {
    ASSERT_EQ(AppendUser("old", "", "", "", 0, 0), 0);
    ASSERT_EQ(ClearUsers(), 0);
    ASSERT_EQ(AppendUser("u1", "a1", "p1", "", 0, 0), 0);
    ASSERT_EQ(AppendUser("u2", "a2", "p2", "0102", 2, 1), 0);
    ASSERT_EQ(AppendUser("u3", "a3", "p3", "", 1, 0), 0);
    UserEntry entry{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(GetUser(i, entry), 0);
        EXPECT_EQ(FixedTextView(entry.userName), "u" + std::to_string(i + 1));
    }
    EXPECT_EQ(GetUser(3, entry), 1);
    entry = Named("old");
    EXPECT_EQ(FindUser(entry), 1);

    MemoryRecordList list(7);
    ListUsers(list);
    ASSERT_EQ(list.RowCount(), 3);
    const std::vector<std::string> row1 = {"u2", "*******", "0x0102", "HMAC-MD5", "CBC-DES", "a2", "p2"};
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
    ASSERT_EQ(FindUser(entry), 0);
    EXPECT_EQ(FixedTextView(entry.authPassword), "pw");
    EXPECT_EQ(FixedTextView(entry.engineId), "");
    EXPECT_EQ(entry.authProtocol, 0);
    MemoryRecordList list(7);
    ListUsers(list);
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
    EXPECT_EQ(FindUser(entry), 1);
    EXPECT_EQ(AppendUser("u", "", "", "", 0, 0), 1);
    EXPECT_EQ(RecordedMessageBoxes().size(), 2u);  // one access error for each attempt
}

TEST_F(UserStoreTest, LookupsDuringARewriteSeeWholeUsers) {
    std::thread writer([] {
        for (int round = 0; round < 20; ++round) {
            ClearUsers();
            for (int i = 0; i < 5; ++i) AppendUser("user" + std::to_string(i), "secret", "", "", 2, 0);
        }
    });
    for (int i = 0; i < 200; ++i) {
        UserEntry entry = Named("user4");
        if (FindUser(entry) == 0) {
            EXPECT_EQ(FixedTextView(entry.authPassword), "secret");
            EXPECT_EQ(entry.authProtocol, 2);
        }
    }
    writer.join();
    UserEntry entry{};
    EXPECT_EQ(GetUser(4, entry), 0);
    EXPECT_EQ(GetUser(5, entry), 1);
}

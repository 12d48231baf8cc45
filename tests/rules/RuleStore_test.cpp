#include "rules/RuleStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/FailPoint.h"
#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleLine.h"
#include "rules/RuleTable.h"
#include "support/MemoryRecordList.h"
#include "support/MessageBoxRecorder.h"
#include "support/RuleBuilders.h"
#include "support/TempProgramFolder.h"

namespace {

void NoSleep(std::chrono::milliseconds) {}

// A record as the file holds it: the plain line padded to 664, stored, cut to 663, CR LF.
std::string StoredRecord(std::string plain) {
    plain.resize(664, ' ');
    std::string stored(2 * 664, '\0');
    stored.resize(DBLib::Convert(plain, stored, kToStored));
    return stored.substr(0, 663) + "\r\n";
}

class RuleStoreTest : public ::testing::Test {
protected:
    void SetUp() override { DBLib::MakeFolder("/db"); }
    std::string File() const { return folder.Read("db/EventDB.na"); }

    std::string PopupFound(RuleRecord key) const {
        if (rules.FindActions(key) != 0) return "<not found>";
        return std::string(FixedTextView(key.popupMessage));
    }

    TempProgramFolder folder;
    MessageBoxRecorder boxes;
    FailPoints failPoints;
    StoreReadFailures failures;
    RuleStore rules{failures, {.boxes = boxes, .retrySleep = NoSleep, .failPoints = &failPoints}};
};

}  // namespace

TEST_F(RuleStoreTest, MissingFileFindsNothingAndTheFirstPutWritesAtOffsetZero) {
    RuleRecord rule{};
    rule.kind = IpRange;
    EXPECT_EQ(rules.ReadNth(0, rule), 1);
    EXPECT_EQ(PopupFound(UserRule("u")), "<not found>");
    EXPECT_EQ(rules.Put(UserRule("u", "hi")), RuleStore::kPutAppended);
    EXPECT_EQ(File().size(), 665u);
    EXPECT_EQ(PopupFound(UserRule("u")), "hi");
}

TEST_F(RuleStoreTest, RecordIsTheStoredPlainLinePaddedTo663BytesAndCrLf) {
    RuleRecord rule = IpRangeRule({10, 0, 0, 1}, {10, 0, 0, 200}, "pop");
    SetFixedText(rule.programLine, "prog a");
    SetFixedText(rule.mailMessage, "mail");
    SetFixedText(rule.waveFile, "w.wav");
    rule.genericTrap = 3;
    rule.specificTrap = -5;
    rule.beep = 1;
    ASSERT_EQ(rules.Put(rule), RuleStore::kPutAppended);

    EXPECT_EQ(File(), StoredRecord("1,,10.0.0.1,10.0.0.200,,3,-5,pop,prog a,mail,w.wav,1,"));
}

TEST_F(RuleStoreTest, PuttingAnExistingIdentityReplacesInPlace) {
    ASSERT_EQ(rules.Put(UserRule("alice", "one")), RuleStore::kPutAppended);
    ASSERT_EQ(rules.Put(UserRule("bob", "two")), RuleStore::kPutAppended);
    const auto size = File().size();
    ASSERT_EQ(PopupFound(UserRule("alice")), "one");
    const auto path = folder.File("db/EventDB.na");
    const auto modified = std::filesystem::last_write_time(path);
    EXPECT_EQ(rules.Put(UserRule("alice", "three")), RuleStore::kPutReplaced);
    EXPECT_EQ(File().size(), size);
    // Within one tick of the file system's clock the time need not move.
    std::filesystem::last_write_time(path, modified);
    EXPECT_EQ(PopupFound(UserRule("alice")), "three");
    EXPECT_EQ(PopupFound(UserRule("bob")), "two");
    EXPECT_EQ(PopupFound(UserRule("Alice")), "<not found>");  // names are case-sensitive
}

TEST_F(RuleStoreTest, AFileChangedBehindTheStoreIsSeenAtTheNextLookup) {
    ASSERT_EQ(rules.Put(UserRule("u", "mine")), RuleStore::kPutAppended);
    ASSERT_EQ(PopupFound(UserRule("u")), "mine");
    const auto onDisk = [](const std::vector<RuleRecord>& rules) {
        std::string bytes, stored;
        for (const RuleRecord& rule : rules)
            if (BuildRuleLine(rule, stored) == RuleLineResult::Ok) bytes += stored + "\r\n";
        return bytes;
    };
    // A copy renamed over it: another inode and size.
    folder.Replace("db/EventDB.na", onDisk({UserRule("v"), UserRule("u", "copied")}));
    EXPECT_EQ(PopupFound(UserRule("u")), "copied");

    // Rewritten in place at the same size: only the modification time tells.
    folder.Write("db/EventDB.na", onDisk({UserRule("v"), UserRule("u", "edited")}));
    const auto path = folder.File("db/EventDB.na");
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    EXPECT_EQ(PopupFound(UserRule("u")), "edited");

    // The store's own writes go to the file now at the path.
    EXPECT_EQ(rules.Put(UserRule("w", "added")), RuleStore::kPutAppended);
    EXPECT_EQ(File().size(), 3 * 665u);
    EXPECT_EQ(PopupFound(UserRule("w")), "added");
}

// The parsed rules answer lookups through indexes; they must give the first match of a
// walk of the file, whatever the mix of kinds, duplicates and "Any" lines.
TEST(RuleTableLookups, AgreeWithAWalkOfTheFile) {
    std::vector<RuleRecord> file = {EnterpriseRule("1.3.6.1.4.1.9", 6, 5),
                                    UserRule("bob"),
                                    IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 9}),
                                    EnterpriseRule("1.3.6.1.4.1.9", 7, 0),
                                    EnterpriseRule("1.3.6.1.4.1.9", 6, 5),
                                    UserRule("bob"),
                                    RuleRecord{},
                                    IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 9}),
                                    EnterpriseRule("1.3.6.1.4.1.99", 6, 1),
                                    EnterpriseRule("1.3.6.1.4.1.99", 7, 3),
                                    RuleRecord{},
                                    UserRule("Bob")};
    RuleTable table;
    std::string stored;
    for (std::size_t line = 0; line < file.size(); ++line) {
        SetFixedText(file[line].popupMessage, "line " + std::to_string(line));
        ASSERT_EQ(BuildRuleLine(file[line], stored), RuleLineResult::Ok);
        table.Add(DBLib::PlainLine(stored));
    }
    std::vector<RuleRecord> keys = {RuleRecord{},
                                    UserRule("bob"),
                                    UserRule("Bob"),
                                    UserRule("carol"),
                                    IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 9}),
                                    IpRangeRule({10, 0, 0, 0}, {10, 0, 0, 8})};
    for (const char* oid : {"1.3.6.1.4.1.9", "1.3.6.1.4.1.99", "1.3.6.1.4.1.999"})
        for (int generic : {1, 6, 7})
            for (int specific : {0, 1, 3, 5})
                keys.push_back(EnterpriseRule(oid, generic, specific));
    for (const RuleRecord& key : keys) {
        const auto walked = std::find_if(file.begin(), file.end(), [&](const RuleRecord& r) {
            return RuleStore::SameRule(r, key);
        });
        const RuleRecord* indexed = table.FirstSameRule(key);
        const std::string_view expected =
            walked == file.end() ? "none" : FixedTextView(walked->popupMessage);
        EXPECT_EQ(indexed == nullptr ? "none" : FixedTextView(indexed->popupMessage), expected)
            << key.kind << " " << FixedTextView(key.enterprise) << " " << key.genericTrap << "/"
            << key.specificTrap;
    }
}

TEST(RuleIdentity, SameRuleTable) {
    struct Case {
        RuleRecord stored, key;
        bool same;
        const char* why;
    };
    RuleRecord all{};
    const std::vector<Case> cases = {
        {all, all, true, "one AllTraps record"},
        {IpRangeRule({1, 1, 1, 1}, {1, 1, 1, 9}), IpRangeRule({1, 1, 1, 1}, {1, 1, 1, 9}), true,
         "both ends equal"},
        {IpRangeRule({1, 1, 1, 1}, {1, 1, 1, 9}), IpRangeRule({1, 1, 1, 1}, {1, 1, 1, 8}), false,
         "end differs"},
        {IpRangeRule({1, 1, 1, 1}, {1, 1, 1, 9}), IpRangeRule({1, 1, 1, 2}, {1, 1, 1, 9}), false,
         "start differs"},
        {EnterpriseRule("1.3.6.1.4.1.9", 6, 5), EnterpriseRule("1.3.6.1.4.1.9", 6, 5), true,
         "same numbers"},
        {EnterpriseRule("1.3.6.1.4.1.9", 6, 5), EnterpriseRule("1.3.6.1.4.1.9", 6, 4), false,
         "specific differs"},
        {EnterpriseRule("1.3.6.1.4.1.9", 6, 5), EnterpriseRule("1.3.6.1.4.1.99", 6, 5), false,
         "enterprise differs"},
        {EnterpriseRule("1.3.6.1.4.1.9", 7, 0), EnterpriseRule("1.3.6.1.4.1.9", 2, 8), true,
         "stored Any takes all"},
        {EnterpriseRule("1.3.6.1.4.1.9", 2, 8), EnterpriseRule("1.3.6.1.4.1.9", 7, 8), false,
         "key Any only Any"},
        {EnterpriseRule("1.3.6.1.4.1.9", 7, 1), EnterpriseRule("1.3.6.1.4.1.9", 7, 2), true,
         "Any ignores specific"},
        {UserRule("Bob"), UserRule("bob"), false, "case-sensitive names"},
        {UserRule("bob"), UserRule("bob"), true, "equal names"},
        {UserRule("bob"), all, false, "kinds differ"},
    };
    for (const Case& c : cases) EXPECT_EQ(RuleStore::SameRule(c.stored, c.key), c.same) << c.why;
}

TEST_F(RuleStoreTest, AnyRuleOrdering) {
    const std::string e = "1.3.6.1.4.1.9";
    // A stored "Any" is the same rule as a specific key: the specific rule replaces it.
    ASSERT_EQ(rules.Put(EnterpriseRule(e, 7, 0, "any")), RuleStore::kPutAppended);
    EXPECT_EQ(rules.Put(EnterpriseRule(e, 6, 5, "specific")), RuleStore::kPutReplaced);
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 5)), "specific");
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 9)), "<not found>");

    // With the specific rule stored first, the "Any" rule is appended after it.
    ASSERT_EQ(rules.Remove(EnterpriseRule(e, 6, 5)), 0);
    ASSERT_EQ(rules.Put(EnterpriseRule(e, 6, 5, "specific")), RuleStore::kPutAppended);
    EXPECT_EQ(rules.Put(EnterpriseRule(e, 7, 0, "any")), RuleStore::kPutAppended);
    EXPECT_EQ(File().size(), 2 * 665u);
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 5)), "specific");
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 6)), "any");
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 2, 0)), "any");
    EXPECT_EQ(PopupFound(EnterpriseRule(e + "1", 6, 5)), "<not found>");
}

TEST_F(RuleStoreTest, RemoveFollowsTheAsymmetricAnyRule) {
    const std::string e = "1.3.6.1.4.1.9";
    ASSERT_EQ(rules.Put(EnterpriseRule(e, 6, 5, "specific")), RuleStore::kPutAppended);
    ASSERT_EQ(rules.Put(EnterpriseRule(e, 7, 0, "any")), RuleStore::kPutAppended);
    ASSERT_EQ(rules.Put(UserRule("keep", "kept")), RuleStore::kPutAppended);

    // A key with generic 7 deletes only the "Any" line.
    EXPECT_EQ(rules.Remove(EnterpriseRule(e, 7, 0)), 0);
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 5)), "specific");
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 6)), "<not found>");

    // A specific key also deletes a stored "Any" line of the enterprise.
    ASSERT_EQ(rules.Put(EnterpriseRule(e, 7, 0, "any")), RuleStore::kPutAppended);
    EXPECT_EQ(rules.Remove(EnterpriseRule(e, 6, 5)), 0);
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 6, 5)), "<not found>");
    EXPECT_EQ(PopupFound(EnterpriseRule(e, 1, 1)), "<not found>");
    EXPECT_EQ(PopupFound(UserRule("keep")), "kept");
    EXPECT_EQ(File().size(), 665u);
}

TEST_F(RuleStoreTest, ReadNthWalksOneKindInFileOrder) {
    ASSERT_EQ(rules.Put(IpRangeRule({10, 0, 0, 1}, {10, 0, 0, 9}, "first")), 0);
    ASSERT_EQ(rules.Put(UserRule("u")), 0);
    ASSERT_EQ(rules.Put(IpRangeRule({192, 168, 1, 1}, {192, 168, 1, 255}, "second")), 0);
    RuleRecord rule{};
    rule.kind = IpRange;
    ASSERT_EQ(rules.ReadNth(1, rule), 0);
    EXPECT_EQ(rule.ipFrom, (std::array<uint8_t, 4>{192, 168, 1, 1}));
    EXPECT_EQ(rule.ipTo, (std::array<uint8_t, 4>{192, 168, 1, 255}));
    EXPECT_EQ(FixedTextView(rule.popupMessage), "second");
    rule = RuleRecord{};
    rule.kind = IpRange;
    EXPECT_EQ(rules.ReadNth(2, rule), 1);
    rule.kind = 4;
    EXPECT_EQ(rules.ReadNth(0, rule), 1);
}

TEST_F(RuleStoreTest, FindIpRangeTakesTheFirstHoldingRangeInFileOrder) {
    ASSERT_EQ(rules.Put(UserRule("u")), 0);
    ASSERT_EQ(rules.Put(IpRangeRule({10, 0, 0, 0}, {200, 0, 0, 0}, "wide")), 0);
    ASSERT_EQ(rules.Put(IpRangeRule({150, 1, 1, 1}, {150, 1, 1, 1}, "exact")), 0);
    ASSERT_EQ(rules.Put(IpRangeRule({220, 0, 0, 0}, {220, 0, 0, 9}, "high")), 0);
    const auto found = [this](std::array<uint8_t, 4> address) -> std::string {
        RuleRecord rule{};
        if (rules.FindIpRange(address, rule) != 0) return "<not found>";
        return std::string(FixedTextView(rule.popupMessage));
    };
    EXPECT_EQ(found({150, 1, 1, 1}), "wide");  // held by two ranges: the first stored wins
    EXPECT_EQ(found({10, 0, 0, 0}), "wide");   // bounds are inside
    EXPECT_EQ(found({200, 0, 0, 0}), "wide");
    EXPECT_EQ(found({200, 0, 0, 1}), "<not found>");
    EXPECT_EQ(found({9, 255, 255, 255}), "<not found>");
    EXPECT_EQ(found({220, 0, 0, 9}), "high");  // compared as numbers, not as texts
}

TEST_F(RuleStoreTest, TextsAtTheirLimitsComeBackWhole) {
    RuleRecord rule = UserRule(std::string(36, 'u'), std::string(128, 'p'));
    SetFixedText(rule.programLine, std::string(128, 'r'));
    SetFixedText(rule.mailMessage, std::string(128, 'm'));
    SetFixedText(rule.waveFile, std::string(128, 'w'));
    ASSERT_EQ(rules.Put(rule), RuleStore::kPutAppended);
    RuleRecord back{};
    back.kind = User;
    ASSERT_EQ(rules.ReadNth(0, back), 0);
    EXPECT_EQ(FixedTextView(back.userName), std::string(36, 'u'));
    EXPECT_EQ(FixedTextView(back.popupMessage), std::string(128, 'p'));
    EXPECT_EQ(FixedTextView(back.programLine), std::string(128, 'r'));
    EXPECT_EQ(FixedTextView(back.mailMessage), std::string(128, 'm'));
    EXPECT_EQ(FixedTextView(back.waveFile), std::string(128, 'w'));
}

TEST_F(RuleStoreTest, ARuleThatWouldBeStoredCutIsRefused) {
    // Kind 3 content: "3,,0.0.0.0,0.0.0.0," 19 + user 36 + "," + "0,0," 4 + four texts and
    // commas + "0," 2. Every 'y' costs one escape byte.
    auto rule = [](int ys) {
        RuleRecord r = UserRule(std::string(36, 'n'), std::string(128, 'a'));
        SetFixedText(r.programLine, std::string(128, 'b'));
        SetFixedText(r.mailMessage, std::string(128, 'c'));
        SetFixedText(r.waveFile, std::string(128 - ys, 'd') + std::string(ys, 'y'));
        return r;
    };
    // 19 + 37 + 4 + 4 * 129 + 2 = 578 plain bytes: room for 85 escapes.
    ASSERT_EQ(rules.Put(rule(86)), RuleStore::kPutTooLong);
    EXPECT_EQ(File(), "");
    ASSERT_EQ(rules.Put(rule(85)), RuleStore::kPutAppended);
    EXPECT_EQ(File().size(), 665u);
    RuleRecord back = UserRule(std::string(36, 'n'));
    ASSERT_EQ(rules.FindActions(back), 0);
    EXPECT_EQ(FixedTextView(back.waveFile), std::string(43, 'd') + std::string(85, 'y'));
    EXPECT_EQ(rules.Put(rule(86)), RuleStore::kPutTooLong);  // also refused as a replacement
    ASSERT_EQ(rules.FindActions(back), 0);
    EXPECT_EQ(FixedTextView(back.waveFile), std::string(43, 'd') + std::string(85, 'y'));
}

TEST_F(RuleStoreTest, TextsThatWouldSplitTheLineAreRefused) {
    EXPECT_EQ(rules.Put(UserRule("u", "a,b")), RuleStore::kPutBadText);
    EXPECT_EQ(rules.Put(UserRule("u", "line\nbreak")), RuleStore::kPutBadText);
    EXPECT_EQ(rules.Put(UserRule("u", "byte \xFF ends")), RuleStore::kPutBadText);
    EXPECT_EQ(File(), "");
}

TEST_F(RuleStoreTest, PutReportsAnUnavailableFileAndWritesNothing) {
    std::filesystem::remove_all(folder.File("db"));
    folder.Write("db", "not a folder");
    EXPECT_EQ(rules.Put(UserRule("u", "x")), RuleStore::kPutFileError);
    ASSERT_EQ(boxes.Recorded().size(), 1u);
    EXPECT_NE(boxes.Recorded()[0].text.find("EventDB.na Access Error"), std::string::npos);
    // The stream stayed closed: once the folder is back, the next operation opens the file.
    std::filesystem::remove(folder.File("db"));
    DBLib::MakeFolder("/db");
    EXPECT_EQ(rules.Put(UserRule("u", "x")), RuleStore::kPutAppended);
}

TEST_F(RuleStoreTest, FillListShowsTheColumnsOfEachKind) {
    ASSERT_EQ(rules.Put(EnterpriseRule("1.3.6.1.4.1.9.1", 7, 0)), 0);
    ASSERT_EQ(rules.Put(IpRangeRule({10, 0, 0, 1}, {10, 0, 0, 20})), 0);
    ASSERT_EQ(rules.Put(EnterpriseRule("1.3.6.1.4.1.311", 6, -2)), 0);
    ASSERT_EQ(rules.Put(UserRule("carol")), 0);

    MemoryRecordList enterprises(3), ranges(2), users(1);
    rules.FillList(enterprises, Enterprise);
    rules.FillList(ranges, IpRange);
    rules.FillList(users, User);
    ASSERT_EQ(enterprises.RowCount(), 2);
    EXPECT_EQ(enterprises.Cell(0, 0), "1.3.6.1.4.1.9.1");
    EXPECT_EQ(enterprises.Cell(0, 1), "Any");
    EXPECT_EQ(enterprises.Cell(1, 0), "1.3.6.1.4.1.311");
    EXPECT_EQ(enterprises.Cell(1, 1), "6");
    EXPECT_EQ(enterprises.Cell(1, 2), "-2");
    ASSERT_EQ(ranges.RowCount(), 1);
    EXPECT_EQ(ranges.Cell(0, 0), "10.0.0.1");
    EXPECT_EQ(ranges.Cell(0, 1), "10.0.0.20");
    ASSERT_EQ(users.RowCount(), 1);
    EXPECT_EQ(users.Cell(0, 0), "carol");
}

TEST_F(RuleStoreTest, FillListShowsEveryRuleTheLookupsUse) {
    // A kind field written by another hand: leading blanks and zeros beyond 15 characters.
    folder.Write("db/EventDB.na",
                 StoredRecord(std::string(20, ' ') + "1,,10.0.0.1,10.0.0.9,,0,0,wide,,,,0,") +
                     StoredRecord("00000000000000003,,0.0.0.0,0.0.0.0,dave,0,0,,,,,0,"));
    MemoryRecordList ranges(2), users(1);
    rules.FillList(ranges, IpRange);
    rules.FillList(users, User);
    ASSERT_EQ(ranges.RowCount(), 1);
    EXPECT_EQ(ranges.Cell(0, 0), "10.0.0.1");
    ASSERT_EQ(users.RowCount(), 1);
    EXPECT_EQ(users.Cell(0, 0), "dave");
    EXPECT_EQ(PopupFound(IpRangeRule({10, 0, 0, 1}, {10, 0, 0, 9})), "wide");
}

// Damaged files: every row the list shows is the rule the lookup by position finds, so an
// edit or a delete of a row acts on that rule.
TEST_F(RuleStoreTest, TheListAndTheLookupByPositionSeeTheSameRulesOfADamagedFile) {
    const std::vector<std::string> damaged = {
        std::string("\xEB\x9B\x0A\x0A\x7E\x7E\xF3", 7),
        StoredRecord("3,,0.0.0.0,0.0.0.0,dave,0,0,,,,,0,") + std::string("\xEB\x9B\x0A", 3),
    };
    for (const std::string& content : damaged) {
        folder.Write("db/EventDB.na", content);
        for (int kind : {IpRange, Enterprise, User}) {
            MemoryRecordList list(3);
            rules.FillList(list, kind);
            RuleRecord beyond{};
            beyond.kind = kind;
            EXPECT_NE(rules.ReadNth(list.RowCount(), beyond), 0) << "kind " << kind;
            for (int row = 0; row < list.RowCount(); ++row) {
                RuleRecord rule{};
                rule.kind = kind;
                ASSERT_EQ(rules.ReadNth(row, rule), 0) << "kind " << kind << " row " << row;
            }
        }
    }
}

TEST(RuleStoreEnterpriseSuffix, PrefixLimitsAndCuts) {
    std::array<char, 128> out{};
    EXPECT_EQ(RuleStore::EnterpriseSuffix("1.3.6.1.4.1.9.1.5", out, 128), 0);
    EXPECT_STREQ(out.data(), "9.1.5");
    out.fill('\0');
    EXPECT_EQ(RuleStore::EnterpriseSuffix("1.3.6.1.2.1.1", out, 128), 0);
    EXPECT_STREQ(out.data(), "");
    EXPECT_EQ(RuleStore::EnterpriseSuffix("1.3.6.1.4.1.9", out, 10), 1);
    EXPECT_EQ(RuleStore::EnterpriseSuffix("1.3.6.1.4.1.12345", out, 15),
              1);  // room of 4 with terminator
    EXPECT_STREQ(out.data(), "123");
}

TEST_F(RuleStoreTest, AFailedRemoveLeavesTheRuleFileComplete) {
    for (int i = 0; i < 5; ++i) ASSERT_EQ(rules.Put(UserRule("user" + std::to_string(i), "p")), 0);
    const std::string before = File();

    for (const char* point : {"SaveStoredLines", "DBLib::ReplaceFile"}) {
        failPoints.Arm(point);
        EXPECT_EQ(rules.Remove(UserRule("user0")), 1) << point;
        EXPECT_EQ(File(), before) << point;
        EXPECT_FALSE(std::filesystem::exists(folder.File("db/EventDB.na.tmp"))) << point;
        EXPECT_EQ(PopupFound(UserRule("user0")), "p") << point;
    }
    // A file left behind by a crash before the rename is overwritten by the next run.
    folder.Write("db/EventDB.na.tmp", "half a copy");
    EXPECT_EQ(rules.Remove(UserRule("user0")), 0);
    EXPECT_EQ(File(), before.substr(665));
}

TEST_F(RuleStoreTest, ConcurrentWritersAndReadersKeepEveryRecordWhole) {
    constexpr int kPerThread = 40;
    auto writer = [this](int base) {
        for (int i = 0; i < kPerThread; ++i)
            EXPECT_LE(rules.Put(IpRangeRule({10, 0, 0, uint8_t(base + i)}, {10, 0, 1, 0})),
                      RuleStore::kPutReplaced);
    };
    std::thread a(writer, 0), b(writer, 100);
    std::thread reader([this] {
        for (int i = 0; i < kPerThread; ++i) {
            RuleRecord rule{};
            rule.kind = IpRange;
            // A rule not written yet is no fault: what counts is that none is torn.
            static_cast<void>(rules.ReadNth(i, rule));
        }
    });
    a.join();
    b.join();
    reader.join();
    EXPECT_EQ(File().size(), 2u * kPerThread * 665);
    for (int i = 0; i < 2 * kPerThread; ++i) {
        RuleRecord rule{};
        rule.kind = IpRange;
        ASSERT_EQ(rules.ReadNth(i, rule), 0);
        EXPECT_EQ(rule.ipTo, (std::array<uint8_t, 4>{10, 0, 1, 0}));
    }
}

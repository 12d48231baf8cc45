#pragma once
// The reception filter and its actions in db/EventDB.na: one fixed-width record line per
// rule, 663 stored bytes and CR LF (665 bytes on disk). The receiver thread reads rules
// for every trap from the parsed file and never waits for it: while the file cannot be
// read, lookups answer from the rules read before (RecordFileCache). The filter dialogs
// change rules by saving the whole file anew (RecordFileSave), so a lookup or a crash
// sees the old rules or the new ones.

#include <array>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/DBLib.h"
#include "records/RecordFileCache.h"
#include "records/RecordFileServices.h"
#include "records/RecordList.h"
#include "records/StoreReadFailures.h"
#include "rules/RuleRecord.h"
#include "rules/RuleTable.h"

class RuleStore {
public:
    // Results of Put.
    static constexpr int kPutAppended = 0;
    static constexpr int kPutReplaced = 1;
    static constexpr int kPutTooLong = 2;    // stored form longer than 663 bytes: nothing written
    static constexpr int kPutFileError = 3;  // rule file not readable or not saved (a box was
                                             // posted): nothing stored
    static constexpr int kPutBadText = 4;    // a text holds a comma or line feed: nothing written

    // Texts (UTF-8) with which the action dialog reports kPutTooLong and kPutBadText.
    static constexpr std::string_view kTooLongMessage =
        "設定値のデータサイズが不正です。(全項目の合計が大きすぎます)";
    static constexpr std::string_view kBadTextMessage =
        "設定値に , や改行を使用することはできません。";

    // The rule file of the program folder; failed reads are counted in failures, and the
    // files are opened, read and saved with services.
    RuleStore(StoreReadFailures& failures, const RecordFileServices& services);
    RuleStore(const RuleStore&) = delete;
    RuleStore& operator=(const RuleStore&) = delete;

    // Fills rule from the index-th (0-based) line of kind rule.kind in file order. 0 when
    // found, 1 when there are fewer such lines.
    [[nodiscard]] int ReadNth(int index, RuleRecord& rule) const;

    // Fills rule from the first IP range line, in file order, whose range holds address
    // (compared as unsigned numbers in host order). 0 when found, 1 when none holds it.
    [[nodiscard]] int FindIpRange(const std::array<uint8_t, 4>& address, RuleRecord& rule) const;

    // Copies the five actions of the first line that is the same rule as key into key.
    // 0 when found, 1 when not.
    [[nodiscard]] int FindActions(RuleRecord& key) const;

    // Writes rule over the first line that is the same rule, or appends it; the file is
    // replaced in one step. One of the kPut results above.
    [[nodiscard]] int Put(const RuleRecord& rule);

    // Deletes every line that is the same rule as key; the other lines keep their order.
    // The new file replaces the old one in one step, so a failure leaves the old file whole.
    // 0 when done, 1 when the file was left unchanged.
    [[nodiscard]] int Remove(const RuleRecord& key);

    // Appends one row per line of kind (1, 2 or 3) in file order: kind 1 ipFrom, ipTo;
    // kind 2 enterprise, generic number ("Any" for 7), specific number; kind 3 userName.
    void FillList(RecordList& list, int kind) const;

    // When oid begins with "1.3.6.1.4.1", copies what follows "1.3.6.1.4.1." into out, at
    // most limit - 11 bytes (and out.size()) with the terminator; 1 if it was cut, else 0.
    // Another prefix leaves out unchanged and returns 0. A limit below 11 returns 1.
    [[nodiscard]] static int EnterpriseSuffix(std::string_view oid, std::span<char> out, int limit);

    // The identity of rules: stored is a line of the file, key what is looked for. For
    // enterprises a stored "Any" (generic 7) matches every number, while a key with generic
    // 7 matches only stored "Any" lines.
    static bool SameRule(const RuleRecord& stored, const RuleRecord& key);

private:
    // With saveBusy_ held: saves lines as the rule file and lets the lookups read it again.
    int SaveRules(const std::vector<std::string>& lines);

    const RecordFileServices services_;
    // Saves take saveBusy_ for their whole run and fileBusy_ only to tell the lookups that
    // the file was replaced, so a lookup never waits for a save's file operations.
    std::mutex saveBusy_;
    mutable std::mutex fileBusy_;
    // Guarded by fileBusy_. Lookups answer from the parsed rules; the dialogs' list walks
    // the file itself, which holds the texts exactly as stored.
    mutable RecordFileCache<RuleTable> file_;
};

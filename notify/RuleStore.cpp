#include "notify/RuleStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "notify/records/DBLib.h"
#include "notify/records/RecordFileCache.h"
#include "notify/RuleLine.h"
#include "notify/RuleTable.h"
#include "platform/FailPoint.h"
#include "platform/FixedText.h"

namespace {

constexpr std::string_view kFolder = "/db";
constexpr std::string_view kFileName = "EventDB.na";
constexpr std::string_view kNewFileName = "EventDB.na.tmp";  // the next file, built beside it

std::mutex ruleFileBusy;
// Guarded by ruleFileBusy. Lookups answer from the parsed rules; the dialogs' list and
// Put walk the file itself, which holds the texts exactly as stored.
RecordFileCache<RuleTable> ruleFile(kFolder, kFileName);

// Visits the plain lines from the current position; visit returns true to stop there.
// Returns whether a visit stopped the scan.
template <class Visit>
bool ScanLines(std::FILE* stream, Visit visit) {
    std::string stored;
    while (DBLib::ReadLine(stream, stored))
        if (visit(DBLib::PlainLine(stored))) return true;
    return false;
}

void CopyActions(const RuleRecord& from, RuleRecord& to) {
    to.popupMessage = from.popupMessage;
    to.programLine = from.programLine;
    to.mailMessage = from.mailMessage;
    to.waveFile = from.waveFile;
    to.beep = from.beep;
}

template <std::size_t N>
bool SameText(const std::array<char, N>& a, const std::array<char, N>& b) {
    return FixedTextView(a) == FixedTextView(b);
}

// Writes the lines of the open file that are not the same rule as key to the next file
// and puts it in the old one's place.
int RewriteWithout(std::FILE* source, const RuleRecord& key) {
    std::FILE* next = DBLib::Open(kFolder, kNewFileName, OpenMode::Recreate);
    if (next == nullptr) return 1;
    std::string stored;
    bool ok = true;
    while (ok && DBLib::ReadLine(source, stored)) {
        if (RuleStore::SameRule(ParseRuleLine(DBLib::PlainLine(stored)), key)) continue;
        ok = DBLib::WriteLine(next, stored) && !FailPointHit("RuleStore::Remove");
    }
    if (!ok) {
        std::fclose(next);
        std::remove(DBLib::FilePath(kFolder, kNewFileName).c_str());
        return 1;
    }
    return DBLib::ReplaceFile(next, kFolder, kNewFileName, kFileName);
}

}  // namespace

namespace RuleStore {

bool SameRule(const RuleRecord& stored, const RuleRecord& key) {
    if (stored.kind != key.kind) return false;
    switch (key.kind) {
        case AllTraps: return true;
        case IpRange: return stored.ipFrom == key.ipFrom && stored.ipTo == key.ipTo;
        case Enterprise:
            return SameText(stored.enterprise, key.enterprise) &&
                   (stored.genericTrap == kGenericAny ||
                    (stored.genericTrap == key.genericTrap && stored.specificTrap == key.specificTrap));
        case User: return SameText(stored.userName, key.userName);
        default: return false;
    }
}

int ReadNth(int index, RuleRecord& rule) {
    std::lock_guard lock(ruleFileBusy);
    const RuleTable* rules = ruleFile.Current();
    const RuleRecord* found = rules != nullptr ? rules->Nth(rule.kind, index) : nullptr;
    if (found == nullptr) return 1;
    rule = *found;
    return 0;
}

int FindIpRange(const std::array<uint8_t, 4>& address, RuleRecord& rule) {
    std::lock_guard lock(ruleFileBusy);
    const RuleTable* rules = ruleFile.Current();
    const RuleRecord* found = rules != nullptr ? rules->FirstRangeHolding(address) : nullptr;
    if (found == nullptr) return 1;
    rule = *found;
    return 0;
}

int FindActions(RuleRecord& key) {
    std::lock_guard lock(ruleFileBusy);
    const RuleTable* rules = ruleFile.Current();
    const RuleRecord* found = rules != nullptr ? rules->FirstSameRule(key) : nullptr;
    if (found == nullptr) return 1;
    CopyActions(*found, key);
    return 0;
}

int Put(const RuleRecord& rule) {
    std::string record;
    switch (BuildRuleLine(rule, record)) {
        case RuleLineResult::TooLong: return kPutTooLong;
        case RuleLineResult::BadText: return kPutBadText;
        case RuleLineResult::Ok: break;
    }
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = ruleFile.RewoundStream();
    if (stream == nullptr) return kPutFileError;
    ruleFile.Invalidate();
    long start = 0;
    const bool replacing = ScanLines(stream, [&](const std::string& plain) {
        if (SameRule(ParseRuleLine(plain), rule)) return true;
        start = std::ftell(stream);
        return false;
    });
    if (std::fseek(stream, start, SEEK_SET) != 0 || !DBLib::WriteLine(stream, record) ||
        std::fflush(stream) != 0)
        return kPutFileError;
    return replacing ? kPutReplaced : kPutAppended;
}

int Remove(const RuleRecord& key) {
    std::lock_guard lock(ruleFileBusy);
    ruleFile.Close();
    std::FILE* source = DBLib::Open(kFolder, kFileName, OpenMode::ReadOrCreate);
    if (source == nullptr) return 1;
    const int result = RewriteWithout(source, key);
    std::fclose(source);
    return result;
}

void FillList(RecordList& list, int kind) {
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = ruleFile.RewoundStream();
    if (stream == nullptr) return;
    int row = 0;
    ScanLines(stream, [&](const std::string& plain) {
        // The kind is read as the lookups read it, so the list shows every rule they use.
        if (std::atoi(plain.c_str()) != kind) return false;
        char second[kRulePlainWidth + 1], third[kRulePlainWidth + 1];
        switch (kind) {
            case IpRange:
                DBLib::GetField(2, plain, second);
                DBLib::GetField(3, plain, third);
                list.InsertRow(row, second, 0);
                list.SetCell(row, 1, third);
                break;
            case Enterprise:
                DBLib::GetField(1, plain, second);
                list.InsertRow(row, second, 0);
                DBLib::GetField(5, plain, second);
                list.SetCell(row, 1, std::atoi(second) == kGenericAny ? "Any" : second);
                DBLib::GetField(6, plain, third);
                list.SetCell(row, 2, third);
                break;
            case User:
                DBLib::GetField(4, plain, second);
                list.InsertRow(row, second, 0);
                break;
            default: return false;
        }
        ++row;
        return false;
    });
}

int EnterpriseSuffix(std::string_view oid, std::span<char> out, int limit) {
    constexpr std::string_view kPrefix = "1.3.6.1.4.1";
    if (limit < static_cast<int>(kPrefix.size())) return 1;
    if (oid.substr(0, kPrefix.size()) != kPrefix) return 0;
    const std::string_view suffix = oid.size() > kPrefix.size() + 1 ? oid.substr(kPrefix.size() + 1) : "";
    const std::size_t room = std::min<std::size_t>(limit - kPrefix.size(), out.size());
    if (room == 0) return 1;
    const std::size_t length = std::min(suffix.size(), room - 1);
    std::memcpy(out.data(), suffix.data(), length);
    out[length] = '\0';
    return length < suffix.size() ? 1 : 0;
}

void Reset() {
    std::lock_guard lock(ruleFileBusy);
    ruleFile.Close();
}

}  // namespace RuleStore

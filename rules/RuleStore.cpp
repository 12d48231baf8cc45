#include "rules/RuleStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "records/RecordFileCache.h"
#include "records/RecordFileSave.h"
#include "rules/RuleLine.h"
#include "rules/RuleTable.h"

namespace {

constexpr std::string_view kFolder = "/db";
constexpr std::string_view kFileName = "EventDB.na";

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

}  // namespace

RuleStore::RuleStore(StoreReadFailures& failures, const RecordFileServices& services)
    : services_(services),
      file_(kFolder, kFileName, StoreKind::kRules, failures, services.noticeRounds) {}

int RuleStore::SaveRules(const std::vector<std::string>& lines) {
    if (SaveStoredLines(kFolder, kFileName, lines, services_) != 0) return 1;
    std::lock_guard lock(fileBusy_);
    file_.Invalidate();
    return 0;
}

bool RuleStore::SameRule(const RuleRecord& stored, const RuleRecord& key) {
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

int RuleStore::ReadNth(int index, RuleRecord& rule) const {
    std::lock_guard lock(fileBusy_);
    const RuleRecord* found = file_.Current().Nth(rule.kind, index);
    if (found == nullptr) return 1;
    rule = *found;
    return 0;
}

int RuleStore::FindIpRange(const std::array<uint8_t, 4>& address, RuleRecord& rule) const {
    std::lock_guard lock(fileBusy_);
    const RuleRecord* found = file_.Current().FirstRangeHolding(address);
    if (found == nullptr) return 1;
    rule = *found;
    return 0;
}

int RuleStore::FindActions(RuleRecord& key) const {
    std::lock_guard lock(fileBusy_);
    const RuleRecord* found = file_.Current().FirstSameRule(key);
    if (found == nullptr) return 1;
    CopyActions(*found, key);
    return 0;
}

int RuleStore::Put(const RuleRecord& rule) {
    std::string record;
    switch (BuildRuleLine(rule, record)) {
    case RuleLineResult::TooLong: return kPutTooLong;
    case RuleLineResult::BadText: return kPutBadText;
    case RuleLineResult::Ok: break;
    }
    std::lock_guard lock(saveBusy_);
    std::vector<std::string> lines;
    if (ReadStoredLines(kFolder, kFileName, lines, services_) != 0) return kPutFileError;
    const auto same = std::find_if(lines.begin(), lines.end(), [&](const std::string& stored) {
        return SameRule(ParseRuleLine(DBLib::PlainLine(stored)), rule);
    });
    const bool replacing = same != lines.end();
    if (replacing)
        *same = record;
    else
        lines.push_back(record);
    if (SaveRules(lines) != 0) return kPutFileError;
    return replacing ? kPutReplaced : kPutAppended;
}

int RuleStore::Remove(const RuleRecord& key) {
    std::lock_guard lock(saveBusy_);
    std::vector<std::string> lines;
    if (ReadStoredLines(kFolder, kFileName, lines, services_) != 0) return 1;
    std::erase_if(lines, [&](const std::string& stored) {
        return SameRule(ParseRuleLine(DBLib::PlainLine(stored)), key);
    });
    return SaveRules(lines);
}

void RuleStore::FillList(RecordList& list, int kind) const {
    std::lock_guard lock(fileBusy_);
    std::FILE* stream = file_.RewoundStream();
    if (stream == nullptr) return;
    int row = 0;
    ScanLines(stream, [&](const std::string& plain) {
        // The kind is read as the lookups read it (its first field, up to a line feed that a
        // damaged file may hold), so each row is the rule the lookup by position finds.
        if (ParseRuleLine(plain).kind != kind) return false;
        char second[kRulePlainWidth + 1], third[kRulePlainWidth + 1];
        // Each buffer holds a whole line, so no field is cut; a missing one stays empty.
        const auto field = [&plain](int index, char(&out)[kRulePlainWidth + 1]) {
            static_cast<void>(DBLib::GetField(index, plain, out));
        };
        switch (kind) {
        case IpRange:
            field(2, second);
            field(3, third);
            list.InsertRow(row, second, 0);
            list.SetCell(row, 1, third);
            break;
        case Enterprise:
            field(1, second);
            list.InsertRow(row, second, 0);
            field(5, second);
            list.SetCell(row, 1, std::atoi(second) == kGenericAny ? "Any" : second);
            field(6, third);
            list.SetCell(row, 2, third);
            break;
        case User:
            field(4, second);
            list.InsertRow(row, second, 0);
            break;
        default: return false;
        }
        ++row;
        return false;
    });
}

int RuleStore::EnterpriseSuffix(std::string_view oid, std::span<char> out, int limit) {
    constexpr std::string_view kPrefix = "1.3.6.1.4.1";
    if (limit < static_cast<int>(kPrefix.size())) return 1;
    if (oid.substr(0, kPrefix.size()) != kPrefix) return 0;
    const std::string_view suffix =
        oid.size() > kPrefix.size() + 1 ? oid.substr(kPrefix.size() + 1) : "";
    const std::size_t room = std::min<std::size_t>(limit - kPrefix.size(), out.size());
    if (room == 0) return 1;
    const std::size_t length = std::min(suffix.size(), room - 1);
    std::memcpy(out.data(), suffix.data(), length);
    out[length] = '\0';
    return length < suffix.size() ? 1 : 0;
}

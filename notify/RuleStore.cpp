#include "notify/RuleStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "notify/DBLib.h"
#include "notify/RuleLine.h"
#include "platform/FailPoint.h"
#include "platform/FixedText.h"

namespace {

constexpr std::string_view kFolder = "/db";
constexpr std::string_view kFileName = "EventDB.na";
constexpr std::string_view kNewFileName = "EventDB.na.tmp";  // the next file, built beside it

std::mutex ruleFileBusy;
std::FILE* ruleFileStream = nullptr;

// With the lock held: the open stream at the start of the file, or null when the file
// cannot be opened (the next operation tries again).
std::FILE* RewoundStream() {
    if (ruleFileStream == nullptr) ruleFileStream = DBLib::Open(kFolder, kFileName, OpenMode::Update);
    if (ruleFileStream != nullptr) std::rewind(ruleFileStream);
    return ruleFileStream;
}

std::string ToPlain(std::string_view stored) {
    std::string plain(stored.size() + 1, '\0');
    plain.resize(DBLib::Convert(stored, plain, kToPlain));
    return plain;
}

// Visits the plain lines from the current position; visit returns true to stop there.
// Returns whether a visit stopped the scan.
template <class Visit>
bool ScanLines(std::FILE* stream, Visit visit) {
    std::string stored;
    while (DBLib::ReadLine(stream, stored))
        if (visit(ToPlain(stored))) return true;
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
        if (RuleStore::SameRule(ParseRuleLine(ToPlain(stored)), key)) continue;
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
    std::FILE* stream = RewoundStream();
    if (stream == nullptr || rule.kind < AllTraps || rule.kind > User) return 1;
    int n = 0;
    return ScanLines(stream, [&](const std::string& plain) {
               if (std::atoi(plain.c_str()) != rule.kind) return false;
               if (n++ != index) return false;
               rule = ParseRuleLine(plain);
               return true;
           })
               ? 0
               : 1;
}

int FindIpRange(const std::array<uint8_t, 4>& address, RuleRecord& rule) {
    const auto hostOrder = [](const std::array<uint8_t, 4>& octets) {
        return uint32_t(octets[0]) << 24 | uint32_t(octets[1]) << 16 | uint32_t(octets[2]) << 8 | octets[3];
    };
    const uint32_t sender = hostOrder(address);
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 1;
    return ScanLines(stream, [&](const std::string& plain) {
               if (std::atoi(plain.c_str()) != IpRange) return false;
               const RuleRecord stored = ParseRuleLine(plain);
               if (sender < hostOrder(stored.ipFrom) || hostOrder(stored.ipTo) < sender) return false;
               rule = stored;
               return true;
           })
               ? 0
               : 1;
}

int FindActions(RuleRecord& key) {
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 1;
    return ScanLines(stream, [&](const std::string& plain) {
               const RuleRecord stored = ParseRuleLine(plain);
               if (!SameRule(stored, key)) return false;
               CopyActions(stored, key);
               return true;
           })
               ? 0
               : 1;
}

int Put(const RuleRecord& rule) {
    std::string record;
    switch (BuildRuleLine(rule, record)) {
        case RuleLineResult::TooLong: return kPutTooLong;
        case RuleLineResult::BadText: return kPutBadText;
        case RuleLineResult::Ok: break;
    }
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return kPutFileError;
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
    if (ruleFileStream != nullptr) {
        std::fclose(ruleFileStream);
        ruleFileStream = nullptr;
    }
    std::FILE* source = DBLib::Open(kFolder, kFileName, OpenMode::ReadOrCreate);
    if (source == nullptr) return 1;
    const int result = RewriteWithout(source, key);
    std::fclose(source);
    return result;
}

void FillList(RecordList& list, int kind) {
    std::lock_guard lock(ruleFileBusy);
    std::FILE* stream = RewoundStream();
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
    if (ruleFileStream != nullptr) std::fclose(ruleFileStream);
    ruleFileStream = nullptr;
}

}  // namespace RuleStore

// libFuzzer entry point for the readers of the record files: the input is the rule file
// (db/EventDB.na), the user file (db/UserDB.na) or the trap log (log/log.log) as found on
// disk, read through the stores, and each line through the stored form's decoding.
//   ./record_lines_fuzz -max_total_time=600 corpus/

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzProgramFolder.h"
#include "platform/FixedText.h"
#include "platform/MessageBox.h"
#include "records/DBLib.h"
#include "rules/RuleLine.h"
#include "rules/RuleStore.h"
#include "rules/RuleText.h"
#include "support/MemoryRecordList.h"
#include "trap/LossCounters.h"
#include "traplog/LogLine.h"
#include "traplog/TrapLog.h"
#include "users/UserStore.h"

namespace {

// Lookups by position rescan the file each time; a few show that they agree with the list.
constexpr int kPositionsChecked = 3;

void Check(bool holds) {
    if (!holds) __builtin_trap();
}

// A new file each time: the file system flushes a truncated one on close, which is slow.
void WriteFile(std::string_view folder, std::string_view name, const std::string& bytes) {
    const std::string path = DBLib::FilePath(folder, name);
    std::remove(path.c_str());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    Check(file != nullptr);
    Check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    std::fclose(file);
}

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t end = std::min(content.find('\n', start), content.size());
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

template <std::size_t N>
bool Terminated(const std::array<char, N>& field) {
    return std::memchr(field.data(), '\0', N) != nullptr;
}

bool Terminated(const RuleRecord& r) {
    return Terminated(r.enterprise) && Terminated(r.userName) && Terminated(r.popupMessage) &&
           Terminated(r.programLine) && Terminated(r.mailMessage) && Terminated(r.waveFile);
}

bool SameFields(const RuleRecord& a, const RuleRecord& b) {
    return a.kind == b.kind && a.enterprise == b.enterprise && a.ipFrom == b.ipFrom &&
           a.ipTo == b.ipTo && a.userName == b.userName && a.genericTrap == b.genericTrap &&
           a.specificTrap == b.specificTrap && a.popupMessage == b.popupMessage &&
           a.programLine == b.programLine && a.mailMessage == b.mailMessage &&
           a.waveFile == b.waveFile && a.beep == b.beep;
}

std::string ToPlain(std::string_view stored) {
    std::string plain(stored.size() + 1, '\0');
    const std::size_t length = DBLib::Convert(stored, plain, kToPlain);
    Check(length < plain.size() && plain[length] == '\0');
    plain.resize(length);
    return plain;
}

// The stored form holds no line end or comma, and decodes to the plain text it came from
// (plain text never holds 0xFF, which would be stored as a zero byte).
void CheckStoredForm(std::string_view plain) {
    plain = plain.substr(0, std::min(plain.find('\n'), plain.find('\0')));
    std::string stored(2 * plain.size(), '\0');
    stored.resize(DBLib::Convert(plain, stored, kToStored));
    Check(stored.find_first_of("\n\r,") == std::string::npos);
    if (plain.find('\xFF') == std::string_view::npos) Check(ToPlain(stored) == plain);
}

// A rule read from a line and written again reads back the same.
void CheckRuleLine(const std::string& stored) {
    const std::string plain = ToPlain(stored);
    CheckStoredForm(plain);
    const RuleRecord rule = ParseRuleLine(plain);
    Check(Terminated(rule));
    std::string rebuilt;
    if (BuildRuleLine(rule, rebuilt) != RuleLineResult::Ok) return;
    Check(rebuilt.size() == kRuleStoredWidth);
    Check(SameFields(ParseRuleLine(ToPlain(rebuilt)), rule));
}

void ReadRules(const std::string& content) {
    StandardErrorBoxes boxes;
    StoreReadFailures readFailures;
    const RuleStore rules(readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep});
    WriteFile("/db", "EventDB.na", content);
    for (const std::string& line : Lines(content)) CheckRuleLine(line);
    for (int kind = IpRange; kind <= User; ++kind) {
        MemoryRecordList list(3);
        rules.FillList(list, kind);
        const int count = list.RowCount();
        for (int index = 0; index <= std::min(count, kPositionsChecked); ++index) {
            RuleRecord rule{};
            rule.kind = kind;
            const int found = rules.ReadNth(index, rule);
            Check(found == (index < count ? 0 : 1));
            if (found != 0) break;
            Check(Terminated(rule));
            // Every rule that is listed is found by its own key.
            RuleRecord key = rule;
            Check(rules.FindActions(key) == 0);
            // A range holds its own first address unless it is reversed.
            RuleRecord range{};
            if (kind == IpRange && AddressValue(rule.ipFrom) <= AddressValue(rule.ipTo))
                Check(rules.FindIpRange(rule.ipFrom, range) == 0);
        }
    }
    RuleRecord allTraps{};
    // Found or not, what it leaves in the record must be whole.
    static_cast<void>(rules.FindActions(allTraps));
    Check(Terminated(allTraps));
}

void ReadUsers(const std::string& content) {
    StandardErrorBoxes boxes;
    StoreReadFailures readFailures;
    const UserStore users(readFailures, {.boxes = boxes, .retrySleep = NoRetrySleep});
    WriteFile("/db", "UserDB.na", content);
    for (const std::string& line : Lines(content)) CheckStoredForm(ToPlain(line));
    MemoryRecordList list(7);
    users.ListUsers(list);
    const int count = list.RowCount();
    for (int index = 0; index <= std::min(count, kPositionsChecked); ++index) {
        UserEntry user{};
        const int found = users.GetUser(index, user);
        Check(found == (index < count ? 0 : 1));
        if (found != 0) break;
        Check(Terminated(user.userName) && Terminated(user.authPassword) &&
              Terminated(user.privPassword) && Terminated(user.engineId));
        Check(FixedTextView(user.userName) == list.Cell(index, 0));
        // Every listed user is found by its name.
        UserEntry byName{};
        byName.userName = user.userName;
        Check(users.FindUser(byName) == 0 && byName.userName == user.userName);
    }
}

void ReadLog(const std::string& content, int retention, bool deleteRows) {
    StandardErrorBoxes boxes;
    LossCounters losses;
    SettingsSource settings;
    TrapLog log({.boxes = boxes, .retrySleep = NoRetrySleep}, losses, settings);
    WriteFile("/log", "log.log", content);
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 11;
    for (const std::string& line : Lines(content)) {
        LogLineMonth(line);
        LogLineExpired(line, retention, now);
        SplitLogLine(line);
    }
    MemoryRecordList all(6);
    const int lines = log.ReadEntries(all, LogSearchAll, {});
    Check(lines == all.RowCount());
    if (lines == 0) return;
    // A search by a field of the newest line (the top row) finds at least that line.
    for (int field : {LogSearchDate, LogSearchAddress, LogSearchHost, LogSearchVersion}) {
        MemoryRecordList found(6);
        const int matches = log.ReadEntries(found, field, all.Cell(0, field));
        Check(matches == found.RowCount() && matches >= 1 && matches <= lines);
    }
    // Deleting every other row removes exactly those lines. The log is made durable on
    // each rewrite, which costs a disk flush: done for some inputs only.
    if (!deleteRows) return;
    int selected = 0;
    for (int row = 0; row < lines; row += 2, ++selected) all.Select(row);
    Check(log.DeleteLines(all) == selected);
    MemoryRecordList after(6);
    Check(log.ReadEntries(after, LogSearchAll, {}) == lines - selected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzProgramFolder();
    FuzzedDataProvider input(data, size);
    const int file = input.ConsumeIntegralInRange(0, 2);
    const int retention = input.ConsumeIntegralInRange(0, 12);
    const bool deleteRows = input.ConsumeIntegralInRange(0, 7) == 0;
    const std::string content = input.ConsumeRemainingBytesAsString();
    switch (file) {
    case 0: ReadRules(content); break;
    case 1: ReadUsers(content); break;
    default: ReadLog(content, retention, deleteRows); break;
    }
    return 0;
}

#include "users/UserStore.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FixedText.h"
#include "records/DBLib.h"
#include "records/RecordFileCache.h"
#include "records/RecordFileSave.h"
#include "users/UserProtocols.h"

namespace {

constexpr std::string_view kFolder = "/db";
constexpr std::string_view kFileName = "UserDB.na";
constexpr std::string_view kHiddenPassword = "*******";

template <std::size_t N>
void TakeField(int index, std::string_view plain, std::array<char, N>& field) {
    std::array<char, 256> text;
    // What fits is taken, as the field's own limit would cut it anyway.
    static_cast<void>(DBLib::GetField(index, plain, text));
    SetFixedText(field, text.data());
}

int32_t NumberField(int index, std::string_view plain) {
    std::array<char, 16> text;
    // A number longer than the buffer is no number this store writes; its start is read.
    static_cast<void>(DBLib::GetField(index, plain, text));
    return std::atoi(text.data());
}

UserEntry ParseUserLine(std::string_view plain) {
    UserEntry entry{};
    TakeField(0, plain, entry.userName);
    TakeField(1, plain, entry.authPassword);
    TakeField(2, plain, entry.privPassword);
    TakeField(3, plain, entry.engineId);
    entry.authProtocol = NumberField(4, plain);
    entry.privProtocol = NumberField(5, plain);
    return entry;
}

template <std::size_t N>
bool Fits(std::string_view text, const std::array<char, N>&) {
    return text.size() < N && text.find_first_of(kUnstorableFieldBytes) == std::string_view::npos;
}

// The stored line of user; false when a text could not be read back whole.
bool StoredUserLine(const UserTexts& user, std::string& stored) {
    const UserEntry limits{};
    if (!Fits(user.userName, limits.userName) || !Fits(user.authPassword, limits.authPassword) ||
        !Fits(user.privPassword, limits.privPassword) || !Fits(user.engineId, limits.engineId))
        return false;
    std::string plain;
    for (std::string_view text :
         {user.userName, user.authPassword, user.privPassword, user.engineId}) {
        plain += text;
        plain += ',';
    }
    plain += std::to_string(user.authProtocol) + ',' + std::to_string(user.privProtocol) + ',';
    stored.assign(2 * plain.size(), '\0');
    stored.resize(DBLib::Convert(plain, stored, kToStored));
    return true;
}

}  // namespace

void UserStore::UserTable::Clear() {
    users.clear();
    firstByName.clear();
}

void UserStore::UserTable::Add(std::string_view plain) {
    const UserEntry& user = users.emplace_back(ParseUserLine(plain));
    firstByName.emplace(std::string(FixedTextView(user.userName)), users.size() - 1);
}

UserStore::UserStore(StoreReadFailures& failures, const RecordFileServices& services)
    : services_(services),
      file_(kFolder, kFileName, StoreKind::kUsers, failures, services.noticeRounds) {}

int UserStore::SaveUserLines(const std::vector<std::string>& lines) {
    if (SaveStoredLines(kFolder, kFileName, lines, services_) != 0) return 1;
    std::lock_guard lock(fileBusy_);
    file_.Invalidate();
    return 0;
}

int UserStore::AppendUser(std::string_view userName, std::string_view authPassword,
                          std::string_view privPassword, std::string_view engineId,
                          int32_t authProtocol, int32_t privProtocol) {
    std::string stored;
    const UserTexts user{std::string(userName),
                         std::string(authPassword),
                         std::string(privPassword),
                         std::string(engineId),
                         authProtocol,
                         privProtocol};
    if (!StoredUserLine(user, stored)) return 1;
    std::lock_guard lock(saveBusy_);
    std::vector<std::string> lines;
    if (ReadStoredLines(kFolder, kFileName, lines, services_) != 0) return 1;
    lines.push_back(std::move(stored));
    return SaveUserLines(lines);
}

int UserStore::SaveUsers(const std::vector<UserTexts>& users) {
    std::vector<std::string> lines;
    for (const UserTexts& user : users)
        if (std::string stored; StoredUserLine(user, stored)) lines.push_back(std::move(stored));
    std::lock_guard lock(saveBusy_);
    return SaveUserLines(lines);
}

int UserStore::GetUser(int index, UserEntry& entry) const {
    std::lock_guard lock(fileBusy_);
    const UserTable& table = file_.Current();
    if (index < 0 || static_cast<std::size_t>(index) >= table.users.size()) return 1;
    entry = table.users[index];
    return 0;
}

int UserStore::FindUser(UserEntry& entry) const {
    std::lock_guard lock(fileBusy_);
    const UserTable& table = file_.Current();
    const auto found = table.firstByName.find(std::string(FixedTextView(entry.userName)));
    if (found == table.firstByName.end()) return 1;
    entry = table.users[found->second];
    return 0;
}

void UserStore::ListUsers(RecordList& list) const {
    std::lock_guard lock(fileBusy_);
    for (const UserEntry& user : file_.Current().users) {
        const int row = list.RowCount();
        const std::string_view engineId = FixedTextView(user.engineId);
        list.InsertRow(row, FixedTextView(user.userName), 0);
        list.SetCell(row, 1, kHiddenPassword);
        list.SetCell(row, 2, engineId.empty() ? std::string() : "0x" + std::string(engineId));
        list.SetCell(row, 3, ProtocolText(kAuthProtocolNames, user.authProtocol));
        list.SetCell(row, 4, ProtocolText(kPrivProtocolNames, user.privProtocol));
        list.SetCell(row, 5, FixedTextView(user.authPassword));
        list.SetCell(row, 6, FixedTextView(user.privPassword));
    }
}

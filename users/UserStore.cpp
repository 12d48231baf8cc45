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
    DBLib::GetField(index, plain, text);
    SetFixedText(field, text.data());
}

int32_t NumberField(int index, std::string_view plain) {
    std::array<char, 16> text;
    DBLib::GetField(index, plain, text);
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

// The users in file order, and where each name first occurs.
struct UserTable {
    std::vector<UserEntry> users;
    std::unordered_map<std::string, std::size_t> firstByName;

    void Clear() {
        users.clear();
        firstByName.clear();
    }
    void Add(std::string_view plain) {
        const UserEntry& user = users.emplace_back(ParseUserLine(plain));
        firstByName.emplace(std::string(FixedTextView(user.userName)), users.size() - 1);
    }
};

// Saves take userSaveBusy for their whole run and userFileBusy only to tell the lookups
// that the file was replaced, so a lookup never waits for a save's file operations.
std::mutex userSaveBusy;
std::mutex userFileBusy;
// Guarded by userFileBusy; every SNMPv3 message looks its user up here.
RecordFileCache<UserTable> userFile(kFolder, kFileName, StoreKind::kUsers);

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

// With userSaveBusy held: saves lines as the user file and lets the lookups read it again.
int SaveUserLines(const std::vector<std::string>& lines) {
    if (SaveStoredLines(kFolder, kFileName, lines) != 0) return 1;
    std::lock_guard lock(userFileBusy);
    userFile.Invalidate();
    return 0;
}

}  // namespace

int AppendUser(std::string_view userName, std::string_view authPassword,
               std::string_view privPassword, std::string_view engineId, int32_t authProtocol,
               int32_t privProtocol) {
    std::string stored;
    const UserTexts user{std::string(userName),
                         std::string(authPassword),
                         std::string(privPassword),
                         std::string(engineId),
                         authProtocol,
                         privProtocol};
    if (!StoredUserLine(user, stored)) return 1;
    std::lock_guard lock(userSaveBusy);
    std::vector<std::string> lines;
    if (ReadStoredLines(kFolder, kFileName, lines) != 0) return 1;
    lines.push_back(std::move(stored));
    return SaveUserLines(lines);
}

int SaveUsers(const std::vector<UserTexts>& users) {
    std::vector<std::string> lines;
    for (const UserTexts& user : users)
        if (std::string stored; StoredUserLine(user, stored)) lines.push_back(std::move(stored));
    std::lock_guard lock(userSaveBusy);
    return SaveUserLines(lines);
}

int GetUser(int index, UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    const UserTable& table = userFile.Current();
    if (index < 0 || static_cast<std::size_t>(index) >= table.users.size()) return 1;
    entry = table.users[index];
    return 0;
}

int FindUser(UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    const UserTable& table = userFile.Current();
    const auto found = table.firstByName.find(std::string(FixedTextView(entry.userName)));
    if (found == table.firstByName.end()) return 1;
    entry = table.users[found->second];
    return 0;
}

void ListUsers(RecordList& list) {
    std::lock_guard lock(userFileBusy);
    for (const UserEntry& user : userFile.Current().users) {
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

void ResetUserStore() {
    std::lock_guard lock(userFileBusy);
    userFile.Close();
}

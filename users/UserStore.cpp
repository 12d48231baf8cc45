#include "users/UserStore.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "notify/records/DBLib.h"
#include "notify/records/RecordFileCache.h"
#include "platform/FixedText.h"
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

std::mutex userFileBusy;
// Guarded by userFileBusy; every SNMPv3 message looks its user up here.
RecordFileCache<UserTable> userFile(kFolder, kFileName);

template <std::size_t N>
bool Fits(std::string_view text, const std::array<char, N>&) {
    return text.size() < N && text.find_first_of(kUnstorableFieldBytes) == std::string_view::npos;
}

}  // namespace

int AppendUser(std::string_view userName, std::string_view authPassword, std::string_view privPassword,
               std::string_view engineId, int32_t authProtocol, int32_t privProtocol) {
    const UserEntry limits{};
    if (!Fits(userName, limits.userName) || !Fits(authPassword, limits.authPassword) ||
        !Fits(privPassword, limits.privPassword) || !Fits(engineId, limits.engineId))
        return 1;
    std::string plain;
    for (std::string_view text : {userName, authPassword, privPassword, engineId}) {
        plain += text;
        plain += ',';
    }
    plain += std::to_string(authProtocol) + ',' + std::to_string(privProtocol) + ',';
    std::string stored(2 * plain.size(), '\0');
    stored.resize(DBLib::Convert(plain, stored, kToStored));

    std::lock_guard lock(userFileBusy);
    std::FILE* stream = userFile.RewoundStream();
    if (stream == nullptr) return 1;
    userFile.Invalidate();
    const bool written = std::fseek(stream, 0, SEEK_END) == 0 && DBLib::WriteLine(stream, stored) &&
                         std::fflush(stream) == 0;
    return written ? 0 : 1;
}

int ClearUsers() {
    std::lock_guard lock(userFileBusy);
    userFile.Close();
    std::FILE* recreated = DBLib::Open(kFolder, kFileName, OpenMode::Recreate);
    userFile.Adopt(recreated);
    return recreated != nullptr ? 0 : 1;
}

int GetUser(int index, UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    const UserTable* table = userFile.Current();
    if (table == nullptr || index < 0 || static_cast<std::size_t>(index) >= table->users.size()) return 1;
    entry = table->users[index];
    return 0;
}

int FindUser(UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    const UserTable* table = userFile.Current();
    if (table == nullptr) return 1;
    const auto found = table->firstByName.find(std::string(FixedTextView(entry.userName)));
    if (found == table->firstByName.end()) return 1;
    entry = table->users[found->second];
    return 0;
}

void ListUsers(RecordList& list) {
    std::lock_guard lock(userFileBusy);
    const UserTable* table = userFile.Current();
    if (table == nullptr) return;
    for (const UserEntry& user : table->users) {
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

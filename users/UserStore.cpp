#include "users/UserStore.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "notify/DBLib.h"
#include "platform/FixedText.h"
#include "users/UserProtocols.h"

namespace {

constexpr std::string_view kFolder = "/db";
constexpr std::string_view kFileName = "UserDB.na";
constexpr std::string_view kHiddenPassword = "*******";

std::mutex userFileBusy;
std::FILE* userFileStream = nullptr;

// With the lock held: the open stream at the start of the file, or null.
std::FILE* RewoundStream() {
    if (userFileStream == nullptr) userFileStream = DBLib::Open(kFolder, kFileName, OpenMode::Update);
    if (userFileStream != nullptr) std::rewind(userFileStream);
    return userFileStream;
}

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

// Visits the users from the start of the file; visit returns true to stop. Returns
// whether a visit stopped the scan.
template <class Visit>
bool ScanUsers(std::FILE* stream, Visit visit) {
    std::string stored;
    std::string plain;
    while (DBLib::ReadLine(stream, stored)) {
        plain.assign(stored.size() + 1, '\0');
        plain.resize(DBLib::Convert(stored, plain, kToPlain));
        if (visit(ParseUserLine(plain))) return true;
    }
    return false;
}

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
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 1;
    const bool written = std::fseek(stream, 0, SEEK_END) == 0 && DBLib::WriteLine(stream, stored) &&
                         std::fflush(stream) == 0;
    return written ? 0 : 1;
}

int ClearUsers() {
    std::lock_guard lock(userFileBusy);
    if (userFileStream != nullptr) std::fclose(userFileStream);
    userFileStream = DBLib::Open(kFolder, kFileName, OpenMode::Recreate);
    return userFileStream != nullptr ? 0 : 1;
}

int GetUser(int index, UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 1;
    int n = 0;
    return ScanUsers(stream, [&](const UserEntry& user) {
               if (n++ != index) return false;
               entry = user;
               return true;
           })
               ? 0
               : 1;
}

int FindUser(UserEntry& entry) {
    std::lock_guard lock(userFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return 1;
    const std::string name(FixedTextView(entry.userName));
    return ScanUsers(stream, [&](const UserEntry& user) {
               if (FixedTextView(user.userName) != name) return false;
               entry = user;
               return true;
           })
               ? 0
               : 1;
}

void ListUsers(RecordList& list) {
    std::lock_guard lock(userFileBusy);
    std::FILE* stream = RewoundStream();
    if (stream == nullptr) return;
    ScanUsers(stream, [&](const UserEntry& user) {
        const int row = list.RowCount();
        const std::string_view engineId = FixedTextView(user.engineId);
        list.InsertRow(row, FixedTextView(user.userName), 0);
        list.SetCell(row, 1, kHiddenPassword);
        list.SetCell(row, 2, engineId.empty() ? std::string() : "0x" + std::string(engineId));
        list.SetCell(row, 3, ProtocolText(kAuthProtocolNames, user.authProtocol));
        list.SetCell(row, 4, ProtocolText(kPrivProtocolNames, user.privProtocol));
        list.SetCell(row, 5, FixedTextView(user.authPassword));
        list.SetCell(row, 6, FixedTextView(user.privPassword));
        return false;
    });
}

void ResetUserStore() {
    std::lock_guard lock(userFileBusy);
    if (userFileStream != nullptr) std::fclose(userFileStream);
    userFileStream = nullptr;
}

#pragma once
// The SNMPv3 users in db/UserDB.na: one user a line in the stored form of record lines,
// CR LF on disk. The receiver thread looks users up for every SNMPv3 message in the
// parsed file and never waits for it: while the file cannot be read, lookups answer from
// the users read before (RecordFileCache). The user dialogs save the whole list anew in
// one step (RecordFileSave), so a lookup or a crash sees the old list or the new one.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "records/DBLib.h"
#include "records/RecordFileCache.h"
#include "records/RecordFileServices.h"
#include "records/RecordList.h"
#include "records/StoreReadFailures.h"

// Texts are CP932, zero-terminated.
struct UserEntry {
    std::array<char, 33> userName;      // at most 32 bytes
    std::array<char, 33> authPassword;  // at most 32 bytes
    std::array<char, 33> privPassword;  // at most 32 bytes
    std::array<char, 65> engineId;      // hex digits without "0x", at most 64 (32 octets)
    int32_t authProtocol;               // index of kAuthProtocolNames
    int32_t privProtocol;               // index of kPrivProtocolNames
};

// Indexed by the protocol numbers of crypto/UsmProtocols.h.
inline constexpr std::array<std::string_view, 7> kAuthProtocolNames = {
    "None",         "HMAC-SHA1",    "HMAC-MD5",    "HMAC-SHA-224",
    "HMAC-SHA-256", "HMAC-SHA-384", "HMAC-SHA-512"};
inline constexpr std::array<std::string_view, 3> kPrivProtocolNames = {"None", "CBC-DES",
                                                                       "CFB-AES-128"};

// One user as the user dialogs hold it; texts are CP932.
struct UserTexts {
    std::string userName;
    std::string authPassword;
    std::string privPassword;
    std::string engineId;
    int32_t authProtocol = 0;
    int32_t privProtocol = 0;
};

class UserStore {
public:
    // The user file of the program folder; failed reads are counted in failures, and the
    // files are opened, read and saved with services.
    UserStore(StoreReadFailures& failures, const RecordFileServices& services);
    UserStore(const UserStore&) = delete;
    UserStore& operator=(const UserStore&) = delete;

    // Adds one user at the end of the file. 0 when saved; 1 when nothing was written: a
    // text longer than its field or holding a comma, line feed or 0xFF (it could not be
    // read back whole), or the file could not be read or saved.
    [[nodiscard]] int AppendUser(std::string_view userName, std::string_view authPassword,
                                 std::string_view privPassword, std::string_view engineId,
                                 int32_t authProtocol, int32_t privProtocol);

    // Makes users, in order, the whole store; a user that could not be read back whole (as
    // for AppendUser) is left out. 0 when saved, 1 when the file was left as it was.
    [[nodiscard]] int SaveUsers(const std::vector<UserTexts>& users);

    // The index-th user (0 the first line). 0 when there is one, else 1.
    [[nodiscard]] int GetUser(int index, UserEntry& entry) const;

    // Fills entry from the first line whose name equals entry.userName byte for byte.
    // 0 when found, 1 when not.
    [[nodiscard]] int FindUser(UserEntry& entry) const;

    // Appends one row per user in file order: name, "*******", "0x" and the engine ID
    // (empty without one), the two protocol names ("(code)" for a code this build does not
    // know), the two passwords.
    void ListUsers(RecordList& list) const;

private:
    // The users in file order, and where each name first occurs.
    struct UserTable {
        std::vector<UserEntry> users;
        std::unordered_map<std::string, std::size_t> firstByName;

        void Clear();
        void Add(std::string_view plain);
    };

    // With saveBusy_ held: saves lines as the user file and lets the lookups read it again.
    int SaveUserLines(const std::vector<std::string>& lines);

    const RecordFileServices services_;
    // Saves take saveBusy_ for their whole run and fileBusy_ only to tell the lookups that
    // the file was replaced, so a lookup never waits for a save's file operations.
    std::mutex saveBusy_;
    mutable std::mutex fileBusy_;
    // Guarded by fileBusy_; every SNMPv3 message looks its user up here.
    mutable RecordFileCache<UserTable> file_;
};

#pragma once
// The SNMPv3 users in db/UserDB.na: one user a line in the stored form of record lines,
// CR LF on disk. The receiver thread looks users up for every SNMPv3 message; the user
// dialogs list and rewrite the store. Every operation holds the store's lock for its
// whole run; the one stream stays open between operations.

#include <array>
#include <cstdint>
#include <string_view>

#include "notify/records/RecordList.h"

// Texts are CP932, zero-terminated.
struct UserEntry {
    std::array<char, 33> userName;      // at most 32 bytes
    std::array<char, 33> authPassword;  // at most 32 bytes
    std::array<char, 33> privPassword;  // at most 32 bytes
    std::array<char, 65> engineId;      // hex digits without "0x", at most 64 (32 octets)
    int32_t authProtocol;               // index of kAuthProtocolNames
    int32_t privProtocol;               // index of kPrivProtocolNames
};

// Indexed by the protocol numbers of snmp/crypto/UsmProtocols.h.
inline constexpr std::array<std::string_view, 7> kAuthProtocolNames = {
    "None", "HMAC-SHA1", "HMAC-MD5", "HMAC-SHA-224", "HMAC-SHA-256", "HMAC-SHA-384", "HMAC-SHA-512"};
inline constexpr std::array<std::string_view, 3> kPrivProtocolNames = {"None", "CBC-DES", "CFB-AES-128"};

// Writes one user at the end of the file. 0 when written; 1 when nothing was written: a
// text longer than its field or holding a comma, line feed or 0xFF (it could not be read
// back whole), or the file is not available.
int AppendUser(std::string_view userName, std::string_view authPassword, std::string_view privPassword,
               std::string_view engineId, int32_t authProtocol, int32_t privProtocol);

// Empties the store (the file is created again). 0, or 1 when the file is not available.
int ClearUsers();

// The index-th user (0 the first line). 0 when there is one, else 1.
int GetUser(int index, UserEntry& entry);

// Fills entry from the first line whose name equals entry.userName byte for byte.
// 0 when found, 1 when not (also when the file cannot be opened).
int FindUser(UserEntry& entry);

// Appends one row per user in file order: name, "*******", "0x" and the engine ID (empty
// without one), the two protocol names ("(code)" for a code this build does not know),
// the two passwords.
void ListUsers(RecordList& list);

// Closes the stream; the next operation opens the file again (tests).
void ResetUserStore();

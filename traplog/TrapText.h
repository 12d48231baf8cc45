#pragma once
// Turns a decoded trap into text: one field at a time, or a user's text with %
// placeholders and \ escapes expanded against the trap.

#include <cstddef>
#include <string>
#include <string_view>

#include "trap/TrapRecord.h"

struct AppSettings;

// The renderable fields; the trap list addresses its columns by these numbers.
enum class TrapField : int {
    SourceAddress = 0,
    HostName = 1,
    Version = 2,
    Community = 3,
    Enterprise = 4,
    GenericTrap = 5,
    SpecificTrap = 6,
    AgentAddress = 7,
    TimeStamp = 8,
    MsgId = 9,
    MsgMaxSize = 10,
    MsgFlags = 11,
    MsgSecurityModel = 12,
    EngineId = 13,
    EngineBoots = 14,
    EngineTime = 15,
    UserName = 16,
    AuthParams = 17,
    PrivParams = 18,
    ContextEngineId = 19,
    ContextName = 20,
    RequestId = 21,
    ErrorStatus = 22,
    ErrorIndex = 23,
    VarBindName = 24,
    VarBindValue = 25,
};
inline constexpr int kTrapFieldCount = 26;

// Size of every expansion buffer, terminator included.
inline constexpr std::size_t kTrapTextSize = 2048;

// The text of one field; index selects the binding of VarBindName and VarBindValue and is
// ignored otherwise. Empty when the field does not apply to the record's version, and for
// a binding index outside the record. At most 399 bytes (a binding's hex text).
std::string FormatTrapField(const TrapRecord& record, TrapField field, int index = 0);

// Expands placeholders and escapes of text (up to its first NUL byte) against the record
// into at most outputSize - 1 bytes: expansion stops before the first replacement that
// would not fit.
std::string ExpandTrapText(const TrapRecord& record, std::string_view text,
                           std::size_t outputSize = kTrapTextSize);

// The same into a caller's buffer of outputSize bytes, always zero-terminated.
void ExpandTrapText(const TrapRecord& record, const char* text, char* output,
                    std::size_t outputSize);

// The one-line message of a trap: the display format of its version from settings,
// expanded; empty for a version other than 0, 1 and 3.
std::string ExpandTrapMessage(const TrapRecord& record, const AppSettings& settings);

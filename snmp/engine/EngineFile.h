#pragma once
// The receiver's own SNMP engine (RFC 3411 3.1.1, RFC 3414 2.2): its snmpEngineID, made once
// from random octets, and snmpEngineBoots, one more at each start of the service. Both are
// kept in db/Engine.na (two lines, CR LF), replaced whole so that a crash leaves the old
// file or the new one; OlixTrap.ini is not touched.

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

struct EngineIdentity {
    std::array<uint8_t, 32> engineId{};
    std::size_t engineIdLength = 0;
    int32_t boots = 0;

    std::span<const uint8_t> EngineId() const { return {engineId.data(), engineIdLength}; }
};

// The file under the program folder.
std::string EngineFilePath();

// The file, read and written under a lock of its own: the receiver thread boots the engine
// while an options dialog may look at it.
class EngineFile {
public:
    // Reads the file, adds one boot (snmpEngineBoots stops at 2147483647) and writes it
    // back. A missing or damaged file gives a new engine ID at boots 1, said once on
    // standard error. When the file cannot be written the engine runs on with what it has.
    EngineIdentity Boot();

    // The engine as the file holds it, making the file when there is none, without a boot.
    EngineIdentity Peek();

private:
    EngineIdentity LoadOrMake(int32_t bootsToAdd);  // with lock_ held

    std::mutex lock_;
    bool toldNewId_ = false;
};

// "0x" and two upper-case hexadecimal digits an octet.
std::string EngineIdText(std::span<const uint8_t> engineId);

// Reads the file's text: false when it is not two lines of an engine ID (5 to 32 octets,
// first bit set) and a number of boots (0 to 2147483647).
bool ParseEngineFile(std::string_view text, EngineIdentity& identity);

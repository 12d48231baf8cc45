#include "snmp/engine/EngineFile.h"

#include <sys/random.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include "crypto/KeyLocalization.h"
#include "platform/DurableReplace.h"
#include "settings/ProgramFolder.h"

namespace {

constexpr int32_t kMaxBoots = 2147483647;
constexpr std::size_t kMinEngineIdOctets = 5;  // RFC 3411: SnmpEngineID (SIZE(5..32))

// RFC 3411 3.1.1.1 with the first bit set: four octets of enterprise number, here 0 as none
// is assigned to this program, then format 5 (administratively assigned octets) and eight
// random octets.
constexpr std::array<uint8_t, 5> kEngineIdPrefix = {0x80, 0x00, 0x00, 0x00, 0x05};
constexpr std::size_t kRandomOctets = 8;

bool NewEngineId(EngineIdentity& identity) {
    std::copy(kEngineIdPrefix.begin(), kEngineIdPrefix.end(), identity.engineId.begin());
    uint8_t* random = identity.engineId.data() + kEngineIdPrefix.size();
    if (getrandom(random, kRandomOctets, 0) != ssize_t(kRandomOctets)) return false;
    identity.engineIdLength = kEngineIdPrefix.size() + kRandomOctets;
    identity.boots = 0;
    return true;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteEngineFile(const EngineIdentity& identity) {
    const std::string path = EngineFilePath();
    const std::string temporary = path + ".new";
    ::mkdir((GetProgramFolder() + "/db").c_str(), 0755);  // a first start may find none
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return false;
    const std::string text =
        EngineIdText(identity.EngineId()) + "\r\n" + std::to_string(identity.boots) + "\r\n";
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        std::fclose(file);
        std::remove(temporary.c_str());
        return false;
    }
    return DurableReplace(file, temporary, path) == 0;
}

}  // namespace

// The file's engine, or a new one written at once.
EngineIdentity EngineFile::LoadOrMake(int32_t bootsToAdd) {
    EngineIdentity identity;
    const bool kept = ParseEngineFile(ReadWhole(EngineFilePath()), identity);
    if (!kept) {
        if (!NewEngineId(identity)) return identity;
        if (!toldNewId_)
            std::fprintf(stderr, "olixtrap: %s is missing or damaged; new SNMP engine ID %s\n",
                         EngineFilePath().c_str(), EngineIdText(identity.EngineId()).c_str());
        toldNewId_ = true;
    }
    if (identity.boots < kMaxBoots) identity.boots += bootsToAdd;
    if ((bootsToAdd != 0 || !kept) && !WriteEngineFile(identity))
        std::fprintf(stderr, "olixtrap: %s could not be written\n", EngineFilePath().c_str());
    return identity;
}

std::string EngineFilePath() { return GetProgramFolder() + "/db/Engine.na"; }

EngineIdentity EngineFile::Boot() {
    std::lock_guard lock(lock_);
    return LoadOrMake(1);
}

EngineIdentity EngineFile::Peek() {
    std::lock_guard lock(lock_);
    return LoadOrMake(0);
}

std::string EngineIdText(std::span<const uint8_t> engineId) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (uint8_t octet : engineId) {
        text += kDigits[octet >> 4];
        text += kDigits[octet & 0x0F];
    }
    return text;
}

bool ParseEngineFile(std::string_view text, EngineIdentity& identity) {
    identity = EngineIdentity{};
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos) return false;
    std::string_view idLine = text.substr(0, firstEnd);
    std::string_view bootsLine = text.substr(firstEnd + 1);
    for (std::string_view* line : {&idLine, &bootsLine}) {
        if (line->ends_with('\n')) line->remove_suffix(1);
        if (line->ends_with('\r')) line->remove_suffix(1);
    }
    if (!idLine.starts_with("0x")) return false;
    const int length = EngineIdFromText(idLine.substr(2), identity.engineId);
    if (length < int(kMinEngineIdOctets) || (identity.engineId[0] & 0x80) == 0) return false;
    int32_t boots = -1;
    const auto [end, error] =
        std::from_chars(bootsLine.data(), bootsLine.data() + bootsLine.size(), boots);
    if (error != std::errc() || end != bootsLine.data() + bootsLine.size() || boots < 0)
        return false;
    identity.engineIdLength = std::size_t(length);
    identity.boots = boots;
    return true;
}

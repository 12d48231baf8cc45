#include "crypto/KeyLocalization.h"

#include <array>
#include <cstdint>
#include <string>

#include "crypto/UsmDigest.h"

namespace {

// Each character's hex digit value, -1 for the others: a look-up, where tests of the ranges
// would branch unpredictably on a mix of digits and letters.
constexpr std::array<int8_t, 256> kHexDigitValues = [] {
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[c] = c >= '0' && c <= '9'   ? int8_t(c - '0')
                    : c >= 'a' && c <= 'f' ? int8_t(c - 'a' + 10)
                    : c >= 'A' && c <= 'F' ? int8_t(c - 'A' + 10)
                                           : int8_t(-1);
    }
    return values;
}();

int HexDigitValue(char c) { return kHexDigitValues[uint8_t(c)]; }

}  // namespace

int EngineIdFromText(std::string_view text, std::span<uint8_t> octets) {
    if (text.size() % 2 != 0 || text.size() / 2 > octets.size()) return 0;
    int digits = 0;  // negative once any character is no digit
    for (char c : text) digits |= HexDigitValue(c);
    if (digits < 0) return 0;
    for (std::size_t i = 0; i < text.size() / 2; ++i) {
        octets[i] = uint8_t(HexDigitValue(text[2 * i]) << 4 | HexDigitValue(text[2 * i + 1]));
    }
    return int(text.size() / 2);
}

int LocalizeKey(int authProtocol, std::string_view password, std::string_view engineIdText,
                UsmKey& key) {
    std::array<uint8_t, kMaxEngineIdOctets> engineId;
    const int engineIdLength = EngineIdFromText(engineIdText, engineId);
    return LocalizeKey(authProtocol, password,
                       std::span(engineId.data(), std::size_t(engineIdLength)), key);
}

int LocalizeKey(int authProtocol, std::string_view password, std::span<const uint8_t> engineId,
                UsmKey& key) {
    if (!IsKnownAuthProtocol(authProtocol) || password.empty()) return 0;

    // A.2: one megabyte of the password repeated, fed 64 octets at a time. Each block starts
    // somewhere in the password, so it is a slice of the password written out once over
    // 64 + its length octets: no block is assembled octet by octet.
    constexpr int kBlocks = 16384;
    std::string repeated;
    while (repeated.size() < 64 + password.size()) repeated += password;
    const auto* octets = reinterpret_cast<const uint8_t*>(repeated.data());
    UsmDigest expansion(authProtocol);
    std::size_t start = 0;
    for (int n = 0; n < kBlocks; ++n) {
        expansion.Feed(std::span(octets + start, 64));
        start = (start + 64) % password.size();
    }
    UsmKey ku{};
    const std::size_t kuLength = expansion.Finish(ku);
    if (kuLength == 0) return 0;

    const std::span<const uint8_t> kuOctets(ku.data(), kuLength);
    UsmDigest localization(authProtocol);
    localization.Feed(kuOctets);
    localization.Feed(engineId);
    localization.Feed(kuOctets);
    key.fill(0);
    return int(localization.Finish(key));
}

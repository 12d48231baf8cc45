#include "rules/RuleLine.h"

#include <arpa/inet.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/FixedText.h"
#include "records/DBLib.h"

namespace {

constexpr int kFieldCount = 12;

// A text field as written: up to its terminator and never beyond its limit.
template <std::size_t N>
std::string_view TextOf(const std::array<char, N>& field) {
    return FixedTextView(field).substr(0, N - 1);
}

std::array<uint8_t, 4> ParseAddress(const char* text) {
    std::array<uint8_t, 4> octets{};
    if (text[0] != '\0') {
        const in_addr_t address = inet_addr(text);
        std::memcpy(octets.data(), &address, octets.size());
    }
    return octets;
}

void AppendAddress(std::string& line, const std::array<uint8_t, 4>& a) {
    char text[20];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d,", a[0], a[1], a[2], a[3]);
    line += text;
}

void AppendNumber(std::string& line, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d,", value);
    line += text;
}

void AppendText(std::string& line, std::string_view text) {
    line += text;
    line += ',';
}

}  // namespace

RuleRecord ParseRuleLine(std::string_view plain) {
    std::array<std::array<char, kRulePlainWidth + 1>, kFieldCount> fields;
    // Each buffer holds a whole line, so no field is cut; a missing one stays empty.
    for (int i = 0; i < kFieldCount; ++i) static_cast<void>(DBLib::GetField(i, plain, fields[i]));
    auto text = [&](int i) { return std::string_view(fields[i].data()); };

    RuleRecord rule{};
    rule.kind = std::atoi(fields[0].data());
    SetFixedText(rule.enterprise, text(1));
    rule.ipFrom = ParseAddress(fields[2].data());
    rule.ipTo = ParseAddress(fields[3].data());
    SetFixedText(rule.userName, text(4));
    rule.genericTrap = std::atoi(fields[5].data());
    rule.specificTrap = std::atoi(fields[6].data());
    SetFixedText(rule.popupMessage, text(7));
    SetFixedText(rule.programLine, text(8));
    SetFixedText(rule.mailMessage, text(9));
    SetFixedText(rule.waveFile, text(10));
    rule.beep = std::atoi(fields[11].data());
    return rule;
}

RuleLineResult BuildRuleLine(const RuleRecord& rule, std::string& stored) {
    const std::array<std::string_view, 6> texts = {
        TextOf(rule.enterprise),  TextOf(rule.userName),    TextOf(rule.popupMessage),
        TextOf(rule.programLine), TextOf(rule.mailMessage), TextOf(rule.waveFile)};
    for (std::string_view text : texts)
        if (text.find_first_of(kUnstorableFieldBytes) != std::string_view::npos)
            return RuleLineResult::BadText;

    std::string plain;
    AppendNumber(plain, rule.kind);
    AppendText(plain, texts[0]);
    AppendAddress(plain, rule.ipFrom);
    AppendAddress(plain, rule.ipTo);
    AppendText(plain, texts[1]);
    AppendNumber(plain, rule.genericTrap);
    AppendNumber(plain, rule.specificTrap);
    for (std::size_t i = 2; i < 6; ++i) AppendText(plain, texts[i]);
    AppendNumber(plain, rule.beep);
    if (plain.size() > kRuleStoredWidth) return RuleLineResult::TooLong;

    // The padding spaces need no escape, so the content fits when its stored form does.
    std::string buffer(2 * kRulePlainWidth, '\0');
    const std::size_t contentStored = DBLib::Convert(plain, buffer, kToStored);
    if (contentStored > kRuleStoredWidth) return RuleLineResult::TooLong;
    plain.resize(kRulePlainWidth, ' ');
    DBLib::Convert(plain, buffer, kToStored);
    stored.assign(buffer, 0, kRuleStoredWidth);
    return RuleLineResult::Ok;
}

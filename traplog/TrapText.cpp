#include "traplog/TrapText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <ctime>
#include <optional>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "snmp/BerTags.h"

namespace {

enum class Applies { Always, V1Only, V3Only, V2cOrV3 };

bool AppliesTo(Applies applies, int32_t version) {
    switch (applies) {
    case Applies::Always: return true;
    case Applies::V1Only: return version == kSnmpV1;
    case Applies::V3Only: return version == kSnmpV3;
    case Applies::V2cOrV3: return version == kSnmpV2c || version == kSnmpV3;
    }
    return false;
}

Applies ApplicabilityOf(TrapField field) {
    switch (field) {
    case TrapField::Enterprise:
    case TrapField::GenericTrap:
    case TrapField::SpecificTrap:
    case TrapField::AgentAddress:
    case TrapField::TimeStamp: return Applies::V1Only;
    case TrapField::MsgId:
    case TrapField::MsgMaxSize:
    case TrapField::MsgFlags:
    case TrapField::MsgSecurityModel:
    case TrapField::EngineBoots:
    case TrapField::EngineTime: return Applies::V3Only;
    case TrapField::RequestId:
    case TrapField::ErrorStatus:
    case TrapField::ErrorIndex: return Applies::V2cOrV3;
    default: return Applies::Always;
    }
}

// The digits of an integer as %d, %u and PRIu64 print them, without a format to parse: a
// row of an SNMPv3 trap shows dozens of numbers and octets.
template <typename Integer>
std::string Decimal(Integer value) {
    std::array<char, 24> digits;
    char* end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    return std::string(digits.data(), end);
}

// At least two digits, as %02d prints a value that is not negative.
void AppendTwoDigits(std::string& text, uint32_t value) {
    if (value < 10) text.push_back('0');
    text += Decimal(value);
}

std::string Dotted(const uint8_t* octets) {
    std::string text = Decimal(octets[0]);
    for (int i = 1; i < 4; ++i) {
        text.push_back('.');
        text += Decimal(octets[i]);
    }
    return text;
}

// Hundredths of a second as hours (unbounded), minutes and seconds.
std::string TimeText(uint32_t hundredths) {
    std::string text;
    AppendTwoDigits(text, hundredths / 360000);
    text.push_back(':');
    AppendTwoDigits(text, hundredths % 360000 / 6000);
    text.push_back(':');
    AppendTwoDigits(text, hundredths % 6000 / 100);
    return text;
}

// "0x" and "%02X " per octet, over the octets the record holds of the length received.
std::string HexText(int32_t length, const std::array<uint8_t, 128>& octets) {
    if (length <= 0) return {};
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(length), octets.size() - 1);
    std::string text = "0x";
    text.reserve(2 + 3 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text.push_back(kDigits[octets[i] >> 4]);
        text.push_back(kDigits[octets[i] & 0x0F]);
        text.push_back(' ');
    }
    return text;
}

std::string TextUpTo(const char* text, std::size_t room) {
    return std::string(text, strnlen(text, room));
}

std::string BindingValue(const VarBindEntry& entry) {
    switch (entry.tag) {
    case kTagBoolean:
    case kTagInteger: return Decimal(static_cast<int32_t>(entry.intValue));
    case kTagBitString: return TextUpTo(entry.bitsText(), VarBindEntry::kBitsTextRoom);
    case kTagOctetString: return TextUpTo(entry.hexText(), VarBindEntry::kHexTextRoom);
    case kTagOid: return TextUpTo(entry.oidText(), VarBindEntry::kOidTextRoom);
    case kTagObjectDescriptor:
        return TextUpTo(entry.descriptorText(), VarBindEntry::kDescriptorTextRoom);
    case kTagIpAddress: return Dotted(entry.ipAddress());
    case kTagCounter32:
    case kTagGauge32: return Decimal(entry.intValue);
    case kTagTimeTicks: return TimeText(entry.intValue);
    case kTagCounter64: return Decimal(entry.counter64());
    default: return {};
    }
}

std::string FieldText(const TrapRecord& r, TrapField field, int index) {
    switch (field) {
    case TrapField::SourceAddress: return Dotted(r.sourceAddress.data());
    case TrapField::HostName: return std::string(FixedTextView(r.hostName));
    case TrapField::Version:
        return Decimal(r.version == kSnmpV1 || r.version == kSnmpV2c ? r.version + 1 : r.version);
    case TrapField::Community: return std::string(FixedTextView(r.community));
    case TrapField::Enterprise: return std::string(FixedTextView(r.enterprise));
    case TrapField::GenericTrap: return Decimal(r.genericTrap);
    case TrapField::SpecificTrap: return Decimal(r.specificTrap);
    case TrapField::AgentAddress: return Dotted(r.agentAddress.data());
    case TrapField::TimeStamp: return TimeText(r.timeStamp);
    case TrapField::MsgId: return Decimal(r.msgId);
    case TrapField::MsgMaxSize: return Decimal(r.msgMaxSize);
    case TrapField::MsgFlags: return Decimal(r.msgFlags);
    case TrapField::MsgSecurityModel: return Decimal(r.msgSecurityModel);
    case TrapField::EngineId: return HexText(r.engineIdLength, r.engineId);
    case TrapField::EngineBoots: return TimeText(static_cast<uint32_t>(r.engineBoots));
    case TrapField::EngineTime: return TimeText(static_cast<uint32_t>(r.engineTime));
    case TrapField::UserName: return std::string(FixedTextView(r.userName));
    case TrapField::AuthParams: return HexText(r.authParamsLength, r.authParams);
    case TrapField::PrivParams: return HexText(r.privParamsLength, r.privParams);
    case TrapField::ContextEngineId: return HexText(r.contextEngineIdLength, r.contextEngineId);
    case TrapField::ContextName: return HexText(r.contextNameLength, r.contextName);
    case TrapField::RequestId: return Decimal(r.requestId);
    case TrapField::ErrorStatus: return Decimal(r.errorStatus);
    case TrapField::ErrorIndex: return Decimal(r.errorIndex);
    case TrapField::VarBindName:
    case TrapField::VarBindValue:
        if (index < 0 || index >= kMaxVarBinds) return {};
        return field == TrapField::VarBindName ? std::string(FixedTextView(r.varBinds[index].name))
                                               : BindingValue(r.varBinds[index]);
    }
    return {};
}

// The bindings from the cursor on. With 100 bindings this runs to tens of kilobytes, far
// beyond the output; it is built whole and only then tested against the room left.
std::string BindingsText(const TrapRecord& record, int& bindingCursor) {
    const int count = std::clamp(record.varBindCount, 0, kMaxVarBinds);
    std::string text = " { ";
    for (; bindingCursor < count; ++bindingCursor) {
        if (bindingCursor != 0) text += " / ";
        text += FormatTrapField(record, TrapField::VarBindName, bindingCursor);
        text += " = ";
        text += FormatTrapField(record, TrapField::VarBindValue, bindingCursor);
    }
    text += " } ";
    return text;
}

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Decimal(local.tm_year + 1900) + '/' + Decimal(local.tm_mon + 1) + '/' +
           Decimal(local.tm_mday) + ' ' + Decimal(local.tm_hour) + ':' + Decimal(local.tm_min) +
           ':' + Decimal(local.tm_sec);
}

// Placeholders in the order they are tried.
constexpr std::array<std::string_view, 16> kPlaceholders = {
    "H", "V", "C", "E", "A", "G", "S", "T", "B", "e", "b", "t", "u", "i", "n", "dt"};

std::string PlaceholderText(const TrapRecord& record, std::string_view name, int& bindingCursor) {
    switch (name[0]) {
    case 'H': return FormatTrapField(record, TrapField::HostName);
    case 'V': return FormatTrapField(record, TrapField::Version);
    case 'C': return FormatTrapField(record, TrapField::Community);
    case 'E': return FormatTrapField(record, TrapField::Enterprise);
    case 'A': return FormatTrapField(record, TrapField::SourceAddress);
    case 'G': return FormatTrapField(record, TrapField::GenericTrap);
    case 'S': return FormatTrapField(record, TrapField::SpecificTrap);
    case 'T': return FormatTrapField(record, TrapField::TimeStamp);
    case 'B': return BindingsText(record, bindingCursor);
    case 'e': return FormatTrapField(record, TrapField::EngineId);
    case 'b': return FormatTrapField(record, TrapField::EngineBoots);
    case 't': return FormatTrapField(record, TrapField::EngineTime);
    case 'u': return FormatTrapField(record, TrapField::UserName);
    case 'i': return FormatTrapField(record, TrapField::ContextEngineId);
    case 'n': return FormatTrapField(record, TrapField::ContextName);
    case 'd': return NowText();
    }
    return {};
}

struct Match {
    std::size_t length;  // of the name after the % or backslash
    std::string replacement;
};

std::optional<Match> MatchAt(const TrapRecord& record, char marker, std::string_view rest,
                             int& bindingCursor) {
    if (marker == '\\') {
        if (rest.starts_with('r')) return Match{1, "\r"};
        if (rest.starts_with('n')) return Match{1, "\n"};
        return std::nullopt;
    }
    for (std::string_view name : kPlaceholders) {
        if (rest.starts_with(name))
            return Match{name.size(), PlaceholderText(record, name, bindingCursor)};
    }
    return std::nullopt;
}

// Copies the character at pos and moves past it; false when it does not fit. A two-byte
// character goes whole, so that its second byte (which may be 0x5C, a backslash) is never
// taken for the start of an escape, and no half character ends the output.
bool CopyCharacter(std::string_view text, std::size_t& pos, std::string& output,
                   std::size_t limit) {
    const bool twoByte =
        IsCp932LeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size();
    const std::size_t width = twoByte ? 2 : 1;
    if (output.size() + width > limit) return false;
    output.append(text, pos, width);
    pos += width;
    return true;
}

}  // namespace

std::string FormatTrapField(const TrapRecord& record, TrapField field, int index) {
    if (!AppliesTo(ApplicabilityOf(field), record.version)) return {};
    return FieldText(record, field, index);
}

std::string ExpandTrapText(const TrapRecord& record, std::string_view text,
                           std::size_t outputSize) {
    text = text.substr(0, text.find('\0'));
    std::string output;
    if (outputSize == 0) return output;
    const std::size_t limit = outputSize - 1;
    int bindingCursor = 0;
    std::size_t pos = 0;
    while (pos < text.size() && output.size() < limit) {
        const char c = text[pos];
        if (c != '%' && c != '\\') {
            if (!CopyCharacter(text, pos, output, limit)) break;
            continue;
        }
        if (pos + 1 == text.size()) {
            output.push_back(c);
            break;
        }
        const auto match = MatchAt(record, c, text.substr(pos + 1), bindingCursor);
        if (!match) {
            output.push_back(c);
            ++pos;
            if (!CopyCharacter(text, pos, output, limit)) break;
            continue;
        }
        if (output.size() + match->replacement.size() >= outputSize) break;
        output += match->replacement;
        pos += 1 + match->length;
    }
    return output;
}

void ExpandTrapText(const TrapRecord& record, const char* text, char* output,
                    std::size_t outputSize) {
    if (outputSize == 0) return;
    const std::string expanded = ExpandTrapText(record, std::string_view(text), outputSize);
    std::memcpy(output, expanded.data(), expanded.size());
    output[expanded.size()] = '\0';
}

std::string ExpandTrapMessage(const TrapRecord& record, const AppSettings& settings) {
    switch (record.version) {
    case kSnmpV1: return ExpandTrapText(record, FixedTextView(settings.formatV1));
    case kSnmpV2c: return ExpandTrapText(record, FixedTextView(settings.formatV2c));
    case kSnmpV3: return ExpandTrapText(record, FixedTextView(settings.formatV3));
    default: return {};
    }
}

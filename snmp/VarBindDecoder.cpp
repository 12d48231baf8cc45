#include <algorithm>

#include "snmp/BerTags.h"
#include "snmp/TrapDecoder.h"

namespace {

constexpr std::size_t kMaxNameOctets = 127;  // name octets converted to text
constexpr std::size_t kBitsPerOctet = 8;

// One "0"/"1" per bit, most significant first; only whole octets that fit are written.
void WriteBitsText(std::span<const uint8_t> content, VarBindEntry& entry) {
    const std::size_t octets =
        std::min(content.size(), (VarBindEntry::kBitsTextRoom - 1) / kBitsPerOctet);
    char* text = entry.bitsText();
    for (std::size_t i = 0; i < octets; ++i)
        for (std::size_t bit = 0; bit < kBitsPerOctet; ++bit)
            *text++ = (content[i] & (0x80 >> bit)) ? '1' : '0';
}

// "%02X " for each octet; octets whose three characters no longer fit are left off.
void WriteHexText(std::span<const uint8_t> content, VarBindEntry& entry) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::size_t octets = std::min(content.size(), (VarBindEntry::kHexTextRoom - 1) / 3);
    char* text = entry.hexText();
    for (std::size_t i = 0; i < octets; ++i) {
        *text++ = kDigits[content[i] >> 4];
        *text++ = kDigits[content[i] & 0x0F];
        *text++ = ' ';
    }
}

template <typename Out>
void CopyCut(std::span<const uint8_t> content, Out* out, std::size_t room) {
    std::copy_n(content.begin(), std::min(content.size(), room), out);
}

void StoreValue(int32_t tag, std::span<const uint8_t> content, VarBindEntry& entry) {
    switch (tag) {
    case kTagBoolean:
    case kTagInteger:
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks: entry.intValue = ReadUnsigned32(content); break;
    case kTagBitString: WriteBitsText(content, entry); break;
    case kTagOctetString: WriteHexText(content, entry); break;
    case kTagOid: OidToText(content, {entry.oidText(), VarBindEntry::kOidTextRoom}); break;
    case kTagObjectDescriptor:
        CopyCut(content, entry.descriptorText(), VarBindEntry::kDescriptorTextRoom - 1);
        break;
    case kTagIpAddress: CopyCut(content, entry.ipAddress(), VarBindEntry::kIpAddressRoom); break;
    case kTagCounter64: entry.counter64() = ReadUnsigned64(content); break;
    default: break;  // NULL, Opaque and the SNMPv2 exceptions keep only name and tag
    }
}

}  // namespace

int DecodeVarBinds(BerReader& reader, TrapRecord& record) {
    const uint8_t* listAt = reader.Rest().data();
    BerHeader list;
    if (reader.ReadHeader(list) != 0) return kDecodeMalformed;
    if (list.tag != kTagSequence || list.content.size() != reader.BytesLeft())
        return reader.Refuse(DecodeReason::kMalformed, listAt);

    while (reader.BytesLeft() > 0) {
        const uint8_t* bindingAt = reader.Rest().data();
        BerHeader binding;
        if (reader.ReadHeader(binding) != 0) return kDecodeMalformed;
        if (binding.tag != kTagSequence) return reader.Refuse(DecodeReason::kMalformed, bindingAt);
        // The binding's own length is not checked against its parts; a last binding
        // header with nothing after it ends the list.
        if (reader.BytesLeft() == 0) return kDecodeOk;
        BerHeader name;
        BerHeader value;
        if (reader.ReadElement(kTagOid, name) != 0) return kDecodeMalformed;
        if (reader.ReadHeader(value) != 0) return kDecodeMalformed;
        reader.Skip(value);

        if (record.varBindCount >= kMaxVarBinds) continue;
        // Counted before it is written: the count covers every entry a decode touched, which
        // is what a reused record clears before the next one.
        VarBindEntry& entry = record.varBinds[static_cast<std::size_t>(record.varBindCount++)];
        OidToText(name.content.first(std::min(name.content.size(), kMaxNameOctets)), entry.name);
        StoreValue(value.tag, value.content, entry);
        entry.tag = value.tag;
    }
    return kDecodeOk;
}

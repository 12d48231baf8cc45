#include "snmp/BerReader.h"

#include <charconv>
#include <optional>

int BerReader::ReadHeader(BerHeader& header) {
    if (rest_.size() < 2) return Fail();
    const uint8_t lengthOctet = rest_[1];
    std::size_t headerSize = 2;
    std::size_t length = lengthOctet;
    if (lengthOctet >= 0x80) {
        const std::size_t count = lengthOctet & 0x7F;
        if (count == 0 || count > kMaxLengthOctets) return Fail();  // indefinite or too long
        if (rest_.size() - headerSize < count) return Fail();
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = (length << 8) | rest_[headerSize + i];
        headerSize += count;
    }
    if (length > kMaxContentLength || length > rest_.size() - headerSize) return Fail();
    header.tag = static_cast<int8_t>(rest_[0]);
    header.content = rest_.subspan(headerSize, length);
    rest_ = rest_.subspan(headerSize);
    return 0;
}

int BerReader::ReadElement(int32_t tag, BerHeader& header) {
    const std::span<uint8_t> start = rest_;
    BerHeader read;
    if (ReadHeader(read) != 0) return 1;
    if (read.tag != tag) {
        rest_ = start;
        return Fail();
    }
    Skip(read);
    header = read;
    return 0;
}

int BerReader::Refuse(DecodeReason reason, const uint8_t* at) const {
    if (stop_) *stop_ = {reason, at};
    return ResultOf(reason);
}

int BerReader::Fail() const { return Refuse(DecodeReason::kMalformed); }

void BerReader::Skip(const BerHeader& header) {
    // The content of a header just read starts at the position, so this stays in bounds.
    rest_ = rest_.subspan(header.content.size());
}

uint32_t ReadUnsigned32(std::span<const uint8_t> content) {
    uint32_t value = 0;
    for (const uint8_t octet : content) value = (value << 8) | octet;
    return value;
}

uint64_t ReadUnsigned64(std::span<const uint8_t> content) {
    uint64_t value = 0;
    for (const uint8_t octet : content) value = (value << 8) | octet;
    return value;
}

namespace {

// Reads one sub-identifier (X.690 8.19.2: seven bits an octet, top bit set on all but
// the last). Nothing when it is unfinished or exceeds 32 bits.
std::optional<uint32_t> ReadSubIdentifier(std::span<const uint8_t> content, std::size_t& pos) {
    uint64_t value = 0;
    while (pos < content.size()) {
        const uint8_t octet = content[pos++];
        value = (value << 7) | (octet & 0x7F);
        if (value > UINT32_MAX) return std::nullopt;
        if ((octet & 0x80) == 0) return static_cast<uint32_t>(value);
    }
    return std::nullopt;
}

// Appends one arc, with a dot before all but the first, when it fits whole before the
// terminator.
bool AppendArc(std::span<char> text, std::size_t& used, uint32_t arc) {
    char digits[10];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, arc);
    const std::size_t digitCount = static_cast<std::size_t>(end - digits);
    const std::size_t dot = used > 0 ? 1 : 0;
    if (used + dot + digitCount + 1 > text.size()) return false;
    if (dot) text[used++] = '.';
    for (std::size_t i = 0; i < digitCount; ++i) text[used++] = digits[i];
    text[used] = '\0';
    return true;
}

}  // namespace

void OidToText(std::span<const uint8_t> content, std::span<char> text) {
    if (text.empty()) return;
    text[0] = '\0';
    std::size_t used = 0;
    std::size_t pos = 0;
    bool first = true;
    while (pos < content.size()) {
        const std::optional<uint32_t> sub = ReadSubIdentifier(content, pos);
        if (!sub) return;
        if (first) {
            // X.690 8.19.4: the first sub-identifier packs the first two arcs as X*40+Y,
            // and only the arc 2 may have a second arc of 40 or more.
            first = false;
            const uint32_t top = *sub < 80 ? *sub / 40 : 2;
            if (!AppendArc(text, used, top) || !AppendArc(text, used, *sub - top * 40)) return;
        } else if (!AppendArc(text, used, *sub)) {
            return;
        }
    }
}

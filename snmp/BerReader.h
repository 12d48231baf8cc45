#pragma once
// A bounded cursor over BER-encoded octets (X.690 definite-length form). Every length is
// checked against the octets that remain before anything is read, so no element can
// reach past the end of the buffer it came from; every failure is the result 1.

#include <cstddef>
#include <cstdint>
#include <span>

#include "snmp/DecodeResult.h"

// One element header: the tag octet and the content it announces.
struct BerHeader {
    int32_t tag = 0;             // first octet, sign-extended from 8 bits
    std::span<uint8_t> content;  // the content octets, always inside the reader's buffer
};

class BerReader {
public:
    // The longest content accepted: the bytes-left count of a message is a signed 16-bit
    // number, so a longer length cannot belong to a message that fits the count.
    static constexpr std::size_t kMaxContentLength = 0x7FFF;
    // Long-form lengths of more than this many octets are refused.
    static constexpr std::size_t kMaxLengthOctets = 4;

    BerReader() = default;
    // With a stop, the reader notes there where and why reading failed.
    explicit BerReader(std::span<uint8_t> octets, DecodeStop* stop = nullptr)
        : rest_(octets), stop_(stop) {}

    // A reader over octets inside this one's, noting its failures in the same stop.
    BerReader Inner(std::span<uint8_t> octets) const { return BerReader(octets, stop_); }

    // Reads the tag and length octets at the position. Returns 0 and consumes the header
    // octets, or 1 (noted as malformed) with the position unchanged when fewer than two
    // octets remain, the length is indefinite (0x80) or longer than four octets, or the
    // content would run past the remaining octets (a negative 16-bit length included).
    [[nodiscard]] int ReadHeader(BerHeader& header);

    // Reads a header whose tag must be the given one and consumes its content too; 1 with
    // the position unchanged otherwise.
    [[nodiscard]] int ReadElement(int32_t tag, BerHeader& header);

    // Consumes the content of a header just read by ReadHeader.
    void Skip(const BerHeader& header) {
        // The content of a header just read starts at the position, so this stays in bounds.
        rest_ = rest_.subspan(header.content.size());
    }

    std::size_t BytesLeft() const { return rest_.size(); }
    std::span<uint8_t> Rest() const { return rest_; }

    // For the decoders' failure paths: notes that decoding stopped at `at` (by default the
    // position) for reason, and returns the reason's result.
    int Refuse(DecodeReason reason, const uint8_t* at) const;
    int Refuse(DecodeReason reason) const { return Refuse(reason, rest_.data()); }

private:
    // A header or element that cannot be read: malformed at the position.
    int Fail() const;

    std::span<uint8_t> rest_;
    DecodeStop* stop_ = nullptr;
};

// The reader's steps are defined here, so that a decoder walking a message keeps its
// position in registers rather than storing it back after every element.
inline int BerReader::ReadHeader(BerHeader& header) {
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

inline int BerReader::ReadElement(int32_t tag, BerHeader& header) {
    // A wrong tag fails before anything moves; ReadHeader writes the header only on success.
    if (rest_.empty() || static_cast<int8_t>(rest_[0]) != tag) return Fail();
    if (ReadHeader(header) != 0) return 1;
    Skip(header);
    return 0;
}

// Content octets as an unsigned big-endian number; with more octets than the width the
// last four (eight) remain, so a one-octet INTEGER 0xFF gives 255.
uint32_t ReadUnsigned32(std::span<const uint8_t> content);
uint64_t ReadUnsigned64(std::span<const uint8_t> content);

// Writes the dotted text of OBJECT IDENTIFIER content into text, NUL-terminated. Arcs
// that do not fit whole are left off, so the text is never a wrong number, only a
// shorter identifier. Sub-identifiers are unsigned 32-bit (RFC 2578 7.1.3). Up to two
// octets after the terminator may be zeroed too.
void OidToText(std::span<const uint8_t> content, std::span<char> text);

#include "snmp/BerReader.h"

#include <array>
#include <cstring>
#include <optional>
#include <string_view>

int BerReader::Refuse(DecodeReason reason, const uint8_t* at) const {
    if (stop_) *stop_ = {reason, at};
    return ResultOf(reason);
}

int BerReader::Fail() const { return Refuse(DecodeReason::kMalformed); }

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

// Decimal digits of value: at most ten for 32 bits. Arcs are mostly below 1000.
constexpr std::size_t DecimalLength(uint32_t value) {
    if (value < 10) return 1;
    if (value < 100) return 2;
    std::size_t length = 3;
    for (uint64_t power = 1000; value >= power; power *= 10) ++length;
    return length;
}

// Writes the digits of value into text so that they end just before end, two at a time.
inline void WriteDigitsBefore(std::span<char> text, std::size_t end, uint32_t value) {
    static constexpr std::string_view kPairs =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    while (value >= 100) {
        const uint32_t pair = value % 100;
        value /= 100;
        end -= 2;
        text[end] = kPairs[2 * pair];
        text[end + 1] = kPairs[2 * pair + 1];
    }
    if (value >= 10) {
        text[end - 2] = kPairs[2 * value];
        text[end - 1] = kPairs[2 * value + 1];
    } else {
        text[end - 1] = char('0' + value);
    }
}

// ".N" for the arcs of one octet, zero-padded to four characters, and its length.
struct SmallArcText {
    std::array<char, 4> text;
    uint8_t length;
};

constexpr std::array<SmallArcText, 0x80> MakeSmallArcTexts() {
    std::array<SmallArcText, 0x80> texts{};
    for (uint32_t arc = 0; arc < 0x80; ++arc) {
        SmallArcText& entry = texts[arc];
        entry.text[0] = '.';
        entry.length = uint8_t(1 + DecimalLength(arc));
        for (uint32_t value = arc, at = entry.length; at > 1; value /= 10)
            entry.text[--at] = char('0' + value % 10);
    }
    return texts;
}

constexpr std::array<SmallArcText, 0x80> kSmallArcTexts = MakeSmallArcTexts();

// Appends arcs, with a dot before all but the first, while each fits whole before the
// terminator; the text is terminated when the writer is done.
class ArcWriter {
public:
    explicit ArcWriter(std::span<char> text) : text_(text) {}
    ~ArcWriter() { text_[used_] = '\0'; }

    // Later arcs of one octet, most of them, from pos on: the four characters of each are
    // copied at once while they and the terminator fit, and what follows overwrites the
    // padding. Returns where the run stopped.
    std::size_t AppendSmallArcs(std::span<const uint8_t> content, std::size_t pos) {
        char* const text = text_.data();
        std::size_t used = used_;
        while (pos < content.size() && content[pos] < 0x80 && used + 5 <= text_.size()) {
            const SmallArcText& entry = kSmallArcTexts[content[pos++]];
            std::memcpy(text + used, entry.text.data(), 4);
            used += entry.length;
        }
        used_ = used;
        return pos;
    }

    // The first two arcs packed in one octet below 0x80 (X.690 8.19.4), most identifiers'
    // start: false, writing nothing, when the text has no room for the longest ("2.47").
    bool AppendFirstArcs(uint8_t packed) {
        if (text_.size() < 5) return false;
        const uint8_t top = packed < 40 ? 0 : packed < 80 ? 1 : 2;
        const SmallArcText& second = kSmallArcTexts[packed - 40 * top];
        text_[0] = char('0' + top);
        std::memcpy(text_.data() + 1, second.text.data(), 4);
        used_ = 1 + second.length;
        return true;
    }

    bool Append(uint32_t arc) {
        const std::size_t dot = used_ > 0 ? 1 : 0;
        const std::size_t digits = DecimalLength(arc);
        if (used_ + dot + digits >= text_.size()) return false;
        if (dot) text_[used_] = '.';
        used_ += dot + digits;
        WriteDigitsBefore(text_, used_, arc);
        return true;
    }

private:
    std::span<char> text_;
    std::size_t used_ = 0;
};

}  // namespace

void OidToText(std::span<const uint8_t> content, std::span<char> text) {
    if (text.empty()) return;
    ArcWriter writer(text);
    std::size_t pos = 0;
    bool first = true;
    if (!content.empty() && content[0] < 0x80 && writer.AppendFirstArcs(content[0])) {
        pos = 1;
        first = false;
    }
    while (pos < content.size()) {
        if (!first) {
            pos = writer.AppendSmallArcs(content, pos);
            if (pos == content.size()) return;
        }
        std::optional<uint32_t> sub = content[pos];
        if (content[pos] < 0x80) {
            ++pos;
        } else {
            sub = ReadSubIdentifier(content, pos);
            if (!sub) return;
        }
        if (first) {
            // X.690 8.19.4: the first sub-identifier packs the first two arcs as X*40+Y,
            // and only the arc 2 may have a second arc of 40 or more.
            first = false;
            const uint32_t top = *sub < 80 ? *sub / 40 : 2;
            if (!writer.Append(top) || !writer.Append(*sub - top * 40)) return;
        } else if (!writer.Append(*sub)) {
            return;
        }
    }
}

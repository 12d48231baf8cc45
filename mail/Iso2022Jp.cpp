#include "mail/Iso2022Jp.h"

#include <algorithm>
#include <cstdint>

namespace {

// Standard Shift_JIS to JIS X 0208 row/cell arithmetic, modulo 256 as on 8-bit bytes.
void SjisPairToJis(uint8_t s1, uint8_t s2, char& j1, char& j2) {
    if (s2 < 0x9F) {
        j1 = static_cast<char>(static_cast<uint8_t>(s1 < 0xA0 ? 2 * s1 - 0xE1 : 2 * s1 - 0x161));
        j2 = static_cast<char>(static_cast<uint8_t>(s2 <= 0x7E ? s2 - 0x1F : s2 - 0x20));
    } else {
        j1 = static_cast<char>(static_cast<uint8_t>(s1 < 0xA0 ? 2 * s1 - 0xE0 : 2 * s1 - 0x160));
        j2 = static_cast<char>(static_cast<uint8_t>(s2 - 0x7E));
    }
}

}  // namespace

SjisToJisConverter::SjisToJisConverter(std::string_view sjis)
    : input_(sjis.substr(0, sjis.find('\0'))) {}

std::string_view SjisToJisConverter::Next() {
    if (pos_ >= input_.size()) return {};
    std::size_t n = 0;
    const auto put = [&](std::string_view bytes) {
        std::copy(bytes.begin(), bytes.end(), bytes_.begin() + n);
        n += bytes.size();
    };
    const auto s1 = static_cast<uint8_t>(input_[pos_]);
    if (s1 < 0x80) {
        if (inJis_) put(kEscapeToAscii);
        inJis_ = false;
        bytes_[n++] = static_cast<char>(s1);
        ++pos_;
    } else {
        if (!inJis_) put(kEscapeToJisX0208);
        inJis_ = true;
        if (pos_ + 1 >= input_.size()) {
            // A lead byte without its second byte is passed on as it is.
            bytes_[n++] = static_cast<char>(s1);
            ++pos_;
        } else {
            SjisPairToJis(s1, static_cast<uint8_t>(input_[pos_ + 1]), bytes_[n], bytes_[n + 1]);
            n += 2;
            pos_ += 2;
        }
    }
    return {bytes_.data(), n};
}

std::size_t SjisToIso2022Jp(std::string_view sjis, std::span<char> out) {
    if (out.empty()) return 0;
    SjisToJisConverter converter(sjis);
    std::size_t length = 0;
    const std::size_t room = out.size() - 1;  // the terminator
    std::string_view closing;                 // returns what was written to ASCII
    for (std::string_view bytes = converter.Next(); !bytes.empty(); bytes = converter.Next()) {
        if (length + bytes.size() + converter.Closing().size() > room) break;
        std::copy(bytes.begin(), bytes.end(), out.begin() + length);
        length += bytes.size();
        closing = converter.Closing();
    }
    std::copy(closing.begin(), closing.end(), out.begin() + length);
    length += closing.size();
    out[length] = '\0';
    return length;
}

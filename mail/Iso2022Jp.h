#pragma once
// Shift_JIS (CP932) text to ISO-2022-JP (RFC 1468), the form in which mail text is sent.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

inline constexpr std::string_view kEscapeToJisX0208 = "\x1B$B";
inline constexpr std::string_view kEscapeToAscii = "\x1B(B";

// Converts one input character at a time, so that a caller filling a bounded buffer can stop
// between characters. The input ends at its first zero byte. A byte of 0x80 or more starts a
// two-byte character whatever follows it (half-width katakana included), as the standard
// Shift_JIS to JIS X 0208 arithmetic takes it.
class SjisToJisConverter {
public:
    explicit SjisToJisConverter(std::string_view sjis);

    // The output of the next input character, preceded by the escape sequence that switches
    // to its character set when needed; empty when the input is used up.
    std::string_view Next();

    // The escape sequence that returns to ASCII after what Next has given so far (empty when
    // the output is in ASCII already). Every complete output ends with it.
    std::string_view Closing() const { return inJis_ ? kEscapeToAscii : std::string_view(); }

private:
    std::string_view input_;
    std::size_t pos_ = 0;
    bool inJis_ = false;
    std::array<char, 5> bytes_{};  // escape sequence and one two-byte character
};

// Converts sjis into out, zero-terminated, and returns the length without the terminator.
// When the whole text does not fit, the output ends after the last whole character that
// fits together with the return to ASCII and the terminator: it is never cut inside a
// character or an escape sequence and always ends in ASCII. An empty out receives nothing.
std::size_t SjisToIso2022Jp(std::string_view sjis, std::span<char> out);

#include "mail/MailMessage.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>

#include "mail/Base64.h"
#include "mail/Iso2022Jp.h"
#include "platform/Encoding.h"

namespace {

constexpr std::string_view kEndOfData = "\r\n.\r\n";
constexpr std::string_view kEncodedSubjectStart = "Subject: =?ISO-2022-JP?B?";
constexpr std::string_view kFixedHeaders =
    "MIME-Version: 1.0\r\n"
    "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "X-Mailer: KV Trap Receiver\r\n"
    "\r\n";

constexpr std::size_t kDateLineRoom = 64;
// Every input byte gives at most four output bytes (an escape and an ASCII byte).
constexpr std::size_t kMaxJisSubject = 4 * kMaxMailSubject + kEscapeToAscii.size();
constexpr std::size_t kMaxHeaders = kDateLineRoom + (6 + kMaxMailAddress + 2) +
                                    (4 + kMaxMailAddress + 2) + kEncodedSubjectStart.size() +
                                    (kMaxJisSubject + 2) / 3 * 4 + 2 + 2 + kFixedHeaders.size();
static_assert(kMaxHeaders + kEndOfData.size() + 1 < kMailTextSize,
              "the longest headers leave room for the body");

// Appends whole pieces only; what does not fit is refused, never cut.
class TextBuilder {
public:
    explicit TextBuilder(std::span<char> out) : out_(out) {}
    std::size_t Length() const { return length_; }
    std::size_t Room() const { return out_.size() - 1 - length_; }
    bool Append(std::string_view piece) {
        if (piece.size() > Room()) return false;
        std::copy(piece.begin(), piece.end(), out_.begin() + length_);
        length_ += piece.size();
        return true;
    }
    std::size_t Finish() {
        out_[length_] = '\0';
        return length_;
    }

private:
    std::span<char> out_;
    std::size_t length_ = 0;
};

std::string_view Limit(std::string_view text, std::size_t maxBytes) {
    text = text.substr(0, text.find('\0'));
    return text.substr(0, Cp932PrefixLength(text, maxBytes));
}

std::string DateLine(const std::tm& t) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* day = t.tm_wday >= 0 && t.tm_wday < 7 ? kDays[t.tm_wday] : kDays[0];
    const char* month = t.tm_mon >= 0 && t.tm_mon < 12 ? kMonths[t.tm_mon] : kMonths[0];
    // The zone is the offset of the local time shown (RFC 5322 3.3), in whole minutes and
    // kept to its four digits.
    constexpr long kMaxZoneSeconds = (99 * 60 + 59) * 60;
    const long zone = std::clamp(t.tm_gmtoff, -kMaxZoneSeconds, kMaxZoneSeconds);
    const long zoneMinutes = (zone < 0 ? -zone : zone) / 60;
    char line[kDateLineRoom];
    const int n =
        std::snprintf(line, sizeof line, "Date: %s, %02d %s %d %02d:%02d:%02d %c%02ld%02ld\r\n",
                      day, t.tm_mday, month, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec,
                      zone < 0 ? '-' : '+', zoneMinutes / 60, zoneMinutes % 60);
    return std::string(line, n < 0 ? 0 : std::min<std::size_t>(n, sizeof line - 1));
}

std::string SubjectLine(std::string_view subject) {
    bool eightBit = false;
    for (char c : subject) eightBit |= static_cast<unsigned char>(c) >= 0x80;
    if (!eightBit) return "Subject: " + std::string(subject) + "\r\n";
    std::array<char, kMailTextSize> jis{};
    const std::size_t length = SjisToIso2022Jp(subject, jis);
    return std::string(kEncodedSubjectStart) + Base64Encode({jis.data(), length}) + "?=\r\n";
}

// Puts converted body bytes into SMTP data form: CR, LF and CR LF all become CR LF, and a
// dot that begins a line is doubled.
class DataLineFramer {
public:
    // Appends the framed form of bytes to framed.
    void Frame(std::string_view bytes, std::string& framed) {
        for (char c : bytes) {
            if (c == '\r') {
                framed += "\r\n";
                afterCr_ = lineStart_ = true;
            } else if (c == '\n') {
                if (!afterCr_) framed += "\r\n";
                afterCr_ = false;
                lineStart_ = true;
            } else {
                if (lineStart_ && c == '.') framed += '.';
                framed += c;
                afterCr_ = lineStart_ = false;
            }
        }
    }

private:
    bool afterCr_ = false;
    bool lineStart_ = true;
};

// Converts and frames the body character by character while the character, the return to
// ASCII and the end-of-data line still fit.
void AppendBody(std::string_view body, TextBuilder& text) {
    SjisToJisConverter converter(body);
    DataLineFramer framer;
    std::string_view closing;
    std::string framed;
    for (std::string_view bytes = converter.Next(); !bytes.empty(); bytes = converter.Next()) {
        DataLineFramer next = framer;
        framed.clear();
        next.Frame(bytes, framed);
        if (framed.size() + converter.Closing().size() + kEndOfData.size() > text.Room()) break;
        text.Append(framed);
        framer = next;
        closing = converter.Closing();
    }
    text.Append(closing);
}

}  // namespace

std::size_t ComposeNotificationMessage(const MailHeaderFields& fields, std::string_view body,
                                       const std::tm& localTime, MailText& out) {
    TextBuilder text(out);
    text.Append(DateLine(localTime));
    text.Append("From: ");
    text.Append(Limit(fields.from, kMaxMailAddress));
    text.Append("\r\nTo: ");
    text.Append(Limit(fields.to, kMaxMailAddress));
    text.Append("\r\n");
    text.Append(SubjectLine(Limit(fields.subject, kMaxMailSubject)));
    text.Append(kFixedHeaders);
    AppendBody(body, text);
    text.Append(kEndOfData);
    return text.Finish();
}

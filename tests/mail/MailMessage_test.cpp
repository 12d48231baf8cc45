#include <gtest/gtest.h>

#include <iconv.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "mail/MailMessage.h"
#include "platform/Encoding.h"

namespace {

std::tm Sunday() {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_wday = 0;
    t.tm_hour = 21;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_gmtoff = 9 * 3600;
    return t;
}

struct Composed {
    std::string message;
    std::string body;  // between the blank line after the headers and the end-of-data line
};

Composed Compose(std::string_view body, const std::string& subject = "Trap",
                 const std::tm& when = Sunday()) {
    const std::string from = "trap@example.org";
    const std::string to = "admin@example.org";
    MailText out;
    out.fill('#');
    const std::size_t length = ComposeNotificationMessage({from, to, subject}, body, when, out);
    EXPECT_LT(length, kMailTextSize);
    EXPECT_EQ(out[length], '\0');
    Composed c{std::string(out.data(), length), {}};
    const std::size_t start = c.message.find("\r\n\r\n");
    const std::size_t end = c.message.rfind("\r\n.\r\n");
    EXPECT_NE(start, std::string::npos);
    EXPECT_EQ(end + 5, c.message.size()) << "ends with the end-of-data line";
    if (start != std::string::npos && end != std::string::npos && end >= start + 4)
        c.body = c.message.substr(start + 4, end - start - 4);
    return c;
}

// Decodes ISO-2022-JP with glibc, or returns "<invalid>".
std::string JisToUtf8(const std::string& jis) {
    iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
    std::vector<char> buffer(jis.size() * 3 + 16);
    char* in = const_cast<char*>(jis.data());
    size_t inLeft = jis.size();
    char* out = buffer.data();
    size_t outLeft = buffer.size();
    const bool ok = iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(buffer.data(), out) : "<invalid>";
}

// Room left for the body by the headers these tests use.
std::size_t BodyRoom() { return kMailTextSize - 1 - Compose("").message.size(); }

}  // namespace

TEST(MailMessage, ComposesHeadersInOrderWithAnEncodedJapaneseSubject) {
    const Composed c = Compose(Utf8ToCp932("リンクダウン\r\nhost"), Utf8ToCp932("障害通知"));
    EXPECT_EQ(c.message,
              "Date: Sun, 06 Dec 2026 21:05:09 +0900\r\n"
              "From: trap@example.org\r\n"
              "To: admin@example.org\r\n"
              "Subject: =?ISO-2022-JP?B?GyRCPmMzMkRMQ04bKEI=?=\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=\"ISO-2022-JP\"\r\n"
              "Content-Transfer-Encoding: 7bit\r\n"
              "X-Mailer: KV Trap Receiver\r\n"
              "\r\n"
              "\x1B$B%j%s%/%@%&%s\x1B(B\r\nhost\r\n.\r\n");
}

TEST(MailMessage, EncodesTheSubjectOnlyWhenItHoldsAnEightBitByte) {
    EXPECT_NE(Compose("x", "Link down: core-1").message.find("\r\nSubject: Link down: core-1\r\n"),
              std::string::npos);
    EXPECT_NE(Compose("x", "").message.find("\r\nSubject: \r\nMIME-Version"), std::string::npos);
    EXPECT_NE(
        Compose("x", "\x82\xA0").message.find("\r\nSubject: =?ISO-2022-JP?B?GyRCJCIbKEI=?=\r\n"),
        std::string::npos);
    EXPECT_NE(Compose("x", Utf8ToCp932("監視 alert"))
                  .message.find("Subject: =?ISO-2022-JP?B?GyRCNEY7axsoQiBhbGVydA==?=\r\n"),
              std::string::npos);
}

TEST(MailMessage, WritesTheDateWithTwoDigitFieldsAndTheZoneOfTheLocalTime) {
    std::tm t{};
    t.tm_year = 2027 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 1;
    t.tm_wday = 1;
    t.tm_hour = 4;
    t.tm_min = 0;
    t.tm_sec = 7;
    EXPECT_EQ(
        Compose("x", "s", t).message.rfind("Date: Mon, 01 Mar 2027 04:00:07 +0000\r\nFrom: ", 0),
        0u);

    // The machine's zone, as the mail action takes its local time.
    const char* const savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    const struct {
        const char* zone;
        std::time_t when;
        const char* date;
    } kCases[] = {
        {"Asia/Tokyo", 1796558709, "Date: Sun, 06 Dec 2026 21:05:09 +0900\r\n"},
        {"America/St_Johns", 1796558709, "Date: Sun, 06 Dec 2026 08:35:09 -0330\r\n"},
        {"America/St_Johns", 1783339509, "Date: Mon, 06 Jul 2026 09:35:09 -0230\r\n"},
    };
    for (const auto& c : kCases) {
        setenv("TZ", c.zone, 1);
        tzset();
        std::tm local{};
        localtime_r(&c.when, &local);
        EXPECT_EQ(Compose("x", "s", local).message.substr(0, std::strlen(c.date)), c.date)
            << c.zone;
    }
    if (savedTz)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(MailMessage, BodyLinesCannotEndTheDataEarly) {
    // Line breaks of every kind become CR LF; a leading dot is doubled (RFC 5321 4.5.2).
    EXPECT_EQ(Compose("a\nb\rc\r\nd\n\ne").body, "a\r\nb\r\nc\r\nd\r\n\r\ne");
    EXPECT_EQ(Compose(".\r\nMAIL FROM:<x@y>\r\n.\nQUIT\r.x").body,
              "..\r\nMAIL FROM:<x@y>\r\n..\r\nQUIT\r\n..x");
    EXPECT_EQ(Compose("a.b\r\n .").body, "a.b\r\n .");
}

TEST(MailMessage, CutsALongAsciiBodyExactlyAtTheRoomLeft) {
    const std::size_t room = BodyRoom();
    ASSERT_GT(room, 300u);
    EXPECT_EQ(Compose(std::string(room, 'x')).body, std::string(room, 'x'));
    EXPECT_EQ(Compose(std::string(room + 1, 'x')).body, std::string(room, 'x'));
    // A line break that would need two bytes where one is left is dropped whole.
    EXPECT_EQ(Compose(std::string(room - 1, 'x') + "\nyz").body, std::string(room - 1, 'x'));
    EXPECT_EQ(Compose(std::string(room - 1, 'x') + ".").body, std::string(room - 1, 'x') + ".");
    EXPECT_EQ(Compose(std::string(room, 'x') + "\r\n").body, std::string(room, 'x'));
}

TEST(MailMessage, CutsALongJapaneseBodyBetweenCharactersAndReturnsToAscii) {
    const std::size_t room = BodyRoom();
    const std::string kanji = Utf8ToCp932("障");
    // Escape, n characters of two bytes, escape back: 6 + 2n bytes.
    const std::size_t fitting = (room - 6) / 2;
    std::string body;
    for (std::size_t i = 0; i < fitting; ++i) body += kanji;
    EXPECT_EQ(Compose(body).body.size(), 6 + 2 * fitting);
    const std::string longer = body + kanji;
    const Composed cut = Compose(longer);
    EXPECT_EQ(cut.body, Compose(body).body);
    EXPECT_EQ(cut.body.substr(cut.body.size() - 3), "\x1B(B");

    // The longest expansion, mixed scripts, at every cut position: each result is valid
    // ISO-2022-JP that decodes to a prefix of the original text.
    const std::string utf8 = "警告 ﾘﾝｸ link-down 障害!";
    const std::string pattern = Utf8ToCp932(utf8);
    std::string big;
    while (big.size() + pattern.size() <= 2047) big += pattern;
    for (std::size_t extra = 0; extra < 24; ++extra) {
        // Half-width katakana are not JIS X 0208: leave them out of the decoding check.
        std::string clean = Utf8ToCp932(std::string(extra, 'a') + "警告 link 障害! 通知です");
        while (clean.size() < 2047) clean += Utf8ToCp932("警告 link 障害! ");
        const Composed c = Compose(clean);
        const std::string decoded = JisToUtf8(c.body);
        ASSERT_NE(decoded, "<invalid>") << extra;
        EXPECT_EQ(Cp932ToUtf8(clean).rfind(decoded, 0), 0u) << extra;
        EXPECT_GT(decoded.size(), 300u);
    }
    // With half-width katakana taken as pairs the text is not JIS X 0208, but it still never
    // ends inside an escape sequence or outside ASCII.
    for (std::size_t extra = 0; extra < 6; ++extra) {
        const Composed c = Compose(std::string(extra, 'a') + big);
        EXPECT_LE(c.message.size(), kMailTextSize - 1);
        const std::size_t lastEscape = c.body.rfind('\x1B');
        ASSERT_NE(lastEscape, std::string::npos);
        EXPECT_EQ(c.body.substr(lastEscape, 3), "\x1B(B") << extra;
    }
}

TEST(MailMessage, CutsOverlongHeaderFieldsToTheirLimits) {
    MailText out;
    const std::string address(300, 'a');
    const std::string subject = Utf8ToCp932(std::string(20, 'x') + "障害通知障害通知障害通知");
    const std::size_t length = ComposeNotificationMessage({address, address, subject},
                                                          std::string(2047, 'b'), Sunday(), out);
    const std::string message(out.data(), length);
    EXPECT_NE(message.find("From: " + std::string(128, 'a') + "\r\n"), std::string::npos);
    EXPECT_NE(message.find("To: " + std::string(128, 'a') + "\r\n"), std::string::npos);
    // 20 letters and eight two-byte characters: 36 bytes, the ninth would pass the limit.
    EXPECT_NE(message.find("Subject: =?ISO-2022-JP?B?eHh4eHh4eHh4eHh4eHh4eHh4eHgbJEI+YzMyREx"
                           "DTj5jMzJETENOGyhC?=\r\n"),
              std::string::npos);
    EXPECT_EQ(message.substr(message.size() - 5), "\r\n.\r\n");
}

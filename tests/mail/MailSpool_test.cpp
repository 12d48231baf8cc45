#include "mail/MailSpool.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t kNow = 1'700'000'000;

SpooledMail Spooled(std::string message, std::int64_t queuedAt) {
    SpooledMail spooled;
    spooled.mail = {"mail.example.org",
                    "trap@example.org",
                    "admin@example.org",
                    true,
                    "pop.example.org",
                    "taro",
                    std::string("pa\0ss\xFF", 6),
                    std::move(message) + "\r\n.\r\n"};
    spooled.route.smtpPort = 2525;
    spooled.queuedAt = queuedAt;
    return spooled;
}

void ExpectSame(const SpooledMail& got, const SpooledMail& wanted) {
    EXPECT_EQ(got.mail.smtpServer, wanted.mail.smtpServer);
    EXPECT_EQ(got.mail.from, wanted.mail.from);
    EXPECT_EQ(got.mail.to, wanted.mail.to);
    EXPECT_EQ(got.mail.popLogin, wanted.mail.popLogin);
    EXPECT_EQ(got.mail.popServer, wanted.mail.popServer);
    EXPECT_EQ(got.mail.popUserId, wanted.mail.popUserId);
    EXPECT_EQ(got.mail.popPassword, wanted.mail.popPassword);
    EXPECT_EQ(got.mail.message, wanted.mail.message);
    EXPECT_EQ(got.route.smtpPort, wanted.route.smtpPort);
    EXPECT_EQ(got.route.popPort, wanted.route.popPort);
    EXPECT_EQ(got.queuedAt, wanted.queuedAt);
}

}  // namespace

// Any bytes come back as they went; a cut or damaged spool yields only the whole records
// before the damage, and says how much it could not read.
TEST(MailSpool, ReadsWholeRecordsOfAnyBytesAndNeverPartOfAMail) {
    const std::vector<SpooledMail> mails = {
        Spooled(std::string("Subject: \x1B$B\r\n\r\nbody\r\n.\r\nMAIL FROM:<x>\0\xFF", 40), kNow),
        Spooled(std::string(3000, '\n'), kNow - 10), Spooled("", kNow - 20)};
    const std::string bytes = EncodeMailSpool(mails);
    const MailSpoolReading whole = ParseMailSpool(bytes, kNow);
    ASSERT_EQ(whole.mails.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) ExpectSame(whole.mails[i], mails[i]);
    EXPECT_EQ(whole.damagedBytes, 0u);

    // Cut anywhere: the records wholly before the cut are read, the rest is counted.
    std::vector<std::size_t> ends;  // where each record ends, after the file's start
    for (std::size_t n = 0; n < mails.size(); ++n)
        ends.push_back(EncodeMailSpool({mails.begin(), mails.begin() + std::ptrdiff_t(n)}).size());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const MailSpoolReading cut =
            ParseMailSpool(std::string_view(bytes).substr(0, length), kNow);
        std::size_t whole = 0;
        while (whole + 1 < ends.size() && ends[whole + 1] <= length) ++whole;
        ASSERT_EQ(cut.mails.size(), whole) << length;
        for (std::size_t i = 0; i < whole; ++i) ExpectSame(cut.mails[i], mails[i]);
        EXPECT_EQ(cut.damagedBytes, length < ends[0] ? length : length - ends[whole]) << length;
    }

    // A flipped byte in the second record's message: only the first is read.
    const std::size_t secondMessage = bytes.find(std::string(3000, '\n'));
    for (const std::size_t at : {secondMessage + 1500, bytes.size() - 1}) {
        std::string damaged = bytes;
        damaged[at] ^= 0x20;
        const MailSpoolReading reading = ParseMailSpool(damaged, kNow);
        EXPECT_EQ(reading.mails.size(), at < bytes.size() - 1 ? 1u : 2u);
        EXPECT_GT(reading.damagedBytes, 0u);
    }

    // A whole record whose message lacks its end-of-data line would hold the server.
    SpooledMail unended = mails[0];
    unended.mail.message = "Subject: x\r\n\r\nhalf";
    EXPECT_TRUE(ParseMailSpool(EncodeMailSpool({unended}), kNow).mails.empty());

    // A length no mail has, a foreign file, an empty one: nothing read, nothing allocated.
    std::string huge = bytes.substr(0, 8) + std::string("\xFF\xFF\xFF\x7F", 4) + "x";
    EXPECT_TRUE(ParseMailSpool(huge, kNow).mails.empty());
    const std::string foreign = "[INIT]\r\nTRECV=0\r\n";
    EXPECT_EQ(ParseMailSpool(foreign, kNow).damagedBytes, foreign.size());
    EXPECT_TRUE(ParseMailSpool("", kNow).mails.empty());
}

TEST(MailSpool, DropsMailsOlderThanADayThenAllButTheNewestThousand) {
    std::vector<SpooledMail> mails;
    mails.push_back(Spooled("two days", kNow - 48 * 3600));
    mails.push_back(Spooled("a day and a second", kNow - 24 * 3600 - 1));
    for (std::size_t i = 0; i < kSpoolMaxMails + 3; ++i)
        mails.push_back(Spooled(std::to_string(i), kNow - 24 * 3600 + std::int64_t(i)));
    const MailSpoolReading reading = ParseMailSpool(EncodeMailSpool(mails), kNow);
    EXPECT_EQ(reading.droppedForAge, 2u);
    EXPECT_EQ(reading.droppedForCount, 3u);
    ASSERT_EQ(reading.mails.size(), kSpoolMaxMails);
    EXPECT_EQ(reading.mails.front().mail.message, "3\r\n.\r\n");
    EXPECT_EQ(reading.mails.back().mail.message, std::to_string(kSpoolMaxMails + 2) + "\r\n.\r\n");
}

#pragma once
// The spool of notification mails the program could not send before it ended
// (db/MailSpool.dat), queued again at the next start. Each mail is one record of
// length-prefixed fields with a checksum, so any bytes of a subject, body or address come
// back as they went, and a damaged or cut-off file yields the records before the damage,
// never part of a mail.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mail/Mail.h"

// Mails older than this (since their trap was processed) are not sent at the next start.
inline constexpr std::chrono::hours kSpoolMaxAge{24};
// At most this many spooled mails are queued again: the newest.
inline constexpr std::size_t kSpoolMaxMails = 1000;

struct SpooledMail {
    PreparedMail mail;
    MailRoute route;          // the ports; the dialogue's bounds are the defaults again
    std::int64_t queuedAt{};  // seconds since the epoch
};

// What a spool held, within the bounds, oldest first.
struct MailSpoolReading {
    std::vector<SpooledMail> mails;
    std::size_t droppedForAge = 0;
    std::size_t droppedForCount = 0;
    // The bytes from the first record that is not whole to the end: not read.
    std::size_t damagedBytes = 0;
};

// The spool's file under the program folder.
std::string MailSpoolPath();

std::string EncodeMailSpool(const std::vector<SpooledMail>& mails);

// The whole records of bytes, oldest first, without those queued more than kSpoolMaxAge
// before now and, of the rest, all but the newest kSpoolMaxMails.
MailSpoolReading ParseMailSpool(std::string_view bytes, std::int64_t now);

// Writes mails as the whole content of the file at path (owner-only), through a temporary
// file beside it made durable and renamed, so a crash leaves the old spool or the new one.
// Returns 0, or 1 when it could not be written (the old file is then unchanged).
[[nodiscard]] int WriteMailSpool(const std::string& path, const std::vector<SpooledMail>& mails);

// Reads the whole file at path into bytes: 0, 1 when there is none, 2 when it is there but
// cannot be read.
[[nodiscard]] int ReadMailSpoolFile(const std::string& path, std::string& bytes);

// What the spool held at the start and what became of it.
struct MailSpoolStart {
    bool found = false;       // there was a spool
    bool unreadable = false;  // it was there but could not be read; it is left as it is
    std::size_t queued = 0;   // queued again
    std::size_t droppedForAge = 0;
    std::size_t droppedForCount = 0;
    std::size_t damagedBytes = 0;
    std::string path;
};

// What became of the mails unsent at the end.
struct MailSpoolEnd {
    std::size_t unsent = 0;  // the mails still waiting, and the one in hand if unfinished
    bool kept = false;       // written to the spool
    std::string path;
};

// One line for standard error each, without "olixtrap: " and the line end.
std::string MailSpoolStartText(const MailSpoolStart& start);
std::string MailSpoolEndText(const MailSpoolEnd& end);

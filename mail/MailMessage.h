#pragma once
// The text sent in the DATA phase of a notification mail: headers, the ISO-2022-JP body
// and the end-of-data line, composed in one fixed text.

#include <array>
#include <cstddef>
#include <ctime>
#include <string_view>

inline constexpr std::size_t kMailTextSize = 1024;  // the whole DATA text and its terminator
using MailText = std::array<char, kMailTextSize>;

inline constexpr std::size_t kMaxMailAddress = 128;  // mailFrom, mailTo
inline constexpr std::size_t kMaxMailSubject = 36;

struct MailHeaderFields {
    std::string_view from;  // CP932; longer values are cut to kMaxMailAddress
    std::string_view to;
    std::string_view subject;  // CP932; longer values are cut to kMaxMailSubject
};

// Writes the message into out, zero-terminated, and returns its length. body is CP932 text
// up to its first zero byte. The date is localTime with its own zone offset. A body
// that does not fit is cut after the last whole character that does (the ISO-2022-JP text
// stays valid); line breaks are sent as CR LF and a line that begins with '.' is sent
// with the dot doubled (RFC 5321 4.5.2), so the body can never end the data early.
std::size_t ComposeNotificationMessage(const MailHeaderFields& fields, std::string_view body,
                                       const std::tm& localTime, MailText& out);

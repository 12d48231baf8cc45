#pragma once
// Mail notification: the mail action of a filter rule, sent with the mail settings as one
// ISO-2022-JP mail over SMTP, after a POP3 login when the settings ask for one.

#include <cstdint>
#include <string_view>

#include "notify/MailDialogue.h"

struct AppSettings;
struct TrapRecord;

inline constexpr uint16_t kPop3Port = 110;
inline constexpr uint16_t kSmtpPort = 25;

struct MailRoute {
    uint16_t popPort = kPop3Port;
    uint16_t smtpPort = kSmtpPort;
    MailTimeouts timeouts;
};

// Sends text (the expanded mail message, CP932) to the configured recipient and returns
// when the dialogues have ended. Nothing is sent without a sender and a recipient; nothing
// is reported, every failure is silent. record is not read.
void SendNotificationMail(const TrapRecord& record, std::string_view text);

// The same with the given settings, ports and bounds.
void SendNotificationMailWith(const AppSettings& settings, std::string_view text,
                              const MailRoute& route);

#pragma once
// Mail notification: the mail action of a filter rule, sent with the mail settings as one
// ISO-2022-JP mail over SMTP, after a POP3 login when the settings ask for one.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "mail/MailDialogue.h"

struct AppSettings;
class LookupPool;
class MailQueue;

inline constexpr uint16_t kPop3Port = 110;
inline constexpr uint16_t kSmtpPort = 25;

struct MailRoute {
    uint16_t popPort = kPop3Port;
    uint16_t smtpPort = kSmtpPort;
    MailTimeouts timeouts;
};

// One notification mail with everything it sends fixed when its trap was processed: the
// servers, addresses and login of the settings then, and the composed message.
struct PreparedMail {
    std::string smtpServer;
    std::string from;
    std::string to;
    bool popLogin = false;
    std::string popServer;
    std::string popUserId;
    std::string popPassword;
    std::string message;  // the whole DATA text
};

// Queues text (the expanded mail message, CP932) for the recipient of settings (those its
// trap was processed with) at the time of now, and returns at once: the mail is sent by
// the thread of queue. Nothing is sent without a sender and a recipient; nothing is
// reported, every failure is silent; a mail the queue cannot take is counted in its losses.
void SendNotificationMail(MailQueue& queue, const AppSettings& settings, std::string_view text);

// The mail of text with settings, dated localTime; nothing without a sender or a recipient.
std::optional<PreparedMail> PrepareNotificationMail(const AppSettings& settings,
                                                    std::string_view text,
                                                    const std::tm& localTime);

// The POP3 login when the mail asks for one, then the SMTP dialogue; returns when they have
// ended. Without a completed login no mail is sent. The servers' names are looked up
// through lookups.
void DeliverNotificationMail(const PreparedMail& mail, const MailRoute& route, LookupPool& lookups);

// Prepares and delivers text with the given settings, ports and bounds on the calling
// thread, returning when the dialogues have ended.
void SendNotificationMailWith(const AppSettings& settings, std::string_view text,
                              const MailRoute& route, LookupPool& lookups);

#pragma once
// The POP3 login (POP before SMTP) and the SMTP delivery of a notification mail: reply
// judging and the two command sequences.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "mail/MailTransport.h"

class LookupPool;

// Bounds of one dialogue. The mail thread waits for the whole of it.
struct MailTimeouts {
    std::chrono::milliseconds connect{10'000};   // name lookup and TCP connect together
    std::chrono::milliseconds reply{15'000};     // each reply, and each command or message sent
    std::chrono::milliseconds dialogue{30'000};  // one connection from lookup to close
};

struct MailServer {
    std::string_view host;  // a name or a dotted address
    uint16_t port;
};

// The line of a received chunk that is judged as the reply: the first line ended by a
// carriage return whose fourth character is not '-' (continuation lines of a multi-line
// SMTP reply are skipped). Nothing when the chunk has no such line: it is discarded and
// the next chunk awaited.
std::optional<std::string_view> FindReplyLine(std::string_view chunk);

// USER, PASS and QUIT, each answered by "+OK ". Returns 0 when the login ended in done,
// 1 otherwise (connection, refusal, silence or a closed connection). The server's name is
// looked up through lookups.
[[nodiscard]] int RunPop3Login(LookupPool& lookups, MailServer server, std::string_view userId,
                               std::string_view password, const MailTimeouts& timeouts);

// HELO, RSET, MAIL FROM, RCPT TO, DATA and the message (ending in the end-of-data line),
// then QUIT. Returns 0 when the dialogue ran to its end (the reply to the message itself is
// not judged), 1 when it was given up. The server's name is looked up through lookups.
[[nodiscard]] int RunSmtpDelivery(LookupPool& lookups, MailServer server, std::string_view from,
                                  std::string_view to, std::string_view message,
                                  const MailTimeouts& timeouts);

// The same dialogues over a peer that is already connected, from its greeting on; end
// bounds the whole of it.
[[nodiscard]] int ConversePop3Login(MailTransport& peer, std::string_view userId,
                                    std::string_view password, const MailTimeouts& timeouts,
                                    MailClock::time_point end);
[[nodiscard]] int ConverseSmtpDelivery(MailTransport& peer, std::string_view from,
                                       std::string_view to, std::string_view message,
                                       const MailTimeouts& timeouts, MailClock::time_point end);

#pragma once
// The TCP connection of one mail dialogue (POP3 or SMTP). The mail thread waits for it, so
// every step ends by a deadline: an unanswering resolver or server cannot hold it.

#include <cstdint>
#include <string_view>

#include "mail/MailTransport.h"
#include "platform/BoundedLookup.h"

class MailConnection final : public MailTransport {
public:
    // Names are looked up through lookups.
    explicit MailConnection(LookupPool& lookups) : lookups_(lookups) {}
    ~MailConnection() { Close(); }
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // Resolves host (a name or a dotted address) to its first IPv4 address and connects to
    // port. Returns 0 when connected, 1 when the name is not resolved, the connection is
    // refused or the deadline passes first.
    [[nodiscard]] int Open(std::string_view host, uint16_t port, MailClock::time_point deadline);

    [[nodiscard]] int SendAll(std::string_view text, MailClock::time_point deadline) override;
    std::size_t Receive(std::span<char> buffer, MailClock::time_point deadline) override;

    void Close();

private:
    LookupPool& lookups_;
    int fd_ = -1;
};

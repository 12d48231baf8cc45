#pragma once
// The TCP connection of one mail dialogue (POP3 or SMTP). The receiver thread waits for it,
// so every step ends by a deadline: an unanswering resolver or server cannot hold it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

using MailClock = std::chrono::steady_clock;

class MailConnection {
public:
    MailConnection() = default;
    ~MailConnection() { Close(); }
    MailConnection(const MailConnection&) = delete;
    MailConnection& operator=(const MailConnection&) = delete;

    // Resolves host (a name or a dotted address) to its first IPv4 address and connects to
    // port. Returns 0 when connected, 1 when the name is not resolved, the connection is
    // refused or the deadline passes first.
    int Open(std::string_view host, uint16_t port, MailClock::time_point deadline);

    // Sends all of text. Returns 0 when all of it has gone, 1 on failure or at the deadline.
    int SendAll(std::string_view text, MailClock::time_point deadline);

    // Receives one chunk of at most buffer.size() bytes and returns its length; 0 when the
    // peer has closed the connection, on failure, or when nothing came by the deadline.
    std::size_t Receive(std::span<char> buffer, MailClock::time_point deadline);

    void Close();

private:
    int fd_ = -1;
};

#pragma once
// What a mail dialogue talks through: the TCP connection, or in tests and fuzzing a
// scripted peer. Every call ends by its deadline.

#include <chrono>
#include <cstddef>
#include <span>
#include <string_view>

using MailClock = std::chrono::steady_clock;

class MailTransport {
public:
    virtual ~MailTransport() = default;

    // Sends all of text. Returns 0 when all of it has gone, 1 on failure or at the deadline.
    [[nodiscard]] virtual int SendAll(std::string_view text, MailClock::time_point deadline) = 0;

    // Receives one chunk of at most buffer.size() bytes and returns its length; 0 when the
    // peer has closed the connection, on failure, or when nothing came by the deadline.
    virtual std::size_t Receive(std::span<char> buffer, MailClock::time_point deadline) = 0;
};

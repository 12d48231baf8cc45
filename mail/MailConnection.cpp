#include "mail/MailConnection.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

int RemainingMs(MailClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - MailClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

// Resolves host to its first IPv4 address within the deadline.
bool Resolve(LookupPool& lookups, std::string_view host, sockaddr_in& address,
             MailClock::time_point deadline) {
    const std::chrono::milliseconds left(RemainingMs(deadline));
    const std::vector<Ipv4Address> found = lookups.AddressesOfWithin(host, left);
    if (found.empty()) return false;
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr, found.front().data(), found.front().size());
    return true;
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, MailClock::time_point deadline) {
    while (true) {
        pollfd p{fd, events, 0};
        const int ms = RemainingMs(deadline);
        const int rc = poll(&p, 1, ms);
        if (rc > 0) return true;
        if (rc == 0 && ms == 0) return false;
        if (rc < 0 && errno != EINTR) return false;
        if (MailClock::now() >= deadline) return false;
    }
}

}  // namespace

int MailConnection::Open(std::string_view host, uint16_t port, MailClock::time_point deadline) {
    Close();
    sockaddr_in address{};
    if (!Resolve(lookups_, host, address, deadline)) return 1;
    address.sin_port = htons(port);
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return 1;
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return 0;
    int error = errno;
    if (error == EINPROGRESS && WaitFor(fd_, POLLOUT, deadline)) {
        socklen_t length = sizeof error;
        if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) return 0;
    }
    Close();
    return 1;
}

int MailConnection::SendAll(std::string_view text, MailClock::time_point deadline) {
    while (fd_ >= 0 && !text.empty()) {
        // MSG_NOSIGNAL: a server that has gone away must not end the process with SIGPIPE.
        const ssize_t sent = send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            text.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return 1;
        } else if (!WaitFor(fd_, POLLOUT, deadline)) {
            return 1;
        }
    }
    return text.empty() ? 0 : 1;
}

std::size_t MailConnection::Receive(std::span<char> buffer, MailClock::time_point deadline) {
    while (fd_ >= 0 && !buffer.empty() && WaitFor(fd_, POLLIN, deadline)) {
        const ssize_t received = recv(fd_, buffer.data(), buffer.size(), 0);
        if (received > 0) return static_cast<std::size_t>(received);
        if (received == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) break;
    }
    return 0;
}

void MailConnection::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

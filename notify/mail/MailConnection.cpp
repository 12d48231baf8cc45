#include "notify/mail/MailConnection.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Name lookups that passed their deadline and could not be cancelled keep running inside
// the resolver; they are freed once finished. While this many are still unfinished no
// further lookup is started, so a dead resolver cannot pile them up.
constexpr std::size_t kMaxAbandonedLookups = 4;

struct Lookup {
    std::string host;
    addrinfo hints{};
    gaicb request{};
};

std::mutex abandonedMutex;
std::vector<Lookup*> abandonedLookups;

void FreeLookup(Lookup* lookup) {
    if (lookup->request.ar_result) freeaddrinfo(lookup->request.ar_result);
    delete lookup;
}

// Frees abandoned lookups that have finished; returns whether room is left for another.
bool ReapAbandonedLookups() {
    std::lock_guard lock(abandonedMutex);
    std::erase_if(abandonedLookups, [](Lookup* lookup) {
        if (gai_error(&lookup->request) == EAI_INPROGRESS) return false;
        FreeLookup(lookup);
        return true;
    });
    return abandonedLookups.size() < kMaxAbandonedLookups;
}

int RemainingMs(MailClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - MailClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

// Resolves host to its first IPv4 address within the deadline.
bool Resolve(std::string_view host, sockaddr_in& address, MailClock::time_point deadline) {
    if (!ReapAbandonedLookups()) return false;
    auto* lookup = new Lookup{std::string(host), {}, {}};
    lookup->hints.ai_family = AF_INET;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete lookup;
        return false;
    }
    // Bounded by the deadline; a signal only shortens one round.
    while (gai_error(&lookup->request) == EAI_INPROGRESS && MailClock::now() < deadline) {
        const int ms = RemainingMs(deadline);
        const timespec wait{ms / 1000, (ms % 1000) * 1'000'000L};
        const gaicb* const waitList[] = {&lookup->request};
        gai_suspend(waitList, 1, &wait);
    }
    if (gai_error(&lookup->request) == EAI_INPROGRESS &&
        gai_cancel(&lookup->request) == EAI_NOTCANCELED) {
        std::lock_guard lock(abandonedMutex);
        abandonedLookups.push_back(lookup);
        return false;
    }
    const addrinfo* found = gai_error(&lookup->request) == 0 ? lookup->request.ar_result : nullptr;
    const bool ok = found && found->ai_addrlen >= sizeof address;
    if (ok) std::memcpy(&address, found->ai_addr, sizeof address);
    FreeLookup(lookup);
    return ok;
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
    if (!Resolve(host, address, deadline)) return 1;
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

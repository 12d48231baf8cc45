#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "forward/ForwardTransport.h"

namespace {

// A connect that hangs (a host that drops packets) is given up after this long, so the
// sender thread sees a stop request in time.
constexpr int kConnectTimeoutMs = 1500;
// The same for a send that finds the peer's window closed.
constexpr int kSendTimeoutMs = 1500;

class Socket {
public:
    ~Socket() { Close(); }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    int Fd() const { return fd_; }
    bool Open() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Resolves and connects a socket of type; 0 or a ForwardError, with errno in error.
int Connect(const std::string& host, uint16_t port, int type, Socket& socket, int& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = type;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
        found == nullptr) {
        error = 0;
        return kForwardResolveFailed;
    }
    int result = kForwardConnectFailed;
    for (addrinfo* a = found; a != nullptr && result != kForwardOk; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        socket.Reset(fd);
        int status = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (status != 0 && errno == EINPROGRESS) {
            pollfd wait{fd, POLLOUT, 0};
            socklen_t size = sizeof status;
            if (::poll(&wait, 1, kConnectTimeoutMs) == 1 &&
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &size) == 0)
                errno = status;
            else
                status = errno = ETIMEDOUT;
        }
        if (status == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            timeval limit{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
            ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            result = kForwardOk;
        } else {
            error = errno;
            socket.Close();
        }
    }
    freeaddrinfo(found);
    return result;
}

// One datagram per payload. The socket is connected, so a port that refuses (an ICMP
// answer to an earlier datagram) shows as an error of the next send. UDP has no delivery
// to wait for: a datagram that cannot be sent is counted as lost and the next one goes on,
// so a peer that is down never holds the queue.
class UdpTransport : public ForwardTransport {
public:
    UdpTransport(std::string host, uint16_t port) : host_(std::move(host)), port_(port) {}

    DeliveryOutcome Deliver(std::span<const ForwardPayload> payloads) override {
        DeliveryOutcome outcome;
        for (const ForwardPayload& payload : payloads) {
            if (!socket_.Open()) {
                outcome.error = Connect(host_, port_, SOCK_DGRAM, socket_, errno_);
                if (outcome.error != kForwardOk) return outcome;
            }
            if (::send(socket_.Fd(), payload.bytes.data(), payload.bytes.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(payload.bytes.size())) {
                errno_ = errno;
                outcome.error = kForwardSendFailed;
                ++outcome.lost;
                // A refusal is reported once and leaves the socket usable; other failures
                // get a new socket for the next datagram.
                if (errno_ != ECONNREFUSED) socket_.Close();
            }
            ++outcome.handled;
        }
        return outcome;
    }
    int LastErrno() const override { return errno_; }

private:
    std::string host_;
    uint16_t port_;
    Socket socket_;
    int errno_ = 0;
};

// RFC 6587 3.4.1 octet counting: "LENGTH SP MESSAGE". The peer never writes, so a readable
// socket means it closed: that is checked before each frame, so a frame is not written
// into a connection the peer has left (it would be lost without an error).
class TcpTransport : public ForwardTransport {
public:
    TcpTransport(std::string host, uint16_t port) : host_(std::move(host)), port_(port) {}

    DeliveryOutcome Deliver(std::span<const ForwardPayload> payloads) override {
        DeliveryOutcome outcome;
        if (socket_.Open() && PeerClosed()) socket_.Close();
        if (!socket_.Open()) {
            outcome.error = Connect(host_, port_, SOCK_STREAM, socket_, errno_);
            if (outcome.error != kForwardOk) return outcome;
        }
        frames_.clear();
        frameEnds_.clear();
        for (const ForwardPayload& payload : payloads) {
            frames_ += std::to_string(payload.bytes.size());
            frames_ += ' ';
            frames_ += payload.bytes;
            frameEnds_.push_back(frames_.size());
        }
        std::size_t sent = 0;
        while (sent < frames_.size()) {
            const ssize_t n =
                ::send(socket_.Fd(), frames_.data() + sent, frames_.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                errno_ = n < 0 ? errno : EPIPE;
                // Whole frames count as delivered; a frame cut short goes with the connection.
                while (outcome.handled < frameEnds_.size() && frameEnds_[outcome.handled] <= sent)
                    ++outcome.handled;
                socket_.Close();
                outcome.error = kForwardSendFailed;
                return outcome;
            }
            sent += static_cast<std::size_t>(n);
        }
        outcome.handled = payloads.size();
        return outcome;
    }
    int LastErrno() const override { return errno_; }

private:
    bool PeerClosed() const {
        pollfd check{socket_.Fd(), POLLIN | POLLRDHUP, 0};
        return ::poll(&check, 1, 0) != 0;
    }

    std::string host_;
    uint16_t port_;
    Socket socket_;
    std::string frames_;
    std::vector<std::size_t> frameEnds_;
    int errno_ = 0;
};

}  // namespace

std::unique_ptr<ForwardTransport> MakeUdpTransport(const std::string& host, uint16_t port) {
    return std::make_unique<UdpTransport>(host, port);
}

std::unique_ptr<ForwardTransport> MakeTcpTransport(const std::string& host, uint16_t port) {
    return std::make_unique<TcpTransport>(host, port);
}

std::unique_ptr<ForwardTransport> MakeForwardTransport(const ForwardDestination& destination,
                                                       const std::string& programFolder) {
    switch (destination.kind) {
    case ForwardKind::kSyslogUdp:
    case ForwardKind::kSnmp: return MakeUdpTransport(destination.host, EffectivePort(destination));
    case ForwardKind::kSyslogTcp:
        return MakeTcpTransport(destination.host, EffectivePort(destination));
    case ForwardKind::kJson:
        return MakeJsonFileTransport(EffectivePath(destination, programFolder), destination.days);
    case ForwardKind::kNone: break;
    }
    return nullptr;
}

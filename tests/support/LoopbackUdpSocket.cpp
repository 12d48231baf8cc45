#include "support/LoopbackUdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

LoopbackUdpSocket::LoopbackUdpSocket() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd_);
        fd_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
}

LoopbackUdpSocket::~LoopbackUdpSocket() {
    if (fd_ >= 0) close(fd_);
}

bool LoopbackUdpSocket::SendTo(uint16_t port, const std::vector<uint8_t>& datagram) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    return fd_ >= 0 &&
           sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(datagram.size());
}

std::optional<ReceivedDatagram> LoopbackUdpSocket::Receive(std::chrono::milliseconds timeout) {
    if (fd_ < 0) return std::nullopt;
    pollfd waitFor{fd_, POLLIN, 0};
    if (poll(&waitFor, 1, static_cast<int>(timeout.count())) != 1) return std::nullopt;
    std::vector<uint8_t> buffer(65535);
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &size);
    if (got < 0) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(got));
    ReceivedDatagram datagram{std::move(buffer), {}};
    std::memcpy(datagram.sender.data(), &from.sin_addr.s_addr, 4);
    return datagram;
}

#pragma once
// A UDP socket on 127.0.0.1 with a port the kernel picks, for tests that let a real peer
// (net-snmp's snmptrap) send to them. Every wait is bounded by the caller's time-out.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

struct ReceivedDatagram {
    std::vector<uint8_t> octets;
    std::array<uint8_t, 4> sender{};  // IPv4 address, network order
};

class LoopbackUdpSocket {
public:
    LoopbackUdpSocket();  // binds 127.0.0.1:0; IsOpen() tells whether that worked
    ~LoopbackUdpSocket();
    LoopbackUdpSocket(const LoopbackUdpSocket&) = delete;
    LoopbackUdpSocket& operator=(const LoopbackUdpSocket&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    uint16_t Port() const { return port_; }

    // Sends one datagram from this socket to 127.0.0.1:port, so that answers come back to it.
    bool SendTo(uint16_t port, const std::vector<uint8_t>& datagram);

    // One datagram, or nothing when none arrives within the time-out.
    std::optional<ReceivedDatagram> Receive(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

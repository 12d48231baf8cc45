#pragma once
// How a destination's payloads leave the program: a UDP datagram each (syslog over UDP,
// the SNMP relay), an octet-counted frame on a TCP stream (RFC 6587 3.4.1), or a line of a
// daily rotated file. Each transport belongs to one sender thread.

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "forward/ForwardSettings.h"

// Results of Deliver, and why a destination is not used; the dialog names them.
enum ForwardError : int {
    kForwardOk = 0,
    kForwardResolveFailed = 1,  // the host name does not resolve
    kForwardConnectFailed = 2,  // refused, unreachable or timed out
    kForwardSendFailed = 3,     // the connection broke or the datagram was refused
    kForwardOpenFailed = 4,     // the file or its folder cannot be opened
    kForwardWriteFailed = 5,    // the line could not be written whole (a full disk)
    // Not a result of Deliver: a relay to this program's own trap port is not used.
    kForwardOwnTrapPort = 6,
};

// One text to deliver, with its trap's arrival (a file's day).
struct ForwardPayload {
    std::string bytes;
    std::chrono::system_clock::time_point received;
};

// What one Deliver did: the first handled payloads were sent whole or, lost of them, given
// up for good (a datagram the port refused, a line a full disk could not take); those after
// them were not tried and may be offered again. error is the last failure, kForwardOk when
// none, with its errno in LastErrno.
struct DeliveryOutcome {
    std::size_t handled = 0;
    std::size_t lost = 0;
    int error = kForwardOk;
};

class ForwardTransport {
public:
    virtual ~ForwardTransport() = default;
    // Sends payloads in order, as few system calls as the transport allows.
    [[nodiscard]] virtual DeliveryOutcome Deliver(std::span<const ForwardPayload> payloads) = 0;
    // errno of the last failure, 0 when none applies.
    virtual int LastErrno() const = 0;
};

// The transport of a destination's kind; null for kNone.
std::unique_ptr<ForwardTransport> MakeForwardTransport(const ForwardDestination& destination,
                                                       const std::string& programFolder);

std::unique_ptr<ForwardTransport> MakeUdpTransport(const std::string& host, uint16_t port);
std::unique_ptr<ForwardTransport> MakeTcpTransport(const std::string& host, uint16_t port);
std::unique_ptr<ForwardTransport> MakeJsonFileTransport(const std::string& path, int retentionDays);

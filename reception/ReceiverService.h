#pragma once
// The receiver thread's work: the UDP trap socket, the wait on which a stop request is
// honoured, and the hand-over of every datagram.

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// The receive buffer; longer datagrams are not traps of ours and are dropped whole.
inline constexpr std::size_t kMaxDatagram = 1024;
// Datagrams taken from the socket with one system call.
inline constexpr std::size_t kReceiveBatch = 64;
// The socket wait; stopRequested is read each time it passes without a datagram, and
// after every datagram.
inline constexpr std::chrono::milliseconds kReceiveWait{1000};
// After a receive that did not fill a batch, the datagrams that follow are left to gather
// for this long: under load one receive and one log write serve many traps, and a lone
// trap waits no longer than this.
inline constexpr std::chrono::microseconds kGatherPause{1000};

// Gets each datagram of at most kMaxDatagram octets (the span is valid during the call)
// with the sender's IPv4 address and port.
using DatagramHandler = std::function<void(std::span<uint8_t> datagram,
                                           std::array<uint8_t, 4> sender, uint16_t senderPort)>;

// Called after the datagrams of one receive were handled, before the next receive (and
// after the last datagram when the service stops).
using BatchEndHandler = std::function<void()>;

class LossCounters;
class MessageBoxPort;
class PacketCounters;
class RejectedMessages;
class WindowPorts;

// Where the service shows its state and counts what it cannot hand over.
struct ServiceReports {
    WindowPorts& windows;
    PacketCounters& counters;
    LossCounters& losses;
    RejectedMessages& rejected;
    MessageBoxPort& boxes;  // a port that cannot be bound is told here
};

class ReceiverService {
public:
    explicit ReceiverService(const ServiceReports& reports) : reports_(reports) {}

    // Runs the service on the calling thread until it sees stopRequested at 1 (at a wait
    // time-out or after a datagram), or the socket fails; shows its state through the
    // service windows all along. Datagrams are received up to kReceiveBatch at a time and
    // handed over one by one in arrival order. A datagram longer than kMaxDatagram is
    // counted as a decode error, kept among the rejected messages and dropped. The kernel's
    // drops are counted as LossKind::kKernelDrops. One run at a time.
    void Run(uint16_t port, const std::atomic<int32_t>& stopRequested,
             const DatagramHandler& handle, const BatchEndHandler& batchEnd = {});

    // Sends datagram from the service's socket, so that it leaves from the trap port, to
    // the given IPv4 address and port. For the service thread, while it runs; false when
    // there is no socket or the send failed.
    bool SendFromServiceSocket(std::span<const uint8_t> datagram, std::array<uint8_t, 4> to,
                               uint16_t port) const;

private:
    ServiceReports reports_;
    // The socket of the running service, for its answers; -1 while none is open.
    std::atomic<int> socket_{-1};
};

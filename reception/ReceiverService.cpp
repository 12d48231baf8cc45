#include "reception/ReceiverService.h"

#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "pipeline/WindowPorts.h"
#include "platform/Encoding.h"
#include "platform/MessageBox.h"
#include "reception/BindFailure.h"
#include "reception/RejectedMessages.h"
#include "settings/ProgramFolder.h"
#include "trap/LossCounters.h"
#include "trap/PacketCounters.h"

namespace {

// Room for the datagrams that arrive while one trap is in the pipeline (a slow rule file,
// a program start): about 5,000 small traps. Beyond net.core.rmem_max only for a process
// that may force it.
constexpr int kReceiveBufferBytes = 4 << 20;

void EnlargeReceiveBuffer(int socketFd) {
    const int size = kReceiveBufferBytes;
    if (setsockopt(socketFd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        setsockopt(socketFd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);  // capped by the kernel
}

// The kernel counts the datagrams it dropped on this socket and hands the running total
// along with each datagram received after a drop (SO_RXQ_OVFL). Each socket starts from 0,
// so only the growth is added to the loss count, which survives restarts of the service.
class KernelDrops {
public:
    KernelDrops(int socketFd, LossCounters& losses) : losses_(losses) {
        const int on = 1;
        setsockopt(socketFd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    }
    void Update(msghdr& message) {
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SO_RXQ_OVFL ||
                c->cmsg_len < CMSG_LEN(sizeof(uint32_t)))
                continue;
            uint32_t total = 0;
            std::memcpy(&total, CMSG_DATA(c), sizeof total);
            Take(total);
        }
    }
    // The same running total, asked for directly: after a burst no datagram may follow to
    // carry it, so the idle second reads it too.
    void Read(int socketFd) {
        std::array<uint32_t, SK_MEMINFO_VARS> memory{};
        socklen_t length = sizeof memory;
        if (getsockopt(socketFd, SOL_SOCKET, SO_MEMINFO, memory.data(), &length) == 0 &&
            length >= (SK_MEMINFO_DROPS + 1) * sizeof(uint32_t))
            Take(memory[SK_MEMINFO_DROPS]);
    }

private:
    void Take(uint32_t total) {
        // Modulo 2^32: a total that wrapped round still gives its growth, and a datagram
        // queued before the last direct read (an older total) adds nothing.
        const auto growth = static_cast<int32_t>(total - seen_);
        if (growth <= 0) return;
        losses_.Count(LossKind::kKernelDrops, static_cast<uint32_t>(growth));
        seen_ = total;
    }

    LossCounters& losses_;
    uint32_t seen_ = 0;
};

void ShowStatus(const WindowPorts& ports, std::string_view textUtf8) {
    if (ServiceWindows* windows = ports.Installed())
        windows->SetServiceStatus(Utf8ToCp932(textUtf8));
}

void EnableCommands(const WindowPorts& ports, bool startEnabled, bool stopEnabled) {
    if (ServiceWindows* windows = ports.Installed())
        windows->EnableServiceCommands(startEnabled, stopEnabled);
}

void ShowSocketError(const WindowPorts& ports, int error) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "Socket error: error no = %d", error);
    ShowStatus(ports, text.data());
    // The status moves on to "サービス停止" at once; the tooltip keeps why.
    if (ServiceWindows* windows = ports.Installed())
        windows->SetServiceFailure(Utf8ToCp932(text.data()));
}

void ReportBindError(MessageBoxPort& boxes, const WindowPorts& ports, uint16_t port, int error) {
    const std::string text = BindFailureText(port, error, ExecutablePath());
    ShowMessageBox(boxes, Utf8ToCp932(text), MessageIcon::Stop);
    ShowStatus(ports, "Port bind error");
    if (ServiceWindows* windows = ports.Installed()) windows->SetServiceFailure(Utf8ToCp932(text));
}

bool Bind(int socketFd, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    return bind(socketFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

enum class Drained { kEmpty, kFailed, kStopped };

bool StopSeen(const WindowPorts& ports, const std::atomic<int32_t>& stopRequested) {
    if (stopRequested.load() != 1) return false;
    ShowStatus(ports, "サービス停止");
    return true;
}

// Room for one receive of up to kReceiveBatch datagrams, with each sender's address and
// the kernel's drop count.
class DatagramBatch {
public:
    DatagramBatch() {
        for (std::size_t i = 0; i < kReceiveBatch; ++i) {
            data_[i] = {buffers_[i].data(), kMaxDatagram};
            msghdr& message = headers_[i].msg_hdr;
            message.msg_name = &senders_[i];
            message.msg_iov = &data_[i];
            message.msg_iovlen = 1;
            message.msg_control = controls_[i].data();
        }
    }

    // The datagrams queued now, up to kReceiveBatch, without waiting; -1 with errno set
    // when none could be received.
    int Receive(int socketFd) {
        for (std::size_t i = 0; i < kReceiveBatch; ++i) {
            headers_[i].msg_hdr.msg_namelen = sizeof(sockaddr_in);
            headers_[i].msg_hdr.msg_controllen = kControlBytes;
        }
        // With MSG_TRUNC each length is the datagram's real one, even beyond the buffer.
        return recvmmsg(socketFd, headers_.data(), kReceiveBatch, MSG_TRUNC | MSG_DONTWAIT,
                        nullptr);
    }

    msghdr& Header(std::size_t i) { return headers_[i].msg_hdr; }
    std::size_t Length(std::size_t i) const { return headers_[i].msg_len; }
    std::span<uint8_t> Buffer(std::size_t i) { return buffers_[i]; }
    std::array<uint8_t, 4> Sender(std::size_t i) const {
        std::array<uint8_t, 4> address{};
        std::memcpy(address.data(), &senders_[i].sin_addr, address.size());
        return address;
    }
    uint16_t SenderPort(std::size_t i) const { return ntohs(senders_[i].sin_port); }

private:
    static constexpr std::size_t kControlBytes = CMSG_SPACE(sizeof(uint32_t));

    std::array<std::array<uint8_t, kMaxDatagram>, kReceiveBatch> buffers_{};
    std::array<sockaddr_in, kReceiveBatch> senders_{};
    std::array<iovec, kReceiveBatch> data_{};
    struct alignas(cmsghdr) Control : std::array<char, kControlBytes> {};
    std::array<Control, kReceiveBatch> controls_{};
    std::array<mmsghdr, kReceiveBatch> headers_{};
};

// Reads every datagram queued on the socket without waiting again: one wait for a burst,
// not one for each datagram. A receive failure is shown and ends the reading; a stop
// request is honoured after the datagram in hand, so steady traffic cannot delay it.
Drained ReceiveQueued(int socketFd, const std::atomic<int32_t>& stopRequested,
                      const ServiceReports& reports, KernelDrops& drops, DatagramBatch& batch,
                      const DatagramHandler& handle, const BatchEndHandler& batchEnd) {
    while (true) {
        const int received = batch.Receive(socketFd);
        if (received < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return Drained::kEmpty;
            ShowSocketError(reports.windows, errno);
            return Drained::kFailed;
        }
        bool stopped = false;
        for (std::size_t i = 0; i < static_cast<std::size_t>(received) && !stopped; ++i) {
            drops.Update(batch.Header(i));
            const std::size_t length = batch.Length(i);
            // One oversized datagram must not switch reception off: it is only counted.
            if (length > kMaxDatagram) {
                reports.rejected.Record(
                    ArrivedDatagram(batch.Buffer(i), batch.Sender(i), batch.SenderPort(i),
                                    static_cast<uint32_t>(length)),
                    RejectReason::kTooLarge, -1, 0, {});
                reports.counters.CountPacket(PacketKindOf(RejectReason::kTooLarge));
            } else {
                handle(batch.Buffer(i).first(length), batch.Sender(i), batch.SenderPort(i));
            }
            stopped = StopSeen(reports.windows, stopRequested);
        }
        if (batchEnd) batchEnd();
        if (stopped) return Drained::kStopped;
        if (static_cast<std::size_t>(received) < kReceiveBatch)
            std::this_thread::sleep_for(kGatherPause);
    }
}

void ReceiveUntilStopped(int socketFd, const std::atomic<int32_t>& stopRequested,
                         const ServiceReports& reports, const DatagramHandler& handle,
                         const BatchEndHandler& batchEnd) {
    KernelDrops drops(socketFd, reports.losses);
    const auto batch = std::make_unique<DatagramBatch>();
    while (true) {
        pollfd waited{socketFd, POLLIN, 0};
        const int ready = poll(&waited, 1, static_cast<int>(kReceiveWait.count()));
        if (ready <= 0) {
            drops.Read(socketFd);
            if (StopSeen(reports.windows, stopRequested)) return;
            continue;
        }
        // A pending socket error is reported by the receive, as a read event would.
        if ((waited.revents & (POLLIN | POLLERR)) == 0) continue;
        if (ReceiveQueued(socketFd, stopRequested, reports, drops, *batch, handle, batchEnd) !=
            Drained::kEmpty)
            return;
    }
}

}  // namespace

void ReceiverService::Run(uint16_t port, const std::atomic<int32_t>& stopRequested,
                          const DatagramHandler& handle, const BatchEndHandler& batchEnd) {
    const WindowPorts& ports = reports_.windows;
    ShowStatus(ports, "サービス起動中");
    EnableCommands(ports, false, true);

    // Close-on-exec: a program started by a rule must not keep the trap port.
    const int socketFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socketFd < 0) {
        ShowSocketError(ports, errno);
    } else {
        EnlargeReceiveBuffer(socketFd);
        if (Bind(socketFd, port)) {
            socket_.store(socketFd);
            ReceiveUntilStopped(socketFd, stopRequested, reports_, handle, batchEnd);
            socket_.store(-1);
        } else {
            ReportBindError(reports_.boxes, ports, port, errno);
        }
        close(socketFd);
    }

    ShowStatus(ports, "サービス停止");
    EnableCommands(ports, true, false);
}

bool ReceiverService::SendFromServiceSocket(std::span<const uint8_t> datagram,
                                            std::array<uint8_t, 4> to, uint16_t port) const {
    const int socketFd = socket_.load();
    if (socketFd < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr, to.data(), to.size());
    address.sin_port = htons(port);
    // Never waits: an answer the socket cannot take now is lost, as UDP allows.
    return sendto(socketFd, datagram.data(), datagram.size(), MSG_DONTWAIT,
                  reinterpret_cast<const sockaddr*>(&address),
                  sizeof address) == ssize_t(datagram.size());
}

// The sending side of the end-to-end benchmark (bench/endtoend/run.sh):
//   capture PORT COUNT FILE    keeps COUNT datagrams sent to 127.0.0.1:PORT (by snmptrap) in FILE
//   send FILE PORT COUNT RATE  sends COUNT datagrams from FILE, in turn, to 127.0.0.1:PORT at RATE
//   a second adduser NAME AUTHPASS PRIVPASS ENGINEID
//                              writes an MD5+DES user into the user store of $OLIXTRAP_HOME
// A capture file is a sequence of datagrams, each a two-octet length (big-endian) and its octets.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/MessageBox.h"
#include "records/DBLib.h"
#include "records/StoreReadFailures.h"
#include "users/UserStore.h"

namespace {

using Clock = std::chrono::steady_clock;
using Datagram = std::vector<uint8_t>;

constexpr std::chrono::seconds kCaptureWait{60};
constexpr int kMd5 = 2;  // index of "HMAC-MD5" in the user store
constexpr int kDes = 1;  // index of "CBC-DES"

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

int Capture(uint16_t port, int count, const char* file) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = Loopback(port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::perror("capture: bind");
        return 1;
    }
    std::ofstream out(file, std::ios::binary);
    std::array<uint8_t, 65536> buffer;
    const auto deadline = Clock::now() + kCaptureWait;
    int kept = 0;
    while (kept < count && Clock::now() < deadline) {
        pollfd waited{fd, POLLIN, 0};
        if (poll(&waited, 1, 1000) <= 0) continue;
        const ssize_t length = recv(fd, buffer.data(), buffer.size(), 0);
        if (length <= 0) continue;
        const std::array<char, 2> prefix = {static_cast<char>(length >> 8),
                                            static_cast<char>(length & 0xFF)};
        out.write(prefix.data(), prefix.size());
        out.write(reinterpret_cast<const char*>(buffer.data()), length);
        ++kept;
    }
    close(fd);
    std::printf("captured %d datagrams\n", kept);
    return kept == count ? 0 : 1;
}

std::vector<Datagram> Load(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<Datagram> datagrams;
    std::array<unsigned char, 2> prefix;
    while (in.read(reinterpret_cast<char*>(prefix.data()), prefix.size())) {
        Datagram datagram(static_cast<std::size_t>(prefix[0] << 8 | prefix[1]));
        if (!in.read(reinterpret_cast<char*>(datagram.data()),
                     static_cast<std::streamsize>(datagram.size())))
            break;
        datagrams.push_back(std::move(datagram));
    }
    return datagrams;
}

// One system call for many datagrams: up to 64 runs of datagrams of equal size, each run
// handed to the kernel as one buffer that it cuts into datagrams (UDP_SEGMENT), so that
// the sending core keeps up with rates far beyond one send a datagram.
class DatagramBatchSender {
public:
    static constexpr std::size_t kMaxDatagrams = 64;

    explicit DatagramBatchSender(uint16_t port)
        : fd_(socket(AF_INET, SOCK_DGRAM, 0)), address_(Loopback(port)) {}
    ~DatagramBatchSender() { close(fd_); }

    // Sends the datagrams; returns how many of them failed.
    long Send(const std::vector<const Datagram*>& datagrams) {
        std::size_t runs = 0;
        for (std::size_t i = 0; i < datagrams.size();) {
            const std::size_t size = datagrams[i]->size();
            std::size_t end = i;
            std::size_t bytes = 0;
            while (end < datagrams.size() && datagrams[end]->size() == size &&
                   bytes + size <= kMaxRunBytes) {
                data_[end] = {const_cast<uint8_t*>(datagrams[end]->data()), size};
                bytes += size;
                ++end;
            }
            msghdr& message = headers_[runs].msg_hdr;
            message = {};
            message.msg_name = &address_;
            message.msg_namelen = sizeof address_;
            message.msg_iov = &data_[i];
            message.msg_iovlen = end - i;
            if (end - i > 1) {
                message.msg_control = controls_[runs].data();
                message.msg_controllen = controls_[runs].size();
                cmsghdr* segment = CMSG_FIRSTHDR(&message);
                segment->cmsg_level = SOL_UDP;
                segment->cmsg_type = UDP_SEGMENT;
                segment->cmsg_len = CMSG_LEN(sizeof(uint16_t));
                const auto segmentSize = static_cast<uint16_t>(size);
                std::memcpy(CMSG_DATA(segment), &segmentSize, sizeof segmentSize);
            }
            runSizes_[runs++] = end - i;
            i = end;
        }
        const int sent = sendmmsg(fd_, headers_.data(), static_cast<unsigned>(runs), 0);
        long failed = 0;
        for (std::size_t run = sent < 0 ? 0 : static_cast<std::size_t>(sent); run < runs; ++run)
            failed += static_cast<long>(runSizes_[run]);
        return failed;
    }

private:
    // What one buffer may carry: a UDP datagram's largest payload, with room to spare.
    static constexpr std::size_t kMaxRunBytes = 60000;

    int fd_;
    sockaddr_in address_;
    std::array<iovec, kMaxDatagrams> data_{};
    std::array<mmsghdr, kMaxDatagrams> headers_{};
    std::array<std::array<char, CMSG_SPACE(sizeof(uint16_t))>, kMaxDatagrams> controls_{};
    std::array<std::size_t, kMaxDatagrams> runSizes_{};
};

// Each datagram leaves at its due time, start + i / rate; the sender sleeps only when it is
// more than a millisecond ahead, so the rate holds without bursts longer than that. The
// datagrams already due leave together.
int Send(const char* file, uint16_t port, long count, double rate) {
    const std::vector<Datagram> datagrams = Load(file);
    if (datagrams.empty() || rate <= 0) {
        std::fprintf(stderr, "send: no datagrams in %s or no rate\n", file);
        return 1;
    }
    DatagramBatchSender sender(port);
    std::vector<const Datagram*> due;
    const auto start = Clock::now();
    const std::chrono::duration<double> interval(1.0 / rate);
    const auto dueOf = [&](long i) {
        return start +
               std::chrono::duration_cast<Clock::duration>(interval * static_cast<double>(i));
    };
    long failed = 0;
    for (long i = 0; i < count;) {
        const auto first = dueOf(i);
        if (first - Clock::now() > std::chrono::milliseconds(1))
            std::this_thread::sleep_until(first);
        while (Clock::now() < first) {
        }
        const auto now = Clock::now();
        due.clear();
        for (; due.size() < DatagramBatchSender::kMaxDatagrams && i < count && dueOf(i) <= now; ++i)
            due.push_back(&datagrams[static_cast<std::size_t>(i) % datagrams.size()]);
        failed += sender.Send(due);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("sent %ld datagrams in %.3f s (%.0f/s), %ld failed\n", count, seconds,
                count / seconds, failed);
    return failed == 0 ? 0 : 1;
}

int AddUser(const char* name, const char* authPassword, const char* privPassword,
            const char* engineId) {
    DBLib::MakeFolder("/db");
    StandardErrorBoxes boxes;
    StoreReadFailures readFailures;
    UserStore users(readFailures, {.boxes = boxes});
    return users.AppendUser(name, authPassword, privPassword, engineId, kMd5, kDes);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: olixtrap_trapsender capture PORT COUNT FILE\n"
                 "       olixtrap_trapsender send FILE PORT COUNT RATE\n"
                 "       olixtrap_trapsender adduser NAME AUTHPASS PRIVPASS ENGINEID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "capture" && argc == 5)
        return Capture(static_cast<uint16_t>(std::atoi(argv[2])), std::atoi(argv[3]), argv[4]);
    if (command == "send" && argc == 6)
        return Send(argv[2], static_cast<uint16_t>(std::atoi(argv[3])), std::atol(argv[4]),
                    std::atof(argv[5]));
    if (command == "adduser" && argc == 6) return AddUser(argv[2], argv[3], argv[4], argv[5]);
    return Usage();
}

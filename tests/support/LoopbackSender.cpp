#include "support/LoopbackSender.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Eventually.h"

namespace {

constexpr uint16_t kFirstPort = 23000;
constexpr uint16_t kPortCount = 1000;

std::atomic<uint16_t> nextOffset{static_cast<uint16_t>(getpid() % kPortCount)};

sockaddr_in Address(uint32_t host, uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(host);
    address.sin_port = htons(port);
    return address;
}

// Read from the kernel's socket tables rather than probed with a bind of our own: a probe
// that holds the port for a moment can make the receiver's own bind fail.
bool IsFree(uint16_t port) {
    for (const char* table : {"/proc/net/udp", "/proc/net/udp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);  // header
        while (std::getline(in, line)) {
            // "  sl: local_address:PORT remote_address ...", the port in hexadecimal
            std::istringstream fields(line);
            std::string slot, local;
            fields >> slot >> local;
            const std::size_t colon = local.rfind(':');
            if (colon != std::string::npos &&
                std::stoul(local.substr(colon + 1), nullptr, 16) == port)
                return false;
        }
    }
    return true;
}

}  // namespace

uint16_t PickFreeTrapPort() { return PickFreeTrapPort(kFirstPort); }

uint16_t PickFreeTrapPort(uint16_t firstPort) {
    for (int attempt = 0; attempt < kPortCount; ++attempt) {
        const uint16_t port = firstPort + (nextOffset.fetch_add(1) % kPortCount);
        if (IsFree(port)) return port;
    }
    return 0;
}

bool WaitUntilPortIsHeld(uint16_t port, std::chrono::milliseconds timeout) {
    return Eventually([port] { return !IsFree(port); }, timeout);
}

bool SendToLoopback(uint16_t port, std::span<const uint8_t> datagram) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const sockaddr_in address = Address(INADDR_LOOPBACK, port);
    const ssize_t sent = sendto(fd, datagram.data(), datagram.size(), 0,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
    close(fd);
    return sent == static_cast<ssize_t>(datagram.size());
}

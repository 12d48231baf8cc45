#include "support/ScriptedTcpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

// No wait of the server lasts longer than this, whatever the client does.
constexpr auto kMaxWait = std::chrono::seconds(10);
constexpr int kSliceMs = 20;

// Once stop is set, only what has already arrived is still read: a client that has
// returned has sent everything it will send.
bool Readable(int fd, const std::atomic<bool>& stop, std::chrono::steady_clock::time_point end) {
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kSliceMs) > 0) return true;
        if (stop) break;
    }
    return false;
}

}  // namespace

void Transcript::Add(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::string> Transcript::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<ScriptedTcpServer::Step> ScriptedTcpServer::SmtpAccepting() {
    return {Send("220 ready\r\n"),  ReadLine(), Send("250 hi\r\n"), ReadLine(),
            Send("250 ok\r\n"),     ReadLine(), Send("250 ok\r\n"), ReadLine(),
            Send("250 ok\r\n"),     ReadLine(), Send("354 go\r\n"), ReadData(),
            Send("250 queued\r\n"), ReadLine(), Send("221 bye\r\n")};
}

ScriptedTcpServer::ScriptedTcpServer(std::string name, std::vector<Step> script,
                                     Transcript& transcript, std::array<uint8_t, 4> host,
                                     uint16_t port)
    : ScriptedTcpServer(std::move(name), std::vector<std::vector<Step>>{std::move(script)},
                        transcript, host, port) {}

ScriptedTcpServer::ScriptedTcpServer(std::string name, std::vector<std::vector<Step>> scripts,
                                     Transcript& transcript, std::array<uint8_t, 4> host,
                                     uint16_t port)
    : name_(std::move(name)), scripts_(std::move(scripts)), transcript_(transcript) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    std::memcpy(&address.sin_addr, host.data(), host.size());
    address.sin_port = htons(port);
    const int reuse = 1;  // a fixed port may still be in TIME_WAIT from an earlier run
    if (listener_ >= 0 && port != 0)
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener_, 4) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

ScriptedTcpServer::~ScriptedTcpServer() { Finish(); }

int ScriptedTcpServer::Finish() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) {
        // A client that connected after the last accept is still counted.
        pollfd p{listener_, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
            const int client = accept(listener_, nullptr, nullptr);
            if (client < 0) break;
            ++connections_;
            close(client);
        }
        close(listener_);
        listener_ = -1;
    }
    return connections_;
}

void ScriptedTcpServer::Run() {
    while (Readable(listener_, stop_, std::chrono::steady_clock::now() + kMaxWait)) {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        if (static_cast<std::size_t>(connections_) < scripts_.size())
            Play(client, scripts_[connections_]);
        ++connections_;
        close(client);
    }
}

void ScriptedTcpServer::Play(int client, const std::vector<Step>& script) {
    std::string pending;
    for (const Step& step : script) {
        std::string text;
        switch (step.kind) {
        case Step::Kind::Send:
            if (send(client, step.text.data(), step.text.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(step.text.size()))
                return;
            break;
        case Step::Kind::ReadLine:
            if (!ReadUntil(client, pending, "\r\n", text)) return;
            transcript_.Add(name_ + ":" + text.substr(0, text.size() - 2));
            break;
        case Step::Kind::ReadData:
            if (!ReadUntil(client, pending, "\r\n.\r\n", text)) return;
            transcript_.Add(name_ + ":" + text);
            break;
        case Step::Kind::Pause:
            std::this_thread::sleep_for(step.pause);  // a slow server, as scripted
            break;
        case Step::Kind::Close: return;
        }
    }
    // Script done: stay connected until the client closes, so that it ends the dialogue.
    const auto end = std::chrono::steady_clock::now() + kMaxWait;
    char buffer[256];
    while (Readable(client, stop_, end) && recv(client, buffer, sizeof buffer, 0) > 0) {
    }
}

bool ScriptedTcpServer::ReadUntil(int client, std::string& pending, const std::string& end,
                                  std::string& out) {
    const auto deadline = std::chrono::steady_clock::now() + kMaxWait;
    while (pending.find(end) == std::string::npos) {
        char buffer[1024];
        if (!Readable(client, stop_, deadline)) return false;
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) return false;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t length = pending.find(end) + end.size();
    out = pending.substr(0, length);
    pending.erase(0, length);
    return true;
}

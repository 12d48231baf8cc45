#pragma once
// A loopback TCP peer that plays a fixed script against the first client that connects, or
// one script for each client in turn (send a reply, read a command line, read SMTP data,
// pause, close), and records what the clients sent. Every wait is bounded; the server stops when
// destroyed.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Lines received by several servers, in arrival order, each prefixed with its server's name.
class Transcript {
public:
    void Add(std::string line);
    std::vector<std::string> Lines() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

class ScriptedTcpServer {
public:
    struct Step {
        enum class Kind { Send, ReadLine, ReadData, Pause, Close } kind;
        std::string text;
        std::chrono::milliseconds pause{0};
    };
    static Step Send(std::string text) { return {Step::Kind::Send, std::move(text)}; }
    static Step ReadLine() { return {Step::Kind::ReadLine, {}}; }
    // Reads up to and including the end-of-data line "\r\n.\r\n".
    static Step ReadData() { return {Step::Kind::ReadData, {}}; }
    static Step Pause(std::chrono::milliseconds ms) { return {Step::Kind::Pause, {}, ms}; }
    static Step Close() { return {Step::Kind::Close, {}}; }
    // An SMTP server that takes one mail: greeting, HELO, RSET, MAIL, RCPT, DATA, QUIT.
    static std::vector<Step> SmtpAccepting();

    // Listens on 127.0.0.1 at a port chosen by the system (or on the given loopback
    // address and port; Port() is 0 when that cannot be bound). Lines read go to
    // transcript as name + ":" + line (line ends removed; data kept whole).
    ScriptedTcpServer(std::string name, std::vector<Step> script, Transcript& transcript,
                      std::array<uint8_t, 4> address = {127, 0, 0, 1}, uint16_t port = 0);
    // One script for each connection in turn; connections beyond them are closed at once.
    ScriptedTcpServer(std::string name, std::vector<std::vector<Step>> scripts,
                      Transcript& transcript, std::array<uint8_t, 4> address, uint16_t port);
    ~ScriptedTcpServer();
    ScriptedTcpServer(const ScriptedTcpServer&) = delete;
    ScriptedTcpServer& operator=(const ScriptedTcpServer&) = delete;

    uint16_t Port() const { return port_; }
    // Stops the server (after a last look for a waiting connection) and returns the number
    // of connections it accepted.
    int Finish();

private:
    void Run();
    void Play(int client, const std::vector<Step>& script);
    bool ReadUntil(int client, std::string& pending, const std::string& end, std::string& out);

    std::string name_;
    std::vector<std::vector<Step>> scripts_;
    Transcript& transcript_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    int connections_ = 0;
    std::thread thread_;
};

#pragma once
// Debian's aiosmtpd (python3-aiosmtpd) run by tests/mail/smtp_sink.py on a loopback address,
// storing each message it receives as N.eml and its envelope as N.env in a temporary folder
// of its own (OLIXTRAP_HOME is left alone, so a program started meanwhile keeps its folder).

#include <sys/types.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class RealSmtpServer {
public:
    // On 127.0.0.1 at a free port of the mail tests' range, or at address and port.
    RealSmtpServer();
    RealSmtpServer(std::array<uint8_t, 4> address, uint16_t port);
    ~RealSmtpServer();
    RealSmtpServer(const RealSmtpServer&) = delete;
    RealSmtpServer& operator=(const RealSmtpServer&) = delete;

    // False when aiosmtpd is missing or the address cannot be bound.
    bool Ready() const { return ready_; }
    uint16_t Port() const { return port_; }
    std::string Message(int n) const;  // the path of the nth message (from 1)
    std::string Read(const std::string& name) const;
    std::string Envelope(int n) const { return Read(std::to_string(n) + ".env"); }
    // "" when the nth message arrives within 10 s and tests/mail/check_mail.py finds its
    // headers, subject and body (with prefix: a cut-off beginning of body) as expected; else
    // what is wrong.
    std::string Check(int n, const std::string& subject, const std::string& body,
                      bool prefix = false) const;
    int MessageCount() const;

private:
    void Start(const std::string& address);

    std::string folder_;
    pid_t pid_ = 0;
    uint16_t port_ = 0;
    bool ready_ = false;
};

// Runs a program without a shell and returns its exit status (-1 when it could not run or
// did not end within the bound, in which case it is killed).
int RunProgram(const std::vector<std::string>& args, std::chrono::seconds bound,
               const std::string& outputFile = "/dev/null");

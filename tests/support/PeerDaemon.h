#pragma once
// A real peer that runs in the background for a test (rsyslogd, snmptrapd): started from
// its arguments, ended with SIGTERM (SIGKILL after a bounded wait) when asked or when the
// object goes.

#include <sys/types.h>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class PeerDaemon {
public:
    PeerDaemon() = default;
    ~PeerDaemon() { Stop(); }
    PeerDaemon(const PeerDaemon&) = delete;
    PeerDaemon& operator=(const PeerDaemon&) = delete;

    // arguments[0] is the program's path; environment entries are added to
    // this process's. Output goes to outputFile. False when it could not be started.
    bool Start(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment, const std::string& outputFile);
    // Ends it and waits (bounded) until it has.
    void Stop(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// The path of a program on PATH or in /usr/sbin and /sbin (daemons), or "".
std::string FindProgram(const std::string& name);

// Waits (bounded) until something listens on 127.0.0.1:port over TCP.
bool WaitUntilTcpListens(uint16_t port,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

#include "support/RealSmtpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/Eventually.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

constexpr const char* kPython = "/usr/bin/python3";
const std::string kScripts = std::string(OLIXTRAP_SOURCE_DIR) + "/tests/mail/";

bool WaitForFile(const std::string& path, std::chrono::seconds bound) {
    return Eventually([&] { return std::filesystem::exists(path); }, bound, 20ms);
}

// A free loopback port of the mail tests' range (22000-22999), or 0.
uint16_t FreePort() {
    for (int i = 0; i < 100; ++i) {
        const uint16_t port = static_cast<uint16_t>(22000 + (getpid() * 7 + i * 37) % 1000);
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (free) return port;
    }
    return 0;
}

}  // namespace

int RunProgram(const std::vector<std::string>& args, std::chrono::seconds bound,
               const std::string& outputFile) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    if (!Eventually([&] { return waitpid(pid, &status, WNOHANG) != 0; }, bound, 20ms)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

RealSmtpServer::RealSmtpServer() {
    port_ = FreePort();
    if (port_ != 0) Start("127.0.0.1");
}

RealSmtpServer::RealSmtpServer(std::array<uint8_t, 4> address, uint16_t port) : port_(port) {
    Start(std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
          std::to_string(address[2]) + "." + std::to_string(address[3]));
}

void RealSmtpServer::Start(const std::string& address) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "olixtrap-smtp-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    if (RunProgram({kPython, "-c", "import aiosmtpd"}, 30s) != 0) return;
    const std::vector<std::string> args = {kPython, kScripts + "smtp_sink.py",
                                           std::to_string(port_), folder_, address};
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, kPython, nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    // The script ends at once when it cannot listen.
    ready_ = pid_ != 0 &&
             Eventually(
                 [&] {
                     return std::filesystem::exists(folder_ + "/ready") ||
                            waitpid(pid_, nullptr, WNOHANG) == pid_;
                 },
                 30s, 20ms) &&
             std::filesystem::exists(folder_ + "/ready");
}

RealSmtpServer::~RealSmtpServer() {
    if (pid_ != 0) {
        std::ofstream(folder_ + "/stop").close();
        int status = 0;
        if (!Eventually([&] { return waitpid(pid_, &status, WNOHANG) != 0; }, 5s, 20ms)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string RealSmtpServer::Message(int n) const {
    return folder_ + "/" + std::to_string(n) + ".eml";
}

std::string RealSmtpServer::Read(const std::string& name) const {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string RealSmtpServer::Check(int n, const std::string& subject, const std::string& body,
                                  bool prefix) const {
    if (!WaitForFile(Message(n), 10s)) return "no message " + std::to_string(n);
    std::vector<std::string> args = {kPython,
                                     kScripts + "check_mail.py",
                                     Message(n),
                                     "trap@example.org",
                                     "admin@example.org",
                                     subject,
                                     body};
    if (prefix) args.push_back("--prefix");
    const std::string output = folder_ + "/check.txt";
    const int rc = RunProgram(args, 60s, output);
    return rc == 0 ? "" : "check failed (" + std::to_string(rc) + "): " + Read("check.txt");
}

int RealSmtpServer::MessageCount() const {
    int count = 0;
    while (std::filesystem::exists(Message(count + 1))) ++count;
    return count;
}

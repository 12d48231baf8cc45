#include "ui/ProcessSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace {

// The write end of the self-pipe. A signal handler gets nothing but the signal's number,
// so what it writes to must be reachable without an object.
int signalPipeWrite = -1;

void OnSignal(int signal) {
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; dropping this one loses nothing the reader needs.
    [[maybe_unused]] const ssize_t written = write(signalPipeWrite, &number, 1);
    errno = savedErrno;
}

void ReadSignals(int readEnd, const std::function<void()>& end,
                 const std::function<void()>& report) {
    std::array<unsigned char, 64> numbers;
    ssize_t count;
    while ((count = read(readEnd, numbers.data(), numbers.size())) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (numbers[static_cast<std::size_t>(i)] == SIGUSR1) {
                if (report) report();
            } else if (end) {
                end();
            }
        }
    }
}

}  // namespace

bool WatchProcessSignals(std::function<void()> end, std::function<void()> report) {
    int signalPipe[2];
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    signalPipeWrite = signalPipe[1];
    const int readEnd = signalPipe[0];
    auto* notifier =
        new QSocketNotifier(readEnd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [readEnd, end = std::move(end), report = std::move(report)] {
                         ReadSignals(readEnd, end, report);
                     });
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaction(signal, &action, nullptr);
    return true;
}

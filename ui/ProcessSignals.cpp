#include "ui/ProcessSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};
std::function<void()> endAction;
std::function<void()> reportAction;

void OnSignal(int signal) {
    const int savedErrno = errno;
    const auto number = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; dropping this one loses nothing the reader needs.
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &number, 1);
    errno = savedErrno;
}

void ReadSignals() {
    std::array<unsigned char, 64> numbers;
    ssize_t count;
    while ((count = read(signalPipe[0], numbers.data(), numbers.size())) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (numbers[static_cast<std::size_t>(i)] == SIGUSR1) {
                if (reportAction) reportAction();
            } else if (endAction) {
                endAction();
            }
        }
    }
}

}  // namespace

bool WatchProcessSignals(std::function<void()> end, std::function<void()> report) {
    endAction = std::move(end);
    reportAction = std::move(report);
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, &ReadSignals);
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1}) sigaction(signal, &action, nullptr);
    return true;
}

#include "platform/TerminationSignal.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gWriteFd = -1;

void onSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: one byte to the main thread.
    [[maybe_unused]] const ssize_t n = ::write(gWriteFd, &byte, 1);
}
}  // namespace

TerminationSignal::TerminationSignal(int readFd, std::function<void()> handler, QObject* parent)
    : QObject(parent), notifier_(new QSocketNotifier(readFd, QSocketNotifier::Read, this)), handler_(std::move(handler)) {
    connect(notifier_, &QSocketNotifier::activated, this, [this, readFd] {
        char buffer[16];
        while (::read(readFd, buffer, sizeof buffer) > 0) {
        }
        if (handler_) handler_();
    });
}

bool TerminationSignal::install(std::function<void()> handler, QObject* parent) {
    if (gWriteFd >= 0) return false;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    gWriteFd = fds[1];
    new TerminationSignal(fds[0], std::move(handler), parent);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
    return true;
}

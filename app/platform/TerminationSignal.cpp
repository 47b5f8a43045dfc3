#include "platform/TerminationSignal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <csignal>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
std::atomic<int> gWriteFd{-1};

void onSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: one byte to the main thread.
    const int fd = gWriteFd.load();
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}
}  // namespace

TerminationSignal::TerminationSignal(int readFd, int writeFd, std::function<void()> handler)
    : readFd_(readFd),
      writeFd_(writeFd),
      notifier_(new QSocketNotifier(readFd, QSocketNotifier::Read, this)),
      handler_(std::move(handler)) {
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(readFd_, buffer, sizeof buffer) > 0) {
        }
        if (handler_) handler_();
    });
}

TerminationSignal::~TerminationSignal() {
    for (int sig : kSignals) ::signal(sig, SIG_DFL);
    gWriteFd = -1;
    ::close(readFd_);
    ::close(writeFd_);
}

std::unique_ptr<TerminationSignal> TerminationSignal::install(std::function<void()> handler) {
    if (gWriteFd.load() >= 0) return nullptr;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    std::unique_ptr<TerminationSignal> holder(new TerminationSignal(fds[0], fds[1], std::move(handler)));
    gWriteFd = fds[1];
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
    return holder;
}

#include "tessel/TS_Signal.h"

#include <signal.h>

#include <initializer_list>

volatile sig_atomic_t giSigNo = 0;
volatile sig_atomic_t giSigChildNo = 0;

void _SignalHandler(int signo) {
    giSigNo = signo;
}

void _SigChildHandler(int signo) {
    giSigChildNo = signo;
}

namespace {
bool Install(int signo, void (*handler)(int), const sigset_t& blocked) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_mask = blocked;
    sa.sa_flags = 0;
    return sigaction(signo, &sa, nullptr) == 0;
}
}  // namespace

bool SetSignal() {
    sigset_t blocked;
    sigemptyset(&blocked);
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGTRAP, SIGFPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaddset(&blocked, s);
    }
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGILL, SIGTRAP, SIGABRT, SIGFPE, SIGTERM, SIGUSR1, SIGUSR2,
                  SIGALRM, SIGCHLD}) {
        if (!Install(s, _SignalHandler, blocked)) return false;
    }
    sigset_t child;
    sigemptyset(&child);
    sigaddset(&child, SIGCHLD);
    Install(SIGCHLD, _SigChildHandler, child);
    return true;
}

#include "StopSignals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>

namespace demo_room {

int BlockStopSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &stops, SFD_CLOEXEC);
}

}  // namespace demo_room

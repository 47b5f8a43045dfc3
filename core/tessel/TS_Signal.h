// Process-wide handlers that record the last signal number. Installing them
// replaces the empty wake-up handler that stopping threads relies on, so the
// core never installs them.
#pragma once

#include <csignal>

extern volatile sig_atomic_t giSigNo;
extern volatile sig_atomic_t giSigChildNo;

bool SetSignal();
void _SignalHandler(int signo);
void _SigChildHandler(int signo);

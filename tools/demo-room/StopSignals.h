// SIGINT and SIGTERM read from a descriptor instead of ending the process:
// the calling thread blocks them (call it before starting any thread or
// child, which inherit the block) and SIGPIPE is ignored, so that writing
// to a process that has gone is an error and not the end.
#pragma once

namespace demo_room {

// The signalfd descriptor that becomes readable when SIGINT or SIGTERM
// arrives; -1 on failure.
int BlockStopSignals();

}  // namespace demo_room

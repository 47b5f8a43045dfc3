// The time source of the audio jitter queues and the mixer. The running system
// uses the monotonic millisecond clock; tests give a clock of their own so that
// the timing rules can be followed step by step.
#pragma once

#include <cstdint>

class CEvent;

class CAudioClock {
public:
    virtual ~CAudioClock() = default;

    // Milliseconds of this clock.
    virtual uint64_t NowMs() = 0;
    // Waits on the event for at most ms milliseconds of this clock (ms < 0: no limit).
    // True when the event was notified, false on time-out.
    virtual bool Wait(CEvent& event, int ms) = 0;

    // The monotonic clock of the base framework.
    static CAudioClock& System();
};

#include "audio/AudioClock.h"

#include "tessel/TS_Common.h"
#include "tessel/TS_Event.h"

namespace {

class CSystemAudioClock : public CAudioClock {
public:
    uint64_t NowMs() override { return GetMonotonicTickCount(); }
    bool Wait(CEvent& event, int ms) override { return event.Wait(ms); }
};

}  // namespace

CAudioClock& CAudioClock::System() {
    static CSystemAudioClock clock;
    return clock;
}

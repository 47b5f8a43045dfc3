// The two JSON texts a login takes from the web service's room configuration
// (room options with the participant slot count, and the supported
// functions), read by the control object; the slot count stays bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CQuorixControl control(nullptr);
    const std::string text(reinterpret_cast<const char*>(data), size);
    control.SetLoginOptionJson(text.c_str());
    control.SetSupportFuncJson(text.c_str());
    if (QuorixControlTestPeer::Options(control).slots > CQuorixControl::MAX_PARTICIPANT_SLOTS) std::abort();
    return 0;
}

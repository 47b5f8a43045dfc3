// CQuorixControl life cycle, synchronous socket I/O of the login, and the
// stream threads of the connections.
#include "control/QuorixControl.h"

#include "control/ControlUtil.h"

const char* const kVpexLabels[VPEX_CONNECTION_COUNT] = {"Type:VIDEO", "Type:AUDIO", "Type:OTHER", "Type:AS",
                                                        "Type:CB"};

CQuorixControl::CQuorixControl(CQuorixCore* owner) : m_pOwner(owner) {}

CQuorixControl::~CQuorixControl() {
    m_bLogin = false;
    DeleteAudioCodec();
    DeleteVideoCodec();
    DeleteParticipantInfo();
}

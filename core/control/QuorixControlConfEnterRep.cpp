// Conference server: a participant entered the room (0x1004).
#include <string>

#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "control/VpexProtocol.h"
#include "control/QuorixControlEvents.h"

void CQuorixControl::ConfOnRecvEnterRep(const uint8_t* body, uint32_t len) {
    // User id at 0 and name at 48 (each ending at its field's last byte), user type text at 216.
    constexpr uint32_t kTypeOffset = 216;
    if (body == nullptr || len <= kTypeOffset) {
        ConfDropBroken(CONF_RECV_ENTER_REP, len);
        return;
    }
    const std::string userId = VpexFieldText(body, 47);
    const std::string userName = VpexFieldText(body + 48, 47);
    const std::string userType = VpexFieldText(body + kTypeOffset, len - kTypeOffset);
    if (m_pOwner != nullptr) m_pOwner->OnEnterMember(userId.c_str(), userName.c_str(), userType.c_str());
}

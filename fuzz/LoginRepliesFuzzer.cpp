// The replies the login reads synchronously, one after the other from the
// same stream: the conference server's login reply and room-entry reply (key
// change, relay addresses, owner, participant list), then a relay's start
// reply (key change, own client id, clients present). The first byte picks
// the relay connection. Keys the replies set are dropped after each input.
#include <cstddef>
#include <cstdint>

#include "FuzzControl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int index = data[0] % VPEX_CONNECTION_COUNT;
    CQuorixControl& control = quorix::fuzz::LoggedInControl();
    quorix::fuzz::PeerBytes peer(data + 1, size - 1);
    QuorixControlTestPeer::SetConfSocket(control, &peer.socket);
    QuorixControlTestPeer::SetVpexSocket(control, index, &peer.socket);
    control.ConfRecvSyncLoginRes();
    control.ConfRecvSyncEnterRes();
    control.VpexRecvSyncStartRes(index);
    QuorixControlTestPeer::SetConfSocket(control, nullptr);
    QuorixControlTestPeer::SetVpexSocket(control, index, nullptr);
    control.CloseAES();
    return 0;
}

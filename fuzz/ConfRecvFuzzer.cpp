// The conference connection's receive side: the bytes of the stream are cut
// into messages by the receive thread's framing (16-byte header, body length,
// maximum) and each message is decrypted and dispatched by a logged-in
// control object whose events are recorded. The whole input is also handed
// to the receive path as one message, so that every handler sees any body.
#include <cstddef>
#include <cstdint>

#include "FuzzControl.h"
#include "network/ThreadConf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CQuorixControl& control = quorix::fuzz::LoggedInControl();
    {
        quorix::fuzz::PeerBytes peer(data, size);
        quorix::fuzz::StreamReader<CThreadRecvConf> reader(&peer.socket, CQuorixControl::_ConfOnRecv,
                                                           CQuorixControl::_ConfOnRecvError, &control);
        if (!reader.Start()) return 0;
        reader.ReadAll();
        reader.Stop();
    }
    control.ConfOnRecv(data, int(size));
    return 0;
}

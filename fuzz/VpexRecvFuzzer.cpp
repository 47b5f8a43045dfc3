// A relay connection's receive side: the framing of the conference stream
// with footers, piece trailers and the resynchronisation on the next footer
// after a broken packet, then the decryption and dispatch of every relay
// message by a logged-in control object whose events are recorded. The first
// byte picks the connection (0 to 4); the rest is the stream, and is also
// handed to the receive path as one packet.
#include <cstddef>
#include <cstdint>

#include "FuzzControl.h"
#include "network/ThreadVpex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int index = data[0] % VPEX_CONNECTION_COUNT;
    CQuorixControl& control = quorix::fuzz::LoggedInControl();
    {
        quorix::fuzz::PeerBytes peer(data + 1, size - 1);
        quorix::fuzz::StreamReader<CThreadRecvVpex> reader(&peer.socket, index, CQuorixControl::_VpexOnRecv,
                                                           CQuorixControl::_VpexOnRecvError, &control);
        if (!reader.Start()) return 0;
        reader.ReadAll();
        reader.Stop();
    }
    control.VpexOnRecv(index, data + 1, int(size - 1), 0, 1);
    // A sharing start has begun the sharing transfer thread: it ends with the
    // input, so that what the input handed to it is done with before the next.
    control.DeleteDataBufferThread();
    return 0;
}

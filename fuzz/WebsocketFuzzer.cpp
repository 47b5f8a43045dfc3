// The WebSocket client's receive side: the server's upgrade reply head (with
// its header lines and body length), then frames of every length form,
// masked or not, text, binary, close and anything else, as the receive
// side's own reading cuts them from the stream.
#include <cstddef>
#include <cstdint>

#include "FuzzControl.h"
#include "tessel/TS_WebSocket.h"

namespace {

class Client : public CWSCtrl {
public:
    explicit Client(CSocketTCP* socket) : CWSCtrl(socket) {}

    // The receive side as Start leaves it, read on this thread until the
    // stream ends (the input is all there: no waits).
    void ReadAll() {
        SetProtocolType(STREAM_PROTOCOL_CRLF);
        if (!SetRecvBuff4Header(0)) return;
        for (int steps = 0; steps < (1 << 22) && RecvComplete(); ++steps) {
        }
    }

protected:
    void OnUpgradeAccepted(const uint8_t* reply, uint32_t length) override {
        quorix::fuzz::TouchBytes(reply, int(length));
        const st_header_t* h = GetHttpHeader();
        for (int i = 0; i < h->count; ++i) {
            quorix::fuzz::Touch(h->headers[i].name);
            quorix::fuzz::Touch(h->headers[i].value);
        }
    }
    void OnTextFrame(char* buffer, int length, int) override {
        if (length < 1 || buffer[length - 1] != '\0') abort();
        quorix::fuzz::TouchBytes(reinterpret_cast<uint8_t*>(buffer), length);
        Free(buffer);
    }
    void OnBinaryFrame(uint8_t* buffer, int length, int) override {
        quorix::fuzz::TouchBytes(buffer, length);
        Free(buffer);
    }
    void OnWSError(int, int, const char* text) override { quorix::fuzz::Touch(text); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quorix::fuzz::PeerBytes peer(data, size);
    Client client(&peer.socket);
    client.ReadAll();
    return 0;
}

// WebSocket client on one TCP socket: one object is both the receive side
// (the upgrade reply, then frames) and the send side (the upgrade request,
// then frames in the five priority classes) of the connection. A user
// derives from it and supplies the four event operations.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "tessel/TS_StreamThreadEx.h"

// The header lines of the upgrade reply.
struct st_header_pair {
    char* name;
    char* value;
};
struct st_header_t {
    int32_t count;
    st_header_pair* headers;
};

// Opcodes of the frames.
enum {
    WS_OPCODE_CONTINUATION = 0,
    WS_OPCODE_TEXT = 1,
    WS_OPCODE_BINARY = 2,
    WS_OPCODE_CLOSE = 8,
};

// Codes given to OnWSError.
enum {
    WS_ERR_NOT_SUPPORTED = -33,  // the upgrade was refused (number: HTTP status)
    WS_ERR_PROTOCOL = -34,       // a frame head that cannot be followed
    WS_ERR_CLOSED = -35,         // the peer closed (number: close code)
};

class CWSCtrl : public CThreadStreamRecvEx, public CThreadStreamSendEx {
public:
    // The longest URI Start accepts, and the size of ParseUri's out buffers.
    static constexpr int kMaxUri = 1023;
    // The most a reply head may take.
    static constexpr uint32_t kHeadSize = 5120;

    explicit CWSCtrl(CSocketTCP* socket);
    ~CWSCtrl() override;

    // Starts both sides and queues the upgrade request for `uri` (scheme,
    // host, optional port and path), with `extraHeaderLines` (each ended by
    // CR LF) added. With `mask`, every frame sent is masked. False when
    // started already, when the URI is too long or cannot be parsed.
    bool Start(const char* uri, const char* extraHeaderLines, bool mask);
    void Stop() override;

    // Splits `uri`; scheme, host and path need kMaxUri + 1 bytes each. A
    // missing port is 443 for https and wss, 80 for http and ws, else 0.
    static bool ParseUri(const char* uri, char* scheme, char* host, int* port, char* path);

    // Queue one final frame; false before the upgrade.
    bool SendText(const void* data, int length, unsigned cls) {
        return Send(WS_OPCODE_TEXT, data, length, cls);
    }
    bool SendBinary(const void* data, int length, unsigned cls) {
        return Send(WS_OPCODE_BINARY, data, length, cls);
    }
    // A close frame with the status 1000 (normal closure).
    bool SendClose(unsigned cls);
    bool Send(int opcode, const void* data, int length, unsigned cls);

    // The reply's header lines while the upgrade is being handled.
    const st_header_t* GetHttpHeader() const { return &m_header; }
    static void FreeHttpHeader(st_header_t* list);

    // Characters written (without the terminator), or -1 when the text and
    // its terminator do not fit.
    static int Base64Encode(const uint8_t* data, int length, char* out, int outSize);
    // Bytes written, or -1 when they do not fit; other characters are skipped.
    static int Base64Decode(const char* text, uint8_t* out, int outSize);
    static void GetRandom(uint8_t* buffer, int length);
    static void Free(void* block);

protected:
    // The upgrade was accepted; `reply` is the reply head (and body).
    virtual void OnUpgradeAccepted(const uint8_t* reply, uint32_t length) = 0;
    // A text message (delivered whole also when it came in fragments): a
    // terminated buffer that now belongs to the callee,
    // `length` counting the terminator.
    virtual void OnTextFrame(char* buffer, int length, int opcode) = 0;
    // A binary frame: the buffer now belongs to the callee.
    virtual void OnBinaryFrame(uint8_t* buffer, int length, int opcode) = 0;
    virtual void OnWSError(int code, int number, const char* text) = 0;

    int OnCheckReceivable(int) override { return 0; }
    int OnRecv(uint8_t*, int, int) override { return 0; }
    uint32_t GetHeaderSize() override;
    uint32_t GetBodySize() override { return m_uBodySize; }
    uint32_t HeaderCompleted(uint8_t* buffer, uint32_t length) override;
    uint32_t PacketCompleted(uint8_t* buffer, uint32_t length) override;
    void OnRecvError(int code, int errorNo, const char* text) override { OnWSError(code, errorNo, text); }
    int OnSend(const uint8_t*, int, int) override { return -1; }
    void OnCompleteBuffer(void* data) override { Free(data); }
    void OnSendError(int code, int errorNo, const char* text) override { OnWSError(code, errorNo, text); }

private:
    void ParseReplyHead(const char* head);
    uint32_t FrameHeaderCompleted(const uint8_t* head, uint32_t length);
    void FrameCompleted(const uint8_t* frame, uint32_t length);
    // Hands one whole message (or a close frame) to its operation; other
    // opcodes and empty data messages are ignored.
    void Deliver(int opcode, const uint8_t* payload, uint32_t size, const uint8_t* key);

    int m_iStatus;
    bool m_bStarted;
    uint32_t m_uBodySize;
    st_header_t m_header;
    std::atomic<bool> m_bUpgraded;
    bool m_bMask;
    // The message being received in fragments and its opcode (0: none).
    std::vector<uint8_t> m_message;
    int m_iMessageOpcode;
};

// Send and receive threads of one media-relay connection (index 0 to 4).
// The framing is that of the conference connection; in addition the receive
// thread strips the footer 0x1509FA97 that ends the messages 4, 13, 14,
// 0x1009 and 0x100A and the piece trailer {index, count} in front of the
// footer of 0x1009 and 0x100A, and when a footer is missing it drops the
// packet and resynchronises on the next footer in the stream.
#pragma once

#include <atomic>
#include <cstdint>

#include "network/ThreadConf.h"

constexpr uint32_t VPEX_FOOTER_MAGIC = 0x1509FA97;
// Size of each read while looking for a footer.
constexpr int VPEX_RESYNC_CHUNK = 2048;

using VPEX_RECV_CALLBACK = void (*)(int index, uint8_t* packet, int length, void* user, int pieceIndex,
                                    int pieceCount);
using VPEX_ERROR_CALLBACK = void (*)(int index, int code, int errorNo, const char* text, void* user);
using VPEX_IDLE_CALLBACK = void (*)(int index, void* user);

class CThreadRecvVpex : public CThreadRecvFramed {
public:
    CThreadRecvVpex(CSocketTCP* socket, int index, VPEX_RECV_CALLBACK onRecv, VPEX_ERROR_CALLBACK onError,
                    void* user);
    ~CThreadRecvVpex() override;

    // Strips footer and piece trailer from the packet in the current buffer;
    // false when the packet has lost its framing (footer missing, or a body
    // too short to hold footer and trailer).
    bool CheckFooter(int* pieceCount, int* pieceIndex);
    // The offset of the last footer in `bytes`, searched from the end.
    static bool SearchFooter(const uint8_t* bytes, int count, int* offset);
    // Makes the `count` bytes after a found footer the start of the next
    // packet; false when they cannot begin one.
    bool RestoreBuffer(const uint8_t* start, int count);

protected:
    void PacketCompleted() override;
    void OnError(int code, int errorNo, const char* text) override;

private:
    void Resynchronise();

    VPEX_RECV_CALLBACK m_onRecv;
    VPEX_ERROR_CALLBACK m_onError;
    void* m_pUser;
    int m_iIndex;
};

class CThreadSendVpex : public CThreadSendFramed {
public:
    CThreadSendVpex(CSocketTCP* socket, int index, uint32_t idleMs, VPEX_ERROR_CALLBACK onError,
                    VPEX_IDLE_CALLBACK onIdle, void* user);
    ~CThreadSendVpex() override;

    // The bandwidth the conference server assigned, in kbps (-1 until set).
    void SetBandWidth(int kbps) { m_iBandWidth.store(kbps, std::memory_order_relaxed); }
    int GetBandWidth() const { return m_iBandWidth.load(std::memory_order_relaxed); }

protected:
    void OnError(int code, int errorNo, const char* text) override;
    void OnTimeHasPassed() override;

private:
    VPEX_ERROR_CALLBACK m_onError;
    VPEX_IDLE_CALLBACK m_onIdle;
    void* m_pUser;
    int m_iIndex;
    std::atomic<int> m_iBandWidth;
};

#include "network/ThreadVpex.h"

#include <cerrno>
#include <vector>

#include "common/LLog.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {
// Relay messages that end in the footer, and those of them that carry the
// piece trailer {index u16, count u16} in front of it.
bool HasFooter(uint32_t id) {
    return id == 4 || id == 13 || id == 14 || id == 0x1009 || id == 0x100A;
}
bool HasPieceTrailer(uint32_t id) {
    return id == 0x1009 || id == 0x100A;
}

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

void WriteU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// How long one readiness wait of the resynchronisation lasts; a time-out only
// starts the next turn.
constexpr int kResyncWaitMs = 10000;
}  // namespace

// ---------------------------------------------------------------------------
// Receive thread

CThreadRecvVpex::CThreadRecvVpex(CSocketTCP* socket, int index, VPEX_RECV_CALLBACK onRecv,
                                 VPEX_ERROR_CALLBACK onError, void* user)
    : CThreadRecvFramed(socket), m_onRecv(onRecv), m_onError(onError), m_pUser(user), m_iIndex(index) {}

CThreadRecvVpex::~CThreadRecvVpex() {
    Stop();
}

bool CThreadRecvVpex::CheckFooter(int* pieceCount, int* pieceIndex) {
    const uint32_t id = StreamHeaderWord(m_pBuffer, 0);
    if (!HasFooter(id)) return true;
    // The body must hold the footer (and the trailer) itself: a shorter body
    // is a framing error, never a length that wraps below zero.
    const uint32_t body = m_uLength - STREAM_HEADER_SIZE;
    const uint32_t needed = HasPieceTrailer(id) ? 8 : 4;
    if (body < needed || StreamHeaderWord(m_pBuffer, m_uLength - 4) != VPEX_FOOTER_MAGIC) return false;
    m_uLength -= 4;
    if (HasPieceTrailer(id)) {
        *pieceIndex = ReadU16(m_pBuffer + m_uLength - 4);
        *pieceCount = ReadU16(m_pBuffer + m_uLength - 2);
        m_uLength -= 4;
    }
    WriteU32(m_pBuffer + 4, m_uLength - STREAM_HEADER_SIZE);
    return true;
}

bool CThreadRecvVpex::SearchFooter(const uint8_t* bytes, int count, int* offset) {
    for (int i = count - 4; i >= 0; --i) {
        if (StreamHeaderWord(bytes, static_cast<unsigned>(i)) == VPEX_FOOTER_MAGIC) {
            *offset = i;
            return true;
        }
    }
    return false;
}

bool CThreadRecvVpex::RestoreBuffer(const uint8_t* start, int count) {
    return count >= 0 && RestorePacket(start, static_cast<uint32_t>(count));
}

void CThreadRecvVpex::Resynchronise() {
    // Bytes already read behind the dropped packet come first.
    std::vector<uint8_t> chunk = TakeCarry();
    bool fromMemory = !chunk.empty();
    std::vector<uint8_t> scratch(VPEX_RESYNC_CHUNK);
    while (IsContinue()) {
        const uint8_t* bytes = chunk.data();
        int count = static_cast<int>(chunk.size());
        if (!fromMemory) {
            const int rc = m_pSocket->CheckReceivable(kResyncWaitMs);
            if (rc == SOCK_ERR_TIMEOUT) continue;
            if (rc != 0) {
                // An interrupted wait is no failure: the turn begins again,
                // and when the thread is being stopped the loop ends quietly.
                if (rc == SOCK_ERR_SELECT && m_pSocket->GetErrorNoRecv() == EINTR) continue;
                OnError(rc, m_pSocket->GetErrorNoRecv(), m_pSocket->GetErrorMsgRecv());
                m_bAbort = true;
                return;
            }
            count = m_pSocket->Recv(scratch.data(), VPEX_RESYNC_CHUNK, 0);
            if (count < 0) {
                OnError(count, m_pSocket->GetErrorNoRecv(), m_pSocket->GetErrorMsgRecv());
                m_bAbort = true;
                return;
            }
            bytes = scratch.data();
        }
        fromMemory = false;
        // Try the footers from the last one backwards: a footer whose
        // following bytes cannot begin a packet was part of some payload.
        int end = count;
        int offset = 0;
        while (end >= 4 && SearchFooter(bytes, end, &offset)) {
            if (RestoreBuffer(bytes + offset + 4, count - offset - 4)) {
                CLLog::writeFormat(CLLog::INF, "Footer check has been restored[Type:%d].\n", m_iIndex);
                return;
            }
            end = offset + 3;
        }
    }
}

void CThreadRecvVpex::PacketCompleted() {
    if (bError()) return;
    int pieceIndex = 0;
    int pieceCount = 1;
    if (!CheckFooter(&pieceCount, &pieceIndex)) {
        CLLog::writeFormat(CLLog::WRN, "Footer check error[Type:%d MSG:0x%04X].\n", m_iIndex,
                           StreamHeaderWord(m_pBuffer, 0));
        Resynchronise();
        return;
    }
    if (m_onRecv != nullptr) {
        m_onRecv(m_iIndex, m_pBuffer, static_cast<int>(m_uLength), m_pUser, pieceIndex, pieceCount);
    }
}

void CThreadRecvVpex::OnError(int code, int errorNo, const char* text) {
    if (RaiseError() && m_onError != nullptr) m_onError(m_iIndex, code, errorNo, text, m_pUser);
}

// ---------------------------------------------------------------------------
// Send thread

CThreadSendVpex::CThreadSendVpex(CSocketTCP* socket, int index, uint32_t idleMs, VPEX_ERROR_CALLBACK onError,
                                 VPEX_IDLE_CALLBACK onIdle, void* user)
    : CThreadSendFramed(socket, idleMs),
      m_onError(onError),
      m_onIdle(onIdle),
      m_pUser(user),
      m_iIndex(index),
      m_iBandWidth(-1) {}

CThreadSendVpex::~CThreadSendVpex() {
    Stop();
}

void CThreadSendVpex::OnError(int code, int errorNo, const char* text) {
    if (RaiseError() && m_onError != nullptr) m_onError(m_iIndex, code, errorNo, text, m_pUser);
}

void CThreadSendVpex::OnTimeHasPassed() {
    if (m_onIdle != nullptr) m_onIdle(m_iIndex, m_pUser);
}

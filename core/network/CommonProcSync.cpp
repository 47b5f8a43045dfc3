// The parts of CCommonProc that talk to a socket: the key exchange, the
// synchronous receive of the login and the proxy's reply head.
#include <sys/socket.h>

#include <cstring>

#include "network/CommonProc.h"
#include "crypto/DiffieHellman.h"
#include "crypto/aes.h"
#include "tessel/TS_Common.h"
#include "tessel/TS_Socket.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t Le64(const uint8_t* p) {
    return uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32;
}
void PutLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutLe64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}

}  // namespace

bool CCommonProc::ExchangeKey(CSocketTCP* socket, AES_INFO* pair) {
    if (!socket || !pair) return false;

    CDH dh;
    uint64_t g = 0, n = 0, A = 0;
    dh.CreateKeys(g, n);
    dh.CreateSenderInterKey(A);
    if (dh.RandomFailed()) return false;  // no secret to offer

    uint8_t request[KEY_EXCHANGE_REQ_SIZE] = {};
    PutLe32(request, KEY_EXCHANGE_ID);
    PutLe64(request + 8, A);
    PutLe64(request + 16, g);
    PutLe64(request + 24, n);
    if (socket->Send(request, KEY_EXCHANGE_REQ_SIZE, MSG_NOSIGNAL) != KEY_EXCHANGE_REQ_SIZE) return false;

    uint8_t* reply = SyncRecvPacket(socket, KEY_EXCHANGE_RES_SIZE);
    if (!reply) return false;
    const uint32_t id = Le32(reply);
    const uint32_t level = Le32(reply + 4);
    const uint64_t B = Le64(reply + 8);
    __free__(reply);
    if (id != KEY_EXCHANGE_ID) return false;
    if (level < 1 || level > 3) return true;  // the server wants plain bodies

    uint64_t K = 0;
    dh.CreateSenderEncryptionKey(K, B);
    char keyText[KEY_TEXT_LENGTH + 1];
    MakeKeyText(K, keyText);

    AES_INFO fresh;
    fresh.pSend = aes_get_handle();
    fresh.pRecv = aes_get_handle();
    const int keyBytes = static_cast<int>(level) * 8 + 8;
    if (!fresh.pSend || !fresh.pRecv || aes_set_key(fresh.pSend, keyText, KEY_TEXT_LENGTH, keyBytes) != 1 ||
        aes_set_key(fresh.pRecv, keyText, KEY_TEXT_LENGTH, keyBytes) != 1) {
        FreeKey(&fresh);
        FreeKey(pair);
        return false;
    }
    FreeKey(pair);
    *pair = fresh;
    return true;
}

int CCommonProc::SyncRecvData(CSocketTCP* socket, uint8_t* buffer, int length) {
    if (!socket) return SOCK_ERR_NO_SOCKET;
    if (!buffer || length < 0) return SOCK_ERR_BAD_ARG;
    int received = 0;
    while (received < length) {
        int rc = socket->CheckReceivable(GetSyncWaitMs());
        if (rc != 0) return rc;
        rc = socket->Recv(buffer + received, length - received, 0);
        if (rc < 0) return rc;
        received += rc;
    }
    return 0;
}

uint8_t* CCommonProc::SyncRecvPacket(CSocketTCP* socket, int size) {
    // The length comes from the network: bound it before allocating.
    if (!socket || size < 1 || size > MAX_SYNC_RECV_SIZE) return nullptr;
    uint8_t* buffer = static_cast<uint8_t*>(__malloc__(static_cast<size_t>(size)));
    if (!buffer) return nullptr;
    if (SyncRecvData(socket, buffer, size) != 0) {
        __free__(buffer);
        return nullptr;
    }
    return buffer;
}

int CCommonProc::SyncSendPacket(CSocketTCP* socket, const uint8_t* data, int length, int flags) {
    if (!socket) return SOCK_ERR_NO_SOCKET;
    return socket->Send(data, length, flags);
}

bool CCommonProc::ProxyHTTPRequestHeadRecv(CSocketTCP* socket, char** buffer, int size) {
    if (!socket || !buffer || !*buffer || size <= 0) return false;
    static const char kBlankLine[] = "\r\n\r\n";
    int received = 0;
    (*buffer)[0] = '\0';
    for (;;) {
        int rc = socket->CheckReceivable(GetSyncWaitMs());
        if (rc != 0) {
            DTrace(TS_LOG_DEBUG, "Response from the proxy timeout or error(RET:%d CODE:%d MSG:%s).\n", rc,
                   socket->GetErrorNo(), socket->GetErrorMsg());
            return false;
        }
        rc = socket->Recv(*buffer + received, size - 1 - received, 0);
        if (rc < 0) {
            DTrace(TS_LOG_DEBUG, "Failed to recv from Proxy(RET:%d CODE:%d MSG:%s).\n", rc,
                   socket->GetErrorNo(), socket->GetErrorMsg());
            return false;
        }
        received += rc;
        (*buffer)[received] = '\0';
        // The head may carry any bytes, NUL included: search the received length.
        if (memmem(*buffer, static_cast<size_t>(received), kBlankLine, 4) != nullptr) return true;
        if (received == size - 1) {
            if (size > PROXY_HEAD_MAX_SIZE / 2) {
                DTrace(TS_LOG_DEBUG, "Response head from the proxy exceeds %d bytes.\n", PROXY_HEAD_MAX_SIZE);
                return false;
            }
            char* grown = static_cast<char*>(__realloc__(*buffer, static_cast<size_t>(size) * 2));
            if (!grown) return false;
            std::memset(grown + size, 0, static_cast<size_t>(size));
            *buffer = grown;
            size *= 2;
        }
    }
}

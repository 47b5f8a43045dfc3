// Helpers of the connection layer around its sockets: the key exchange that
// opens every connection and the key changes the servers order later, body
// encryption with a connection's cipher pair, synchronous receiving during
// the login, the proxy's reply to a CONNECT request, the microphone level and
// JSON item reading.
//
// Key exchange on the wire (little-endian, plain):
//   request, client to server, 32 bytes: u32 0x2000, u32 0, u64 A, u64 g, u64 n
//   reply, server to client, 16 bytes:   u32 0x2000, u32 key level, u64 B
// Key level 1, 2 or 3 selects AES-128, -192 or -256 under the key text made
// from the shared value; any other level leaves the connection unencrypted.
#pragma once

#include <cstdint>

class CQXCrypt;
class CSocketTCP;
struct json_object;

// The cipher pair of one connection; both handles carry the same key. A pair
// without handles means bodies travel as they are.
struct AES_INFO {
    CQXCrypt* pSend = nullptr;  // encrypts outgoing bodies
    CQXCrypt* pRecv = nullptr;  // decrypts incoming bodies
};

class CCommonProc {
public:
    enum {
        KEY_EXCHANGE_ID = 0x2000,
        KEY_EXCHANGE_REQ_SIZE = 32,
        KEY_EXCHANGE_RES_SIZE = 16,
        KEY_TEXT_LENGTH = 8,
        SYNC_WAIT_MS = 10000,         // each readiness wait of the synchronous receive
        MAX_SYNC_RECV_SIZE = 399984,  // the largest body a connection accepts
        PROXY_HEAD_MAX_SIZE = 65536,  // a proxy reply head may not grow beyond this
    };

    // --- keys ---------------------------------------------------------------
    // Runs the exchange on a connected socket in blocking mode; the primes and
    // the private exponent are new random numbers every time. A level of 1
    // to 3 replaces the pair by two new handles keyed with the agreed key
    // text; any other level answers true and leaves the pair as it was. False
    // when no random numbers can be had, the request cannot be sent, the
    // reply is missing or has another id, or the handles cannot be created
    // and keyed (the pair is then empty).
    static bool ExchangeKey(CSocketTCP* socket, AES_INFO* pair);
    // Keys a new pair with `keyText` (up to its terminator) at `level` 1 to 3.
    // False for another level (nothing changes) and when a handle cannot be
    // created or keyed (the pair is then empty). The caller frees the old
    // handles first.
    static bool ChangeKey(int level, const char* keyText, AES_INFO* pair);
    // The eight-character key text of a shared value: character i is the
    // table character at ((K >> 8i) & 0xFF) mod 62; `text` gets a terminator.
    static void MakeKeyText(uint64_t shared, char text[KEY_TEXT_LENGTH + 1]);
    // Frees both handles of the pair (send first) and leaves it empty.
    static void FreeKey(AES_INFO* pair);

    // --- bodies (under the connection's cipher lock) --------------------------
    static int QuorixEncryptSize(CQXCrypt* handle, int length);
    // True at once, writing nothing, without source or for length <= 0. With
    // a handle encrypts (destination holds QuorixEncryptSize bytes), without
    // one copies; `written` (optional) gets the byte count.
    static bool QuorixEncryptt(CQXCrypt* handle, const uint8_t* source, int length, uint8_t* destination,
                               int* written);
    // With a handle decrypts `length` bytes into destination (capacity
    // `length`), false for anything inconsistent; without one copies.
    static bool QuorixDecrypt(CQXCrypt* handle, const uint8_t* source, int length, uint8_t* destination,
                              int* plainLength);

    // --- synchronous I/O (login, blocking socket) ------------------------------
    // A new buffer (__malloc__) of `size` bytes filled completely, or nullptr;
    // sizes below 1 or above MAX_SYNC_RECV_SIZE are refused before allocating.
    static uint8_t* SyncRecvPacket(CSocketTCP* socket, int size);
    // 0 once `length` bytes have arrived, else the socket's code of the failing
    // wait (-20, -21) or receive (-13, -19, ...).
    static int SyncRecvData(CSocketTCP* socket, uint8_t* buffer, int length);
    static int SyncSendPacket(CSocketTCP* socket, const uint8_t* data, int length, int flags);

    // --- proxy replies ----------------------------------------------------------
    // Reads a proxy's reply head (up to the blank line) into *buffer, a
    // zero-filled __malloc__ block of `size` bytes that may be replaced by a
    // larger one (at most PROXY_HEAD_MAX_SIZE); the caller frees *buffer with
    // __free__ in any case. The text stays terminated.
    static bool ProxyHTTPRequestHeadRecv(CSocketTCP* socket, char** buffer, int size);
    static bool CharacterSearch(const char* text, const char* pattern);
    // The number between the first and second space of a status line, -1
    // when either space is missing; ends `text` at the second space.
    static int ProxyHTTPStatusCode(char* text);

    // --- others -------------------------------------------------------------------
    // Peak level 0 to 100 of 16-bit PCM; a gain other than 1 is applied to the
    // samples in place (clipped to +-32760).
    static int GetAudioWaveVolume(int16_t* samples, int bytes, double gain);
    static const char* GetJsonItemString(json_object* json, const char* group, const char* key);
    static int GetJsonItemInt(json_object* json, const char* group,
                              const char* key);  // INT32_MAX when missing
    static bool GetJsonItemBool(json_object* json, const char* group, const char* key);
    static void ParseIPv4Addr(const char* text, int* port, int defaultPort);

    // Test hook: the readiness wait of the synchronous receive and the proxy
    // reply (SYNC_WAIT_MS unless changed).
    static void SetSyncWaitMs(int ms);
    static int GetSyncWaitMs();
};

#include "tessel/TS_WebSocket.h"

#include <sys/random.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tessel/TS_Common.h"

namespace {
const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The close code reported when a close frame carries none.
constexpr int kNoStatusCode = 1005;
constexpr uint8_t kNormalClosure[] = {0x03, 0xE8};  // 1000, network byte order

char* CopyTrimmed(const char* begin, const char* end) {
    while (begin < end && isspace(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && isspace(static_cast<unsigned char>(end[-1]))) --end;
    auto* text = static_cast<char*>(__malloc__(static_cast<size_t>(end - begin) + 1));
    if (text == nullptr) return nullptr;
    memcpy(text, begin, static_cast<size_t>(end - begin));
    text[end - begin] = 0;
    return text;
}

// The status number of a "HTTP/1.1 <number>" line; 0 when there is none or
// it does not fit an int (never a wrapped value that could read as 101).
int ReadStatus(const char* head) {
    static const char kPrefix[] = "HTTP/1.1 ";
    if (strncmp(head, kPrefix, sizeof kPrefix - 1) != 0) return 0;
    const char* p = head + sizeof kPrefix - 1;
    while (*p == ' ' || *p == '\t') ++p;
    const char* end = p + strlen(p);
    int status = 0;
    const auto result = std::from_chars(p, end, status);
    return result.ec == std::errc() ? status : 0;
}

// Size of a frame head: 2 bytes, the mask key, the extended length.
uint32_t FrameHeadSize(uint8_t second) {
    const uint32_t len7 = second & 0x7F;
    return 2 + ((second & 0x80) != 0 ? 4 : 0) + (len7 == 126 ? 2 : len7 == 127 ? 8 : 0);
}
}  // namespace

CWSCtrl::CWSCtrl(CSocketTCP* socket)
    : CThreadStreamRecvEx(socket),
      CThreadStreamSendEx(socket),
      m_iStatus(0),
      m_bStarted(false),
      m_uBodySize(0),
      m_header{0, nullptr},
      m_bUpgraded(false),
      m_bMask(false),
      m_iMessageOpcode(0) {}

CWSCtrl::~CWSCtrl() {
    CWSCtrl::Stop();
}

bool CWSCtrl::ParseUri(const char* uri, char* scheme, char* host, int* port, char* path) {
    if (uri == nullptr || strlen(uri) > static_cast<size_t>(kMaxUri)) return false;
    *port = 0;
    path[0] = 0;
    bool withPort = true;
    if (sscanf(uri, "%1023[^:]://%1023[^:/]:%d/%1023s", scheme, host, port, path) != 4 &&
        sscanf(uri, "%1023[^:]://%1023[^:/]:%d", scheme, host, port) != 3) {
        withPort = false;
        path[0] = 0;
        if (sscanf(uri, "%1023[^:]://%1023[^:/]/%1023s", scheme, host, path) != 3 &&
            sscanf(uri, "%1023[^:]://%1023[^:/]", scheme, host) != 2) {
            return false;
        }
    }
    if (!withPort) {
        if (strncmp(scheme, "https", 5) == 0 || strncmp(scheme, "wss", 3) == 0) {
            *port = 443;
        } else if (strncmp(scheme, "http", 4) == 0 || strncmp(scheme, "ws", 2) == 0) {
            *port = 80;
        } else {
            *port = 0;
        }
    }
    return true;
}

bool CWSCtrl::Start(const char* uri, const char* extraHeaderLines, bool mask) {
    if (m_bStarted || uri == nullptr || strlen(uri) > static_cast<size_t>(kMaxUri)) return false;
    char scheme[kMaxUri + 1];
    char host[kMaxUri + 1];
    char path[kMaxUri + 1];
    int port = 0;
    if (!ParseUri(uri, scheme, host, &port, path)) return false;

    m_bMask = mask;
    m_bUpgraded = false;
    m_uBodySize = 0;
    SetProtocolType(STREAM_PROTOCOL_CRLF);
    if (!CThreadStreamRecvEx::Start()) return false;
    if (!CThreadStreamSendEx::Start()) {
        CThreadStreamRecvEx::Stop();
        return false;
    }
    m_bStarted = true;

    uint8_t nonce[16];
    GetRandom(nonce, sizeof nonce);
    char key[32];
    Base64Encode(nonce, sizeof nonce, key, sizeof key);
    const char* extra = extraHeaderLines != nullptr ? extraHeaderLines : "";
    const char* format =
        "GET /%s HTTP/1.1\r\nHost: %s:%d\r\nPragma: no-cache\r\nCache-Control: no-cache\r\n"
        "Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n"
        "%s\r\n";
    const int length = snprintf(nullptr, 0, format, path, host, port, key, extra);
    auto* request = static_cast<char*>(__malloc__(static_cast<size_t>(length) + 1));
    if (request == nullptr) return false;
    snprintf(request, static_cast<size_t>(length) + 1, format, path, host, port, key, extra);
    if (!CThreadStreamSendEx::Send(request, length, 0)) {
        Free(request);
        return false;
    }
    return true;
}

void CWSCtrl::Stop() {
    if (!m_bStarted) return;
    // The receive side goes first: it is the one that uses the reply state.
    CThreadStreamRecvEx::Stop();
    m_iStatus = 0;
    m_uBodySize = 0;
    FreeHttpHeader(&m_header);
    m_bUpgraded = false;
    m_message.clear();
    m_iMessageOpcode = 0;
    CThreadStreamSendEx::Stop();
    m_bStarted = false;
}

uint32_t CWSCtrl::GetHeaderSize() {
    return m_bUpgraded ? 2 : kHeadSize;
}

void CWSCtrl::ParseReplyHead(const char* head) {
    m_iStatus = ReadStatus(head);
    const char* line = strstr(head, "\r\n");
    while (line != nullptr) {
        line += 2;
        const char* end = strstr(line, "\r\n");
        if (end == nullptr) end = line + strlen(line);
        const char* colon = compat_strnstr(line, ":", static_cast<size_t>(end - line));
        if (colon != nullptr) {
            auto* grown = static_cast<st_header_pair*>(__realloc__(
                m_header.headers, sizeof(st_header_pair) * (static_cast<size_t>(m_header.count) + 1)));
            if (grown == nullptr) return;
            m_header.headers = grown;
            st_header_pair& pair = grown[m_header.count];
            pair.name = CopyTrimmed(line, colon);
            pair.value = CopyTrimmed(colon + 1, end);
            if (pair.name == nullptr || pair.value == nullptr) {
                Free(pair.name);
                Free(pair.value);
                return;
            }
            ++m_header.count;
            if (compat_strcasecmp(pair.name, "Content-Length") == 0) {
                const long long n = strtoll(pair.value, nullptr, 10);
                m_uBodySize =
                    n > 0 && n <= kMaxPacket ? static_cast<uint32_t>(n) : (n > 0 ? kMaxPacket + 1 : 0);
            }
        }
        line = *end != 0 ? end : nullptr;
    }
}

uint32_t CWSCtrl::FrameHeaderCompleted(const uint8_t* head, uint32_t length) {
    const uint32_t size = FrameHeadSize(head[1]);
    if (length < size) return size - length;
    if (length > size) {
        OnWSError(WS_ERR_PROTOCOL, 0, "WebSocket Protocol error.");
        AbortRecv();
        return 0;
    }
    uint64_t payload = head[1] & 0x7F;
    if (payload == 126) {
        payload = static_cast<uint64_t>(head[2]) << 8 | head[3];
    } else if (payload == 127) {
        payload = 0;
        for (int i = 0; i < 8; ++i) payload = payload << 8 | head[2 + i];
    }
    // Lengths of 2^31 and more are refused, and so is anything the receive
    // buffer may not grow to.
    if (payload >= 0x80000000ull || payload > kMaxPacket - size) {
        OnWSError(WS_ERR_PROTOCOL, 0, "Unsupported payload size.");
        AbortRecv();
        return 0;
    }
    m_uBodySize = static_cast<uint32_t>(payload);
    return 0;
}

uint32_t CWSCtrl::HeaderCompleted(uint8_t* buffer, uint32_t length) {
    if (m_bUpgraded) return FrameHeaderCompleted(buffer, length);
    ParseReplyHead(reinterpret_cast<const char*>(buffer));
    if (m_uBodySize > kMaxPacket) {
        OnWSError(WS_ERR_PROTOCOL, 0, "Unsupported payload size.");
        AbortRecv();
    }
    return 0;
}

void CWSCtrl::FrameCompleted(const uint8_t* frame, uint32_t length) {
    const bool final = (frame[0] & 0x80) != 0;
    const int opcode = frame[0] & 0x0F;
    const uint32_t headSize = FrameHeadSize(frame[1]);
    const uint8_t* key = (frame[1] & 0x80) != 0 ? frame + headSize - 4 : nullptr;
    const uint8_t* payload = frame + headSize;
    const uint32_t size = length - headSize;
    const bool data = opcode == WS_OPCODE_TEXT || opcode == WS_OPCODE_BINARY;
    if (opcode != WS_OPCODE_CONTINUATION && !(data && !final)) {
        Deliver(opcode, payload, size, key);
        return;
    }
    // A message in fragments: its first frame (text or binary, not final),
    // continuation frames, the last one final; control frames may come in
    // between. The message is delivered whole once complete.
    if (opcode == WS_OPCODE_CONTINUATION && m_iMessageOpcode == 0) return;  // nothing begun
    if (opcode != WS_OPCODE_CONTINUATION) {
        m_message.clear();
        m_iMessageOpcode = opcode;
    }
    if (m_message.size() + size > kMaxPacket) {
        m_message.clear();
        m_iMessageOpcode = 0;
        OnWSError(WS_ERR_PROTOCOL, 0, "Unsupported payload size.");
        AbortRecv();
        return;
    }
    const size_t at = m_message.size();
    m_message.resize(at + size);
    for (uint32_t i = 0; i < size; ++i)
        m_message[at + i] = key != nullptr ? payload[i] ^ key[i % 4] : payload[i];
    if (!final) return;
    const int messageOpcode = m_iMessageOpcode;
    m_iMessageOpcode = 0;
    std::vector<uint8_t> message;
    message.swap(m_message);
    Deliver(messageOpcode, message.data(), static_cast<uint32_t>(message.size()), nullptr);
}

void CWSCtrl::Deliver(int opcode, const uint8_t* payload, uint32_t size, const uint8_t* key) {
    if (opcode != WS_OPCODE_TEXT && opcode != WS_OPCODE_BINARY && opcode != WS_OPCODE_CLOSE) return;
    if (size == 0 && opcode != WS_OPCODE_CLOSE) return;

    auto* plain = static_cast<uint8_t*>(__malloc__(size + 1));
    if (plain == nullptr) return;
    for (uint32_t i = 0; i < size; ++i) plain[i] = key != nullptr ? payload[i] ^ key[i % 4] : payload[i];
    plain[size] = 0;
    if (opcode == WS_OPCODE_TEXT) {
        OnTextFrame(reinterpret_cast<char*>(plain), static_cast<int>(size + 1), opcode);
    } else if (opcode == WS_OPCODE_BINARY) {
        OnBinaryFrame(plain, static_cast<int>(size), opcode);
    } else {
        // A close frame may come without status code (and reason).
        const int code = size >= 2 ? plain[0] << 8 | plain[1] : kNoStatusCode;
        const std::string reason = size > 2 ? std::string(reinterpret_cast<char*>(plain) + 2) : std::string();
        const std::string text = "websocket connection closed(" + reason + ").";
        Free(plain);
        OnWSError(WS_ERR_CLOSED, code, text.c_str());
    }
}

uint32_t CWSCtrl::PacketCompleted(uint8_t* buffer, uint32_t length) {
    if (m_bUpgraded) {
        FrameCompleted(buffer, length);
    } else if (m_iStatus == 101) {
        m_bUpgraded = true;
        SetProtocolType(STREAM_PROTOCOL_SEGMENT);
        OnUpgradeAccepted(buffer, length);
    } else {
        OnWSError(WS_ERR_NOT_SUPPORTED, m_iStatus, "websocket is not supported.");
    }
    m_uBodySize = 0;
    FreeHttpHeader(&m_header);
    return 0;
}

bool CWSCtrl::Send(int opcode, const void* data, int length, unsigned cls) {
    if (!m_bUpgraded || length < 0 || (length > 0 && data == nullptr)) return false;
    const size_t lengthBytes = length < 126 ? 0 : length <= 0xFFFF ? 2 : 8;
    const size_t head = 2 + lengthBytes + (m_bMask ? 4 : 0);
    auto* frame = static_cast<uint8_t*>(__malloc__(head + static_cast<size_t>(length)));
    if (frame == nullptr) return false;
    frame[0] = static_cast<uint8_t>(0x80 | (opcode & 0x0F));
    frame[1] = static_cast<uint8_t>(lengthBytes == 0 ? length : lengthBytes == 2 ? 126 : 127);
    for (size_t i = 0; i < lengthBytes; ++i) {
        frame[2 + i] = static_cast<uint8_t>(static_cast<uint64_t>(length) >> (8 * (lengthBytes - 1 - i)));
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint8_t* payload = frame + head;
    if (m_bMask) {
        frame[1] |= 0x80;
        uint8_t* key = payload - 4;
        GetRandom(key, 4);
        for (int i = 0; i < length; ++i) payload[i] = bytes[i] ^ key[i % 4];
    } else if (length > 0) {
        memcpy(payload, bytes, static_cast<size_t>(length));
    }
    if (!CThreadStreamSendEx::Send(frame, static_cast<int>(head) + length, cls)) {
        Free(frame);
        return false;
    }
    return true;
}

bool CWSCtrl::SendClose(unsigned cls) {
    return Send(WS_OPCODE_CLOSE, kNormalClosure, sizeof kNormalClosure, cls);
}

void CWSCtrl::FreeHttpHeader(st_header_t* list) {
    if (list == nullptr) return;
    for (int32_t i = 0; i < list->count; ++i) {
        Free(list->headers[i].name);
        Free(list->headers[i].value);
    }
    Free(list->headers);
    list->headers = nullptr;
    list->count = 0;
}

int CWSCtrl::Base64Encode(const uint8_t* data, int length, char* out, int outSize) {
    if (length < 0 || (length > 0 && data == nullptr) || out == nullptr) return -1;
    const long long needed = (static_cast<long long>(length) + 2) / 3 * 4;
    if (needed + 1 > outSize) return -1;
    int n = 0;
    for (int i = 0; i < length; i += 3) {
        const int rest = length - i;
        const uint32_t v = static_cast<uint32_t>(data[i]) << 16 | (rest > 1 ? data[i + 1] << 8 : 0) |
                           (rest > 2 ? data[i + 2] : 0);
        out[n++] = kBase64[v >> 18 & 63];
        out[n++] = kBase64[v >> 12 & 63];
        out[n++] = rest > 1 ? kBase64[v >> 6 & 63] : '=';
        out[n++] = rest > 2 ? kBase64[v & 63] : '=';
    }
    out[n] = 0;
    return n;
}

int CWSCtrl::Base64Decode(const char* text, uint8_t* out, int outSize) {
    if (text == nullptr || out == nullptr) return -1;
    uint32_t bits = 0;
    int count = 0;
    int n = 0;
    for (const char* p = text; *p != 0; ++p) {
        const char* at = *p != '=' ? strchr(kBase64, *p) : nullptr;
        if (at == nullptr) continue;
        bits = bits << 6 | static_cast<uint32_t>(at - kBase64);
        if (++count == 4) {
            if (n + 3 > outSize) return -1;
            out[n++] = static_cast<uint8_t>(bits >> 16);
            out[n++] = static_cast<uint8_t>(bits >> 8);
            out[n++] = static_cast<uint8_t>(bits);
            bits = 0;
            count = 0;
        }
    }
    // A last group of 2 or 3 characters gives 1 or 2 bytes.
    if (count >= 2) {
        const int bytes = count - 1;
        if (n + bytes > outSize) return -1;
        bits <<= 6 * (4 - count);
        out[n++] = static_cast<uint8_t>(bits >> 16);
        if (bytes == 2) out[n++] = static_cast<uint8_t>(bits >> 8);
    }
    return n;
}

void CWSCtrl::GetRandom(uint8_t* buffer, int length) {
    // Keys and masks must not be predictable: the kernel's generator.
    int done = 0;
    while (done < length) {
        const ssize_t n = getrandom(buffer + done, static_cast<size_t>(length - done), 0);
        if (n <= 0) break;
        done += static_cast<int>(n);
    }
    for (; done < length; ++done) buffer[done] = static_cast<uint8_t>(rand());
}

void CWSCtrl::Free(void* block) {
    __free__(block);
}

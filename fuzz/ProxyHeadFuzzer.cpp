// A proxy's reply to the CONNECT request: the head is read up to its blank
// line into a buffer that grows (from the first input byte's size) up to its
// cap, then its status number is taken from the status line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzControl.h"
#include "tessel/TS_Common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CCommonProc::SetSyncWaitMs(1000);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int initial = 1 + data[0] * 8;  // 1 to 2041 bytes, as callers choose
    quorix::fuzz::PeerBytes peer(data + 1, size - 1);
    char* buffer = static_cast<char*>(__malloc__(size_t(initial)));
    std::memset(buffer, 0, size_t(initial));
    const bool complete = CCommonProc::ProxyHTTPRequestHeadRecv(&peer.socket, &buffer, initial);
    const size_t length = std::strlen(buffer);  // the text stays terminated
    if (length >= size_t(CCommonProc::PROXY_HEAD_MAX_SIZE)) std::abort();
    if (complete) CCommonProc::ProxyHTTPStatusCode(buffer);
    quorix::fuzz::Count(uint32_t(length));
    __free__(buffer);
    return 0;
}

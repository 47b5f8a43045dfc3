#include "network/CommonProc.h"

#include <json-c/json.h>

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "crypto/aes.h"

namespace {

constexpr char kKeyTextTable[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::atomic<int> g_syncWaitMs{CCommonProc::SYNC_WAIT_MS};

json_object* JsonItem(json_object* json, const char* group, const char* key) {
    json_object* members = nullptr;
    json_object* item = nullptr;
    if (!json || !group || !key) return nullptr;
    if (!json_object_object_get_ex(json, group, &members) || !members) return nullptr;
    if (!json_object_object_get_ex(members, key, &item)) return nullptr;
    return item;
}

}  // namespace

void CCommonProc::SetSyncWaitMs(int ms) {
    g_syncWaitMs.store(ms);
}

int CCommonProc::GetSyncWaitMs() {
    return g_syncWaitMs.load();
}

void CCommonProc::MakeKeyText(uint64_t shared, char text[KEY_TEXT_LENGTH + 1]) {
    for (int i = 0; i < KEY_TEXT_LENGTH; ++i) {
        text[i] = kKeyTextTable[((shared >> (8 * i)) & 0xFF) % (sizeof(kKeyTextTable) - 1)];
    }
    text[KEY_TEXT_LENGTH] = '\0';
}

void CCommonProc::FreeKey(AES_INFO* pair) {
    if (!pair) return;
    if (pair->pSend) aes_free_handle(pair->pSend);
    pair->pSend = nullptr;
    if (pair->pRecv) aes_free_handle(pair->pRecv);
    pair->pRecv = nullptr;
}

bool CCommonProc::ChangeKey(int level, const char* keyText, AES_INFO* pair) {
    if (level < 1 || level > 3 || !pair) return false;
    AES_INFO fresh;
    fresh.pSend = aes_get_handle();
    fresh.pRecv = aes_get_handle();
    const int keyBytes = level * 8 + 8;
    // A handle that cannot be keyed would refuse every body later: fail here.
    if (!fresh.pSend || !fresh.pRecv || aes_set_key(fresh.pSend, keyText, 0, keyBytes) != 1 ||
        aes_set_key(fresh.pRecv, keyText, 0, keyBytes) != 1) {
        FreeKey(&fresh);
        pair->pSend = nullptr;
        pair->pRecv = nullptr;
        return false;
    }
    *pair = fresh;
    return true;
}

int CCommonProc::QuorixEncryptSize(CQXCrypt* handle, int length) {
    if (!handle || length <= 0) return 0;
    return static_cast<int>(aes_get_encrypted_size(handle, static_cast<uint32_t>(length)));
}

bool CCommonProc::QuorixEncryptt(CQXCrypt* handle, const uint8_t* source, int length, uint8_t* destination,
                                 int* written) {
    if (written) *written = 0;
    if (!source || length <= 0) return true;
    if (!destination) return false;
    int count = length;
    if (handle) {
        count = static_cast<int>(aes_encrypt(handle, source, static_cast<uint32_t>(length), destination));
        if (count <= 0) return false;
    } else {
        std::memcpy(destination, source, static_cast<size_t>(length));
    }
    if (written) *written = count;
    return true;
}

bool CCommonProc::QuorixDecrypt(CQXCrypt* handle, const uint8_t* source, int length, uint8_t* destination,
                                int* plainLength) {
    if (plainLength) *plainLength = 0;
    if (length < 0) return false;
    int count = length;
    if (handle) {
        uint32_t size = static_cast<uint32_t>(length);
        count = static_cast<int>(aes_decrypt(handle, source, size, destination, size));
        if (count <= 0) return false;
    } else if (length > 0) {
        if (!source || !destination) return false;
        std::memcpy(destination, source, static_cast<size_t>(length));
    }
    if (plainLength) *plainLength = count;
    return true;
}

bool CCommonProc::CharacterSearch(const char* text, const char* pattern) {
    if (!text || !pattern || !*text || !*pattern) return false;
    return std::strstr(text, pattern) != nullptr;
}

int CCommonProc::ProxyHTTPStatusCode(char* text) {
    if (!text || !*text) return -1;
    char* first = std::strchr(text, ' ');
    if (!first) return -1;
    char* second = std::strchr(first + 1, ' ');
    if (!second) return -1;
    *second = '\0';
    long code = std::strtol(first + 1, nullptr, 10);
    if (code > INT_MAX) return INT_MAX;
    if (code < INT_MIN) return INT_MIN;
    return static_cast<int>(code);
}

int CCommonProc::GetAudioWaveVolume(int16_t* samples, int bytes, double gain) {
    if (!samples || bytes < 2) return 0;
    const int count = bytes / 2;
    int peak = 0;
    if (std::fabs(gain - 1.0) > DBL_EPSILON) {
        for (int i = 0; i < count; ++i) {
            double v = samples[i] * gain;
            if (std::isnan(v)) v = 0;
            if (v > 32760) v = 32760;
            if (v < -32760) v = -32760;
            int s = static_cast<int>(v);  // cut toward zero
            samples[i] = static_cast<int16_t>(s);
            peak = std::max(peak, std::abs(s));
        }
    } else {
        for (int i = 0; i < count; ++i) peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    }
    return static_cast<int>(peak / 32767.0 * 100 + 0.5);
}

const char* CCommonProc::GetJsonItemString(json_object* json, const char* group, const char* key) {
    json_object* item = JsonItem(json, group, key);
    return item ? json_object_get_string(item) : nullptr;
}

int CCommonProc::GetJsonItemInt(json_object* json, const char* group, const char* key) {
    json_object* item = JsonItem(json, group, key);
    return item ? json_object_get_int(item) : INT_MAX;
}

bool CCommonProc::GetJsonItemBool(json_object* json, const char* group, const char* key) {
    json_object* item = JsonItem(json, group, key);
    return item ? json_object_get_boolean(item) != 0 : false;
}

void CCommonProc::ParseIPv4Addr(const char* text, int* port, int defaultPort) {
    if (!port) return;
    *port = defaultPort;
    const char* colon = text ? std::strchr(text, ':') : nullptr;
    if (!colon) return;
    char* end = nullptr;
    long value = std::strtol(colon + 1, &end, 10);
    if (end != colon + 1 && value >= 0 && value <= 65535) *port = static_cast<int>(value);
}

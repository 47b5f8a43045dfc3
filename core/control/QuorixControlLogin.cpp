// The login sequence with its two JSON texts, the logout, the runtime
// parameters and the small media operations of the function interface.
#include <json-c/json.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "audio/AudioPlayerThread.h"
#include "audio/AudioThreadTransferBuffer.h"
#include "audio/EchoCtrl.h"
#include "common/ThreadTransferBuffer.h"
#include "video/VideoThreadTransferBuffer.h"
#include "control/ControlUtil.h"
#include "control/QuorixControl.h"
#include "datamanager/ASDataManager.h"
#include "tessel/TS_Socket.h"

namespace {

// The text form of a JSON member (numbers as their text), percent-decoded;
// false when the member is absent.
bool MemberText(json_object* obj, const char* key, std::string& out, bool decode) {
    json_object* v = nullptr;
    if (!json_object_object_get_ex(obj, key, &v) || v == nullptr) return false;
    const char* text = json_object_get_string(v);
    out = text != nullptr ? text : "";
    if (decode) out = CQuorixControl::URLDecode(out);
    return true;
}

// The leading decimal number of a text, 0 when there is none.
long LeadingNumber(const std::string& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

// A JSON object parsed from `text`, or null.
json_object* ParseObject(const char* text) {
    json_object* obj = json_tokener_parse(text);
    if (obj != nullptr && !json_object_is_type(obj, json_type_object)) {
        json_object_put(obj);
        return nullptr;
    }
    return obj;
}

}  // namespace

bool CQuorixControl::SetLoginOptionJson(const char* json) {
    json_object* obj = json != nullptr ? ParseObject(json) : nullptr;
    if (obj == nullptr) {
        CLLog::writeFormat(kLogDbg, "Option parse error[%s].\n", json != nullptr ? json : "");
        return false;
    }
    std::string v;
    if (MemberText(obj, "roomlist_max", v, true)) {
        // The text comes from the room configuration: every slot costs a
        // decoder and a table entry, so the count is bounded.
        const long n = LeadingNumber(v);
        if (n >= 0) m_nParticipantMax = uint32_t(std::min<long>(n, MAX_PARTICIPANT_SLOTS));
    }
    if (MemberText(obj, "roomlist_roomcategory", v, true)) {
        m_nRoomCategory = int32_t(LeadingNumber(v));
        if (!v.empty() && v[0] == '1') m_bSeminar = true;
        if (!v.empty() && v[0] == '2') m_bManyMtg = true;
    }
    if (MemberText(obj, "roomname", v, true)) CopyTextField(m_strRoomName, sizeof m_strRoomName, v.c_str());
    if (MemberText(obj, "owner", v, true)) CopyTextField(m_strRoomOwner, sizeof m_strRoomOwner, v.c_str());
    if (MemberText(obj, "userlist_type", v, true)) std::strncpy(m_strUserType, v.c_str(), 7);
    if (MemberText(obj, "userlist_name", v, true)) CopyTextField(m_strUserName, 48, v.c_str());
    json_object_put(obj);
    if (m_bSeminar) m_nParticipantMax = 50;
    return true;
}

void CQuorixControl::SetSupportFuncJson(const char* json) {
    json_object* obj = json != nullptr ? ParseObject(json) : nullptr;
    if (json != nullptr && obj == nullptr)
        CLLog::writeFormat(kLogDbg, "SupportFunction parse error[%s].\n", json);
    std::string v;
    m_nManySpeaker = 0;
    if (m_bManyMtg)
        m_nManySpeaker =
            uint8_t(obj != nullptr && MemberText(obj, "many_speaker", v, false) ? LeadingNumber(v) : 5);
    if (obj == nullptr) return;
    json_object* mode = nullptr;
    if (json_object_object_get_ex(obj, "mode_opus", &mode)) m_bOpusMode = json_object_get_boolean(mode) != 0;
    if (MemberText(obj, "mode_opus_sampling_rate", v, false)) {
        const long n = LeadingNumber(v);
        m_nOpusSamplingRate = n == 2147483647 ? 48000 : int32_t(n);
    }
    if (MemberText(obj, "mode_opus_bitrate", v, false)) {
        const long n = LeadingNumber(v);
        m_nOpusBitrate = n == 2147483647 ? 32000 : int32_t(n);
    }
    json_object_put(obj);
}

int CQuorixControl::Login(const char* userAgent, const char* host, int port, int firstConnectType,
                          const char* proxyJson, const char* userId, const char* password,
                          const char* userName, const char* userType, int topRoomId, int roomId,
                          int /*version*/, const char* appVersion, bool camera, bool microphone,
                          bool /*wifi*/, int samplingRateCode, const char* supportFuncJson,
                          const char* optionJson) {
    static const char* const kFunc = "Login";
    CLLog::onFuncStart(kFunc);
    CLLog::write(kLogInf, "Trying to Login...");
    int result = 0;
    try {
        if (m_bLogin) throw -4;
        if (userAgent == nullptr || host == nullptr || userId == nullptr || password == nullptr ||
            userName == nullptr || userType == nullptr || appVersion == nullptr || optionJson == nullptr ||
            port < 1 || port > 65535)
            throw -9;
        m_bErrorReported = false;
        std::strncpy(m_strUserId, userId, sizeof m_strUserId - 1);
        std::strncpy(m_strPassword, password, sizeof m_strPassword - 1);
        std::strncpy(m_strUserName, userName, sizeof m_strUserName - 1);
        std::strncpy(m_strUserType, userType, sizeof m_strUserType - 1);
        m_bCamera = camera;
        m_bMic = microphone;
        m_nTopRoomId = topRoomId;
        m_nRoomId = roomId;
        m_nConnectType = firstConnectType >= CONNECT_DIRECT && firstConnectType <= CONNECT_PROXY
                             ? firstConnectType
                             : CONNECT_DIRECT;

        SetLoginOptionJson(optionJson);
        SetSupportFuncJson(supportFuncJson);

        m_nSamplingRateCode = samplingRateCode;
        if (samplingRateCode == 1) {
            m_nGsmPacketSize[0] = 4480;
            m_nGsmPacketSize[1] = 4160;
            m_nGsmSwitchCount = 200;
        } else if (samplingRateCode == 3) {
            m_nGsmPacketSize[0] = 8960;
            m_nGsmPacketSize[1] = 8640;
            m_nGsmSwitchCount = 180;
        }
        static const uint16_t kRates[] = {8000, 11025, 16000, 22050};
        if (m_bOpusMode)
            m_nRoomRate = uint16_t(m_nOpusSamplingRate);
        else
            m_nRoomRate = samplingRateCode >= 0 && samplingRateCode <= 3 ? kRates[samplingRateCode] : 32000;
        m_nOutputRate = m_nRoomRate;

        if (!CreateVideoCodec() || !CreateAudioCodec()) throw -3;
        CreateParticipantInfo();

        HTTPACCESS_PROXY_CONFIG proxy;
        proxy.proxyList = proxyJson;
        int code = ConfEnterRoom(host, uint32_t(port), userAgent, optionJson, &proxy);
        if (code != 0) throw code;
        code = VpexEnterRoom(m_strUserId, userAgent, &proxy);
        if (code != 0) throw code;
        if (!CreateDataBufferThread()) throw -3;
        m_bLogin = true;
        if (!CreateStreamThread()) throw -3;
        if (m_bSeminar) ConfSend(CONF_SEND_RESERVE_LIST_REQ, nullptr, 0, 0);
    } catch (int code) {
        result = code;
        if (code != -4) TearDownLogin();
    } catch (const std::bad_alloc&) {
        // Memory for the codecs, the table or the threads could not be had:
        // the login fails like any other creation failure.
        CLLog::write(kLogErr, "Login failed: out of memory.");
        result = -3;
        TearDownLogin();
    } catch (const std::length_error&) {
        CLLog::write(kLogErr, "Login failed: out of memory.");
        result = -3;
        TearDownLogin();
    }
    CLLog::onLoginEnd(result);
    CLLog::onFuncEnd(kFunc);
    return result;
}

void CQuorixControl::TearDownLogin() {
    m_bLogin = false;
    m_sessionGate.Close();
    // Sockets are closed and every connection thread joined before anything
    // those threads use is freed.
    VpexDisconnect();
    ConfDisconnect();
    DeleteStreamThread();
    DeleteStream();
    DeleteDataBufferThread();
    DeleteVideoCodec();
    DeleteAudioCodec();
    DeleteParticipantInfo();
    CloseAES();
}

bool CQuorixControl::Logout() {
    if (!m_bLogin) return false;
    m_bLogin = false;  // from here on no sender sends and received media is dropped
    m_sessionGate.Close();
    VpexDisconnect();
    ConfDisconnect();
    CLLog::write(kLogInf, "Logout.\n");
    // The media transfer threads are joined before the codecs they deliver to
    // are freed, so no delivery that passed the logged-in check can reach a
    // deleted decoder.
    if (m_pVideoTransfer != nullptr) m_pVideoTransfer->Stop();
    if (m_pAudioTransfer != nullptr) m_pAudioTransfer->Stop();
    DeleteAudioCodec();
    DeleteVideoCodec();
    DeleteDataBufferThread();
    DeleteParticipantInfo();
    m_bCamera = false;
    m_bMic = false;
    m_bErrorReported = false;
    std::memset(m_strUserId, 0, sizeof m_strUserId);
    std::memset(m_strPassword, 0, sizeof m_strPassword);
    std::memset(m_strUserName, 0, sizeof m_strUserName);
    std::memset(m_strUserType, 0, sizeof m_strUserType);
    m_nTopRoomId = 0;
    m_nRoomId = 0;
    m_nConfCipherLevel = 0;
    m_nLastJitterTick = 0;
    return true;
}

bool CQuorixControl::CreateDataBufferThread() {
    m_pVideoTransfer = new CVideoThreadTransferBuffer(_OnBufferVideo, this);
    m_pVideoTransfer->setCutMethod(2);
    m_pAudioTransfer = new CAudioThreadTransferBuffer(_OnBufferAudio, this);
    return m_pVideoTransfer->Start() && m_pAudioTransfer->Start();
}

void CQuorixControl::DeleteDataBufferThread() {
    if (m_pVideoTransfer != nullptr) {
        m_pVideoTransfer->Stop();
        delete m_pVideoTransfer;
        m_pVideoTransfer = nullptr;
    }
    if (m_pAudioTransfer != nullptr) {
        m_pAudioTransfer->Stop();
        delete m_pAudioTransfer;
        m_pAudioTransfer = nullptr;
    }
    if (m_pASTransfer != nullptr) {
        m_pASTransfer->Stop();
        delete m_pASTransfer;
        m_pASTransfer = nullptr;
    }
    ASDataReset();  // relay connection 3's receive thread has been joined
}

void CQuorixControl::DeleteStream() {
    if (m_pSocketConf != nullptr) m_pSocketConf->Close();
    delete m_pSocketConf;
    m_pSocketConf = nullptr;
    for (CSocketTCP*& socket : m_pSocketVpex) {
        if (socket != nullptr) socket->Close();
        delete socket;
        socket = nullptr;
    }
}

void CQuorixControl::CloseAES() {
    {
        CMutexLock lock(m_mutexAesConf);
        CCommonProc::FreeKey(&m_aesConf);
    }
    for (int i = 0; i < VPEX_CONNECTION_COUNT; ++i) {
        CMutexLock lock(m_mutexAesVpex[i]);
        CCommonProc::FreeKey(&m_aesVpex[i]);
    }
    m_nConfCipherLevel = 0;
}

// --- runtime parameters ------------------------------------------------------

namespace {

// A number in any C base notation (decimal, "0x" hex, leading 0 octal).
bool ParseCNumber(const std::string& text, long long& out) {
    errno = 0;
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 0);
    return errno == 0 && end != text.c_str();
}

bool IsTrueText(const std::string& v) {
    return strcasecmp(v.c_str(), "true") == 0;
}

}  // namespace

bool CQuorixControl::setParam(const std::string& key, const std::string& value) {
    long long n = 0;
    if (key == "VideoDispDelay") {
        if (ParseCNumber(value, n)) m_nVideoDispDelay = uint64_t(n);
    } else if (key == "VideoZoom") {
        const float zoom = std::strtof(value.c_str(), nullptr);
        if (zoom >= 1.0f) m_fSelfViewZoom = zoom;
    } else if (key == "ASJpegQualityDefault" || key == "ASJpegQualityMax" || key == "ASJpegQualityMin") {
        // The sharing encoder takes the value or refuses it.
        if (!ParseCNumber(value, n) || n < INT32_MIN || n > INT32_MAX) return false;
        if (key == "ASJpegQualityDefault") return CASDataManager::setJpegQualityDefault(int(n));
        if (key == "ASJpegQualityMax") return CASDataManager::setJpegQualityMax(int(n));
        return CASDataManager::setJpegQualityMin(int(n));
    } else if (key == "LogOutput") {
        CLLog::setOutput(IsTrueText(value));
    } else if (key == "LogLevel") {
        return CLLog::setLogLevel(int(std::strtol(value.c_str(), nullptr, 10)));
    } else if (key == "LogFuncTime") {
        CLLog::setOutputTimeMeasurement(IsTrueText(value));
    }
    return true;
}

bool CQuorixControl::getParam(const std::string& key, std::string& value) {
    if (key == "VideoDispDelay")
        value = std::to_string(m_nVideoDispDelay.load());
    else if (key == "VideoZoom")
        value = cFormat("%f", double(m_fSelfViewZoom.load()));
    else if (key == "ASJpegQualityDefault")
        value = std::to_string(CASDataManager::getJpegQualityDefault());
    else if (key == "ASJpegQualityMax")
        value = std::to_string(CASDataManager::getJpegQualityMax());
    else if (key == "ASJpegQualityMin")
        value = std::to_string(CASDataManager::getJpegQualityMin());
    else if (key == "LogOutput")
        value = std::to_string(CLLog::getOutput() ? 1 : 0);
    else if (key == "LogLevel")
        value = std::to_string(CLLog::getLogLevel());
    else if (key == "LogFuncTime")
        value = std::to_string(CLLog::getOutputTimeMeasurement() ? 1 : 0);
    else
        return false;
    return true;
}

// --- small media operations ---------------------------------------------------

bool CQuorixControl::SetDstAudioSampleRate(uint16_t rate) {
    if (!m_bLogin) return false;
    m_nOutputRate = rate != 0 ? rate : m_nRoomRate;
    return true;
}

bool CQuorixControl::SetAudioBoostLevel(int slot, double level) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (m_pAudioPlayer == nullptr) return false;
    m_pAudioPlayer->SetBoostLevel(uint32_t(slot), level);
    return true;
}

bool CQuorixControl::EchoCapture(const int16_t* captured, int16_t* output) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (m_pEchoCtrl == nullptr || captured == nullptr || output == nullptr) return false;
    m_pEchoCtrl->EchoCapture(captured, output);
    return true;
}

bool CQuorixControl::EchoPlayback(const int16_t* played) {
    CSessionGate::Use use(m_sessionGate);
    if (!use) return false;
    if (m_pEchoCtrl == nullptr || played == nullptr) return false;
    m_pEchoCtrl->EchoPlayback(played);
    return true;
}

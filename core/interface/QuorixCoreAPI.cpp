#include "interface/QuorixCoreAPI.h"

#include <atomic>
#include <cstdio>

#include "interface/QuorixCore.h"
#include "tessel/TS_Common.h"

namespace {

// The one core object; the application creates and ends it from one thread
// at a time, the core's threads only read it while a session runs.
std::atomic<CQuorixCore*> g_pQuorixCore{nullptr};
std::atomic<bool> g_bLoaded{false};

CQuorixCore* Core() {
    return g_pQuorixCore.load(std::memory_order_acquire);
}

// The base framework's trace output: formatted and discarded.
void DiscardTrace(int /*level*/, const char* format, va_list args) {
    char line[2048] = {};
    std::vsnprintf(line, sizeof line, format, args);
}

}  // namespace

int QuorixCore_OnLoad() {
    if (g_bLoaded.exchange(true)) return 0;
    g_pQuorixCore = nullptr;
    SetDTraceFunc(DiscardTrace);
    InitProc();
    return 0;
}

void QuorixCore_OnUnload() {
    if (g_bLoaded.exchange(false)) TermProc();
}

int QuorixCoreInit(const char* platform, void* user, ST_FUNCLIST table) {
    if (Core() != nullptr) return QUORIXCORE_ERR_ALREADY_INIT;
    auto* core = new CQuorixCore();
    g_pQuorixCore.store(core, std::memory_order_release);
    return core->Init(platform, &table, user) ? 0 : QUORIXCORE_ERR_INIT_FAILED;
}

void QuorixCoreTerm() {
    CQuorixCore* core = Core();
    if (core == nullptr) return;
    core->Term();
    g_pQuorixCore.store(nullptr, std::memory_order_release);
    delete core;
}

int QuorixCoreLogin(const char* userAgent, const char* host, int port, int firstConnectType,
                    const char* proxyJson, const char* userId, const char* password, const char* userName,
                    const char* userType, int topRoomId, int roomId, int version, const char* appVersion,
                    bool camera, bool microphone, bool wifi, int samplingRateCode,
                    const char* supportFuncJson, const char* optionJson) {
    CQuorixCore* core = Core();
    if (core == nullptr) return QUORIXCORE_ERR_NO_CORE;
    QUORIX_LOGIN_ARGS a;
    a.userAgent = userAgent;
    a.host = host;
    a.port = port;
    a.firstConnectType = firstConnectType;
    a.proxyJson = proxyJson;
    a.userId = userId;
    a.password = password;
    a.userName = userName;
    a.userType = userType;
    a.topRoomId = topRoomId;
    a.roomId = roomId;
    a.version = version;
    a.appVersion = appVersion;
    a.camera = camera;
    a.microphone = microphone;
    a.wifi = wifi;
    a.samplingRateCode = samplingRateCode;
    a.supportFuncJson = supportFuncJson;
    a.optionJson = optionJson;
    return core->LoginToServer(a);
}

void QuorixCoreLogout() {
    if (CQuorixCore* core = Core()) core->LogoutToServer();
}

int QuorixCoreGetConnectType() {
    CQuorixCore* core = Core();
    return core != nullptr ? core->GetConnectionType() : 0;
}

int QuorixCoreGetConnectionError() {
    CQuorixCore* core = Core();
    return core != nullptr ? core->GetConnectionError() : 0;
}

// Each command: false without a core, else the core's answer.
#define QUORIX_FORWARD(call)    \
    CQuorixCore* core = Core(); \
    return core != nullptr && core->call

bool QuorixCoreStartSpeech() {
    QUORIX_FORWARD(SendStartSpeech());
}
bool QuorixCoreStopSpeech() {
    QUORIX_FORWARD(SendStopSpeech());
}
bool QuorixCoreChangeOwner(const char* userId) {
    QUORIX_FORWARD(SendChangeOwner(userId));
}
bool QuorixCoreForceLeave(const char* userId) {
    QUORIX_FORWARD(SendForceLeave(userId));
}
bool QuorixCoreSpeechReserve() {
    QUORIX_FORWARD(SendSpeechReserve());
}
bool QuorixCoreSpeechReserveCancel(const char* userId) {
    QUORIX_FORWARD(SendSpeechReserveCancel(userId));
}
bool QuorixCoreSpeechNominate(int kind, const char* userId) {
    QUORIX_FORWARD(SendSpeechNominate(kind, userId));
}
bool QuorixCoreSpeechEnd(const char* userId) {
    QUORIX_FORWARD(SendSpeechEnd(userId));
}
bool QuorixCoreSendMessage(const char* userId, const char* message) {
    QUORIX_FORWARD(SendMessage(userId, message));
}
bool QuorixCoreSendFreeMessage(uint32_t code, const char* userId) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(SendFreeMessage(code, userId, 0, ""));
}
bool QuorixCoreSendFreeMessageData(uint32_t code, const char* userId, int value, const char* text) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(SendFreeMessage(code, userId, value, text));
}
bool QuorixCoreStartQuestionnaire(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                  int count, const char** selections) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(SendStartQuestionnaire(userId, question, anonymous, multiSelect, count, selections));
}
bool QuorixCoreReceivedQuestionnaire(const char* userId, const char* text) {
    if (text == nullptr) return false;
    QUORIX_FORWARD(SendReceivedQuestionnaire(userId, text));
}
bool QuorixCoreStopQuestionnaire(const char* userId) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(SendStopQuestionnaire(userId));
}
bool QuorixCoreAnswerQuestionnaire(const char* userId, int answer, const char* text) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(SendAnswerQuestionnaire(userId, answer, text));
}
bool QuorixCoreHold(const char* userId) {
    QUORIX_FORWARD(SendHold(userId));
}
bool QuorixCoreHoldRelease(const char* userId) {
    QUORIX_FORWARD(SendHoldRelease(userId));
}
bool QuorixCoreHoldStatusHold(const char* userId) {
    QUORIX_FORWARD(SendHoldStatusHold(userId));
}
bool QuorixCoreHoldStatusRelease(const char* userId) {
    QUORIX_FORWARD(SendHoldStatusRelease(userId));
}
bool QuorixCoreEndCall(const char* userId) {
    QUORIX_FORWARD(SendEndCall(userId));
}
bool QuorixCoreSendClientInfo(int kind, const char* version, const char* first, const char* second) {
    QUORIX_FORWARD(SendClientInfo(kind, version, first, second));
}

bool QuorixCoreSendVideo(const uint8_t* pixels, int /*size*/, int width, int height, int frameRate,
                         int optionA, int optionB) {
    QUORIX_FORWARD(SendVideo(pixels, width, height, frameRate, optionA, optionB));
}
bool QuorixCoreSendAudio(const uint8_t* pcm, uint32_t size, double boost, int samplingRate) {
    QUORIX_FORWARD(SendAudio(pcm, size, boost, samplingRate));
}
bool QuorixCoreSendTextBoxData(const char* block) {
    QUORIX_FORWARD(SendTextBoxData(block));
}
bool QuorixCoreSendTextBoxActive(const char* userId, const char* userName) {
    QUORIX_FORWARD(SendTextBoxActive(userId, userName));
}
bool QuorixCoreSendDocShareData(const char* block) {
    QUORIX_FORWARD(SendDocShareData(block));
}
bool QuorixCoreStartDocShare() {
    QUORIX_FORWARD(StartDocShare());
}
bool QuorixCoreStopDocShare() {
    QUORIX_FORWARD(StopDocShare());
}
bool QuorixCoreManyMtgStartReq(const char* userId, const char* userName) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(ManyMtgStartReq(userId, userName));
}
bool QuorixCoreManyMtgStopSend(const char* userId, const char* userName) {
    if (userId == nullptr) return false;
    QUORIX_FORWARD(ManyMtgStopSend(userId, userName));
}
bool QuorixCoreManyMtgSpeakerListReq() {
    QUORIX_FORWARD(ManyMtgSpeakerListReq());
}
bool QuorixCoreSendUserPermissionCmd(const char* fromId, const char* toId, int cmd, int code, int funcFlags,
                                     int permitFlags) {
    QUORIX_FORWARD(SendUserPermissionCmd(fromId, toId, cmd, code, funcFlags, permitFlags));
}
bool QuorixCoreSendCloudRecStart(const char* a, const char* b, const char* c, int d, int e, const char* f) {
    QUORIX_FORWARD(SendCloudRecStart(a, b, c, d, e, f));
}
bool QuorixCoreSendCloudRecStop(const char* a, const char* b, const char* c, int d, int e) {
    QUORIX_FORWARD(SendCloudRecStop(a, b, c, d, e));
}
bool QuorixCoreAPShareSendCommand(int command, const char* text) {
    QUORIX_FORWARD(APShareSendCommand(command, text));
}
bool QuorixCoreASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                           uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                           const char* sharerName, const char* operatorId, const char* operatorName) {
    QUORIX_FORWARD(ASSendStart(first, stype, width, height, left, top, right, bottom, sharerId, sharerName,
                               operatorId, operatorName));
}
bool QuorixCoreASSendStop(uint32_t kind, const char* userId, const char* userName) {
    QUORIX_FORWARD(ASSendStop(kind, userId, userName));
}
bool QuorixCoreASSendStartPermit(uint32_t value) {
    QUORIX_FORWARD(ASSendStartPermit(value));
}
bool QuorixCoreASSendControlReq(uint32_t kind, const char* userId, const char* userName) {
    QUORIX_FORWARD(ASSendControlReq(kind, userId, userName));
}
bool QuorixCoreASSendControlRes(uint32_t result, const char* userId, const char* userName) {
    QUORIX_FORWARD(ASSendControlRes(result, userId, userName));
}
bool QuorixCoreASSendControlRet() {
    QUORIX_FORWARD(ASSendControlRet());
}
bool QuorixCoreASSendControlChange(const char* userId, const char* userName) {
    QUORIX_FORWARD(ASSendControlChange(userId, userName));
}
bool QuorixCoreASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    QUORIX_FORWARD(ASSendMousePointerEvent(kind, x, y));
}
bool QuorixCoreASSendMouseWheelEvent(uint32_t delta) {
    QUORIX_FORWARD(ASSendMouseWheelEvent(delta));
}
bool QuorixCoreASSendClipboardText(const char* text, int length) {
    QUORIX_FORWARD(ASSendClipboardText(text, length));
}
bool QuorixCoreASSendKeyEvent(uint32_t key, uint32_t upDown) {
    QUORIX_FORWARD(ASSendKeyEvent(key, upDown));
}
bool QuorixCoreASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                              const uint8_t* pixels) {
    QUORIX_FORWARD(ASSendShowRect(left, top, right, bottom, pixels));
}
bool QuorixCoreASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    QUORIX_FORWARD(ASSendKeyFrame(left, top, right, bottom));
}
bool QuorixCoreASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    QUORIX_FORWARD(ASSendChangeSize(left, top, right, bottom));
}

bool QuorixCoreStartVideo(int value) {
    QUORIX_FORWARD(StartVideo(value));
}
bool QuorixCoreStopVideo(int value) {
    QUORIX_FORWARD(StopVideo(value));
}
bool QuorixCoreSetVideoMode(int mode) {
    QUORIX_FORWARD(SetVideoMode(mode));
}
bool QuorixCoreSetDstAudioSampleRate(uint16_t rate) {
    QUORIX_FORWARD(SetDstAudioSampleRate(rate));
}
bool QuorixCoreSetAudioBoostLevel(int slot, double level) {
    QUORIX_FORWARD(SetAudioBoostLevel(slot, level));
}
bool QuorixCoreEchoCapture(const int16_t* captured, int16_t* output) {
    QUORIX_FORWARD(EchoCapture(captured, output));
}
bool QuorixCoreEchoPlayback(const int16_t* played) {
    QUORIX_FORWARD(EchoPlayback(played));
}
bool QuorixCoreSetControlRemoteAudio(int value) {
    QUORIX_FORWARD(SetControlRemoteAudio(value));
}
bool QuorixCoreSetParam(const char* key, const char* value) {
    QUORIX_FORWARD(SetParam(key, value));
}
bool QuorixCoreGetParam(const char* key, std::string& value) {
    QUORIX_FORWARD(GetParam(key, value));
}

#undef QUORIX_FORWARD

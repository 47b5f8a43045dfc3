// CQuorixCore: the one core object behind the flat function interface. It owns
// the control object, forwards each command to it and turns each of its events
// into one call of the callback table, on the thread that raised the event.
//
// Locks: the init lock is held through Init and Term, the login lock through a
// whole login and a whole logout (order: init lock, then login lock). Commands
// take neither; they find the session as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/LLog.h"
#include "control/QuorixControlEvents.h"
#include "interface/QuorixCoreTypes.h"
#include "tessel/TS_Mutex.h"

class CQuorixControl;

// The nineteen arguments of a login, in the order of QuorixCoreLogin.
struct QUORIX_LOGIN_ARGS {
    const char* userAgent = nullptr;
    const char* host = nullptr;
    int port = 0;
    int firstConnectType = 0;
    const char* proxyJson = nullptr;
    const char* userId = nullptr;
    const char* password = nullptr;
    const char* userName = nullptr;
    const char* userType = nullptr;
    int topRoomId = 0;
    int roomId = 0;
    int version = 0;
    const char* appVersion = nullptr;
    bool camera = false;
    bool microphone = false;
    bool wifi = false;
    int samplingRateCode = 0;
    const char* supportFuncJson = nullptr;
    const char* optionJson = nullptr;
};

class CQuorixCore : public CLLogReceiver, public CQuorixControlEvents {
public:
    CQuorixCore();
    ~CQuorixCore() override;

    CQuorixCore(const CQuorixCore&) = delete;
    CQuorixCore& operator=(const CQuorixCore&) = delete;

    // Creates the control object and copies the table; true when the control exists.
    bool Init(const char* platform, const ST_FUNCLIST* table, void* user);
    // Logs out (joining every connection thread), zeroes the table, deletes the control object.
    void Term();

    // 0, -4 while logged in, or the control object's failure code (after
    // which everything of the attempt has been torn down again).
    int LoginToServer(const QUORIX_LOGIN_ARGS& args);
    void LogoutToServer();
    int GetConnectionType();
    int GetConnectionError();

    CQuorixControl* GetControl() const { return m_pControl; }
    std::string getTarget() const { return m_strTarget; }
    float GetSelfViewZoom();

    // --- commands: the control object's send operations ----------------------
    bool SendStartSpeech();
    bool SendStopSpeech();
    bool SendChangeOwner(const char* userId);
    bool SendForceLeave(const char* userId);
    bool SendSpeechReserve();
    bool SendSpeechReserveCancel(const char* userId);
    bool SendSpeechNominate(int kind, const char* userId);
    bool SendSpeechEnd(const char* userId);
    bool SendMessage(const char* userId, const char* message);
    bool SendFreeMessage(uint32_t code, const char* userId, int value, const char* text);
    bool SendStartQuestionnaire(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                int count, const char** selections);
    bool SendReceivedQuestionnaire(const char* userId, const char* text);
    bool SendStopQuestionnaire(const char* userId);
    bool SendAnswerQuestionnaire(const char* userId, int answer, const char* text);
    bool SendHold(const char* userId);
    bool SendHoldRelease(const char* userId);
    bool SendHoldStatusHold(const char* userId);
    bool SendHoldStatusRelease(const char* userId);
    bool SendEndCall(const char* userId);
    bool SendClientInfo(int kind, const char* version, const char* first, const char* second);
    bool SendVideo(const uint8_t* pixels, int width, int height, int frameRate, int optionA, int optionB);
    bool SendAudio(const uint8_t* pcm, uint32_t size, double boost, int samplingRate);
    bool SendTextBoxData(const char* block);
    bool SendTextBoxActive(const char* userId, const char* userName);
    bool SendDocShareData(const char* block);
    bool StartDocShare();
    bool StopDocShare();
    bool ManyMtgStartReq(const char* userId, const char* userName);
    bool ManyMtgStopSend(const char* userId, const char* userName);
    bool ManyMtgSpeakerListReq();
    bool SendUserPermissionCmd(const char* fromId, const char* toId, int cmd, int code, int funcFlags,
                               int permitFlags);
    bool SendCloudRecStart(const char* a, const char* b, const char* c, int d, int e, const char* f);
    bool SendCloudRecStop(const char* a, const char* b, const char* c, int d, int e);
    bool APShareSendCommand(int command, const char* text);
    bool ASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                     uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                     const char* sharerName, const char* operatorId, const char* operatorName);
    bool ASSendStop(uint32_t kind, const char* userId, const char* userName);
    bool ASSendStartPermit(uint32_t value);
    bool ASSendControlReq(uint32_t kind, const char* userId, const char* userName);
    bool ASSendControlRes(uint32_t result, const char* userId, const char* userName);
    bool ASSendControlRet();
    bool ASSendControlChange(const char* userId, const char* userName);
    bool ASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y);
    bool ASSendMouseWheelEvent(uint32_t delta);
    bool ASSendClipboardText(const char* text, int length);
    bool ASSendKeyEvent(uint32_t key, uint32_t upDown);
    bool ASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const uint8_t* pixels);
    bool ASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
    bool ASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);

    // --- media and settings ------------------------------------------------------
    bool StartVideo(int value);
    bool StopVideo(int value);
    bool SetVideoMode(int mode);
    bool SetDstAudioSampleRate(uint16_t rate);
    bool SetAudioBoostLevel(int slot, double level);
    bool EchoCapture(const int16_t* captured, int16_t* output);
    bool EchoPlayback(const int16_t* played);
    bool SetControlRemoteAudio(int value);
    bool SetParam(const char* key, const char* value);
    bool GetParam(const char* key, std::string& value);

    // --- events of the control object (CQuorixControlEvents), one per callback slot
    void OnEnterMember(const char* userId, const char* userName, const char* userType) override;
    void OnLeaveMember(const char* userId) override;
    void OnStartSpeech(int slot, const char* userId, const char* userName, const char* userType, bool camera,
                                bool microphone) override;
    void OnStopSpeech(int slot) override;
    void OnChangeOwner(const char* ownerId) override;
    void OnPushOut() override;
    void OnForceLeave(const char* userId, const char* userName) override;
    void OnSpeechReserveResult(int result) override;
    void OnSpeechReserve(const char* userId, const char* userName, bool camera, bool microphone) override;
    void OnSpeechReserveCancel(int value, const char* userId) override;
    void OnSpeechNominateResult(int result) override;
    void OnSpeechNominate(int kind) override;
    void OnSpeechEnd() override;
    void OnMessage(const char* userId, const char* userName, const char* message) override;
    void OnRecvFreeMessage(uint32_t code, const char* userId) override;
    void OnRecvFreeMessageData(uint32_t code, const char* userId, int value, const char* text) override;
    void OnHold(const char* userId) override;
    void OnHoldRelease(const char* userId) override;
    void OnHoldStatusHold(const char* userId) override;
    void OnHoldStatusRelease(const char* userId) override;
    void OnEndCall(const char* userId) override;
    void OnWindowSync(const char* first, const char* strLeftBottom, const char* strRight) override;
    void OnRecvQuestionnaireStart(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                           int count, const char** selections) override;
    void OnRecvQuestionnaireStop(const char* userId) override;
    void OnRecvQuestionnaireAnswer(const char* userId, int answer, const char* text) override;
    void OnRecvQuestionnaireReceived(const char* userId) override;
    void OnVideoOutput(int clientIndex, uint8_t* pixels, int size, int width, int height, int displayWidth,
                                int displayHeight) override;
    void OnAudioOutput(int level, uint8_t* pcm, int size) override;
    void OnAudioInitialized(int slot) override;
    void OnAudioVolume(int slot, int level) override;
    void OnAudioInput(const uint8_t* /*block*/, int /*size*/) override {};
    void OnTextBoxData(const char* userId, const char* userName, const char* message,
                                const char* fontOptions) override;
    void OnTextBoxActive(const char* userId, const char* userName) override;
    void OnDocShareData(const char* userId, const char* block) override;
    void OnDocShareStartResult(int result) override;
    void OnDocShareStart(const char* userId, const char* userName) override;
    void OnDocShareStop(const char* userId) override;
    void OnAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                                 uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                                 const char* sharerName, const char* operatorId, const char* operatorName) override;
    void OnAPShareStop(int kind, const char* userId, const char* userName) override;
    void OnAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint8_t* pixels,
                                int length) override;
    void OnAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void OnAPShareChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void OnAPShareGetRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    void OnAPShareControlChange(const char* operatorId, const char* operatorName) override;
    void OnASStartRefuse(uint32_t value) override;
    void OnASStartPermit(uint32_t value) override;
    void OnASControlReq(uint32_t kind, const char* userId, const char* userName) override;
    void OnASControlRes(uint32_t result, const char* userId, const char* userName) override;
    void OnASControlRet() override;
    void OnASMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) override;
    void OnASMouseWheelEvent(int delta) override;
    void OnASClipBoardText(const char* text) override;
    void OnASKeyEvent(uint32_t key, uint32_t upDown) override;
    void OnManyMtgCmd(uint16_t command, short code, short subCode, const std::vector<std::string>& userIds,
                               const std::vector<std::string>& userNames) override;
    void OnRecvUserPermissionCmd(const char* userId, int cmd, int code, int funcFlags, int permitFlags) override;
    void OnError(int code, int errorNo, const char* message) override;
    void OnDebug(const char* text) override;

    // The core logger's sink: slot 59.
    void QuorixLog(int level, const char* line) override;

private:
    CQuorixControl* m_pControl = nullptr;
    CMutex m_mutexInit;
    CMutex m_mutexLogin;
    std::string m_strTarget;
    ST_FUNCLIST m_stFuncList{};
    void* m_pUser = nullptr;
};

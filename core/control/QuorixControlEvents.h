// The receiver of the control object's events. The control object raises
// each event on the thread that produced it (a receive thread, a media
// transfer-buffer thread or the caller of a command); the receiver returns
// promptly and copies what it keeps of the texts and buffers it is lent.
//
// The core object implements it and turns each call into one slot of the
// callback table; tests of the control object record the calls instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CQuorixControlEvents {
public:
    virtual ~CQuorixControlEvents() = default;

    virtual void OnEnterMember(const char* userId, const char* userName, const char* userType) = 0;
    virtual void OnLeaveMember(const char* userId) = 0;
    virtual void OnStartSpeech(int slot, const char* userId, const char* userName, const char* userType, bool camera,
                               bool microphone) = 0;
    virtual void OnStopSpeech(int slot) = 0;
    virtual void OnChangeOwner(const char* ownerId) = 0;
    virtual void OnPushOut() = 0;
    virtual void OnForceLeave(const char* userId, const char* userName) = 0;
    virtual void OnSpeechReserveResult(int result) = 0;
    virtual void OnSpeechReserve(const char* userId, const char* userName, bool camera, bool microphone) = 0;
    virtual void OnSpeechReserveCancel(int value, const char* userId) = 0;
    virtual void OnSpeechNominateResult(int result) = 0;
    virtual void OnSpeechNominate(int kind) = 0;
    virtual void OnSpeechEnd() = 0;
    virtual void OnMessage(const char* userId, const char* userName, const char* message) = 0;
    virtual void OnRecvFreeMessage(uint32_t code, const char* userId) = 0;
    virtual void OnRecvFreeMessageData(uint32_t code, const char* userId, int value, const char* text) = 0;
    virtual void OnHold(const char* userId) = 0;
    virtual void OnHoldRelease(const char* userId) = 0;
    virtual void OnHoldStatusHold(const char* userId) = 0;
    virtual void OnHoldStatusRelease(const char* userId) = 0;
    virtual void OnEndCall(const char* userId) = 0;
    virtual void OnWindowSync(const char* first, const char* strLeftBottom, const char* strRight) = 0;
    virtual void OnRecvQuestionnaireStart(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                          int count, const char** selections) = 0;
    virtual void OnRecvQuestionnaireStop(const char* userId) = 0;
    virtual void OnRecvQuestionnaireAnswer(const char* userId, int answer, const char* text) = 0;
    virtual void OnRecvQuestionnaireReceived(const char* userId) = 0;
    virtual void OnVideoOutput(int clientIndex, uint8_t* pixels, int size, int width, int height, int displayWidth,
                               int displayHeight) = 0;
    virtual void OnAudioOutput(int level, uint8_t* pcm, int size) = 0;
    virtual void OnAudioInitialized(int slot) = 0;
    virtual void OnAudioVolume(int slot, int level) = 0;
    virtual void OnAudioInput(const uint8_t* /*block*/, int /*size*/) = 0;
    virtual void OnTextBoxData(const char* userId, const char* userName, const char* message,
                               const char* fontOptions) = 0;
    virtual void OnTextBoxActive(const char* userId, const char* userName) = 0;
    virtual void OnDocShareData(const char* userId, const char* block) = 0;
    virtual void OnDocShareStartResult(int result) = 0;
    virtual void OnDocShareStart(const char* userId, const char* userName) = 0;
    virtual void OnDocShareStop(const char* userId) = 0;
    virtual void OnAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                                uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                                const char* sharerName, const char* operatorId, const char* operatorName) = 0;
    virtual void OnAPShareStop(int kind, const char* userId, const char* userName) = 0;
    virtual void OnAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint8_t* pixels,
                               int length) = 0;
    virtual void OnAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void OnAPShareChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void OnAPShareGetRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void OnAPShareControlChange(const char* operatorId, const char* operatorName) = 0;
    virtual void OnASStartRefuse(uint32_t value) = 0;
    virtual void OnASStartPermit(uint32_t value) = 0;
    virtual void OnASControlReq(uint32_t kind, const char* userId, const char* userName) = 0;
    virtual void OnASControlRes(uint32_t result, const char* userId, const char* userName) = 0;
    virtual void OnASControlRet() = 0;
    virtual void OnASMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) = 0;
    virtual void OnASMouseWheelEvent(int delta) = 0;
    virtual void OnASClipBoardText(const char* text) = 0;
    virtual void OnASKeyEvent(uint32_t key, uint32_t upDown) = 0;
    // Many-meeting commands 2, 3, 5 and 7 (slots 52 to 55); lists of differing
    // length raise nothing.
    virtual void OnManyMtgCmd(uint16_t command, short code, short subCode, const std::vector<std::string>& userIds,
                              const std::vector<std::string>& userNames) = 0;
    virtual void OnRecvUserPermissionCmd(const char* userId, int cmd, int code, int funcFlags, int permitFlags) = 0;
    virtual void OnError(int code, int errorNo, const char* message) = 0;
    virtual void OnDebug(const char* text) = 0;
};

// The core's flat function interface. Every function works on the one
// process-wide core object: QuorixCoreInit creates it, QuorixCoreTerm deletes
// it. Without a core, QuorixCoreLogin answers -2, the other functions 0 or
// false. Texts are NUL-terminated UTF-8. Commands answer true when their
// message was queued on the connection's send thread or written, false when
// not (no session, a required argument missing, sending refused).
//
// Events come back through the ST_FUNCLIST table on the core's threads; a
// callback must not call QuorixCoreLogout or QuorixCoreTerm on its own thread,
// since those join the very thread that raises the event.
#pragma once

#include <cstdint>
#include <string>

#include "interface/QuorixCoreTypes.h"

// Start-up of the base framework, once per process; later calls do nothing.
int QuorixCore_OnLoad();
// Ends the base framework (which ends the process); nothing in the system calls it.
void QuorixCore_OnUnload();

int QuorixCoreInit(const char* platform, void* user, ST_FUNCLIST table);
void QuorixCoreTerm();
int QuorixCoreLogin(const char* userAgent, const char* host, int port, int firstConnectType,
                    const char* proxyJson, const char* userId, const char* password, const char* userName,
                    const char* userType, int topRoomId, int roomId, int version, const char* appVersion,
                    bool camera, bool microphone, bool wifi, int samplingRateCode,
                    const char* supportFuncJson, const char* optionJson);
void QuorixCoreLogout();
int QuorixCoreGetConnectType();
int QuorixCoreGetConnectionError();

// Conference-server commands.
bool QuorixCoreStartSpeech();
bool QuorixCoreStopSpeech();
bool QuorixCoreChangeOwner(const char* userId);
bool QuorixCoreForceLeave(const char* userId);
bool QuorixCoreSpeechReserve();
bool QuorixCoreSpeechReserveCancel(const char* userId);
bool QuorixCoreSpeechNominate(int kind, const char* userId);
bool QuorixCoreSpeechEnd(const char* userId);
bool QuorixCoreSendMessage(const char* userId, const char* message);
bool QuorixCoreSendFreeMessage(uint32_t code, const char* userId);
bool QuorixCoreSendFreeMessageData(uint32_t code, const char* userId, int value, const char* text);
bool QuorixCoreStartQuestionnaire(const char* userId, const char* question, bool anonymous, bool multiSelect,
                                  int count, const char** selections);
bool QuorixCoreReceivedQuestionnaire(const char* userId, const char* text);
bool QuorixCoreStopQuestionnaire(const char* userId);
bool QuorixCoreAnswerQuestionnaire(const char* userId, int answer, const char* text);
bool QuorixCoreHold(const char* userId);
bool QuorixCoreHoldRelease(const char* userId);
bool QuorixCoreHoldStatusHold(const char* userId);
bool QuorixCoreHoldStatusRelease(const char* userId);
bool QuorixCoreEndCall(const char* userId);
bool QuorixCoreSendClientInfo(int kind, const char* version, const char* first, const char* second);

// Relay commands.
bool QuorixCoreSendVideo(const uint8_t* pixels, int size, int width, int height, int frameRate, int optionA,
                         int optionB);
bool QuorixCoreSendAudio(const uint8_t* pcm, uint32_t size, double boost, int samplingRate);
bool QuorixCoreSendTextBoxData(const char* block);
bool QuorixCoreSendTextBoxActive(const char* userId, const char* userName);
bool QuorixCoreSendDocShareData(const char* block);
bool QuorixCoreStartDocShare();
bool QuorixCoreStopDocShare();
bool QuorixCoreManyMtgStartReq(const char* userId, const char* userName);
bool QuorixCoreManyMtgStopSend(const char* userId, const char* userName);
bool QuorixCoreManyMtgSpeakerListReq();
bool QuorixCoreSendUserPermissionCmd(const char* fromId, const char* toId, int cmd, int code, int funcFlags,
                                     int permitFlags);
bool QuorixCoreSendCloudRecStart(const char* a, const char* b, const char* c, int d, int e, const char* f);
bool QuorixCoreSendCloudRecStop(const char* a, const char* b, const char* c, int d, int e);
bool QuorixCoreAPShareSendCommand(int command, const char* text);
bool QuorixCoreASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                           uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                           const char* sharerName, const char* operatorId, const char* operatorName);
bool QuorixCoreASSendStop(uint32_t kind, const char* userId, const char* userName);
bool QuorixCoreASSendStartPermit(uint32_t value);
bool QuorixCoreASSendControlReq(uint32_t kind, const char* userId, const char* userName);
bool QuorixCoreASSendControlRes(uint32_t result, const char* userId, const char* userName);
bool QuorixCoreASSendControlRet();
bool QuorixCoreASSendControlChange(const char* userId, const char* userName);
bool QuorixCoreASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y);
bool QuorixCoreASSendMouseWheelEvent(uint32_t delta);
bool QuorixCoreASSendClipboardText(const char* text, int length);
bool QuorixCoreASSendKeyEvent(uint32_t key, uint32_t upDown);
bool QuorixCoreASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                              const uint8_t* pixels);
bool QuorixCoreASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
bool QuorixCoreASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);

// Media and settings.
bool QuorixCoreStartVideo(int value);
bool QuorixCoreStopVideo(int value);
bool QuorixCoreSetVideoMode(int mode);
bool QuorixCoreSetDstAudioSampleRate(uint16_t rate);
bool QuorixCoreSetAudioBoostLevel(int slot, double level);
// Pass one block through the session's echo canceller; false outside a session.
bool QuorixCoreEchoCapture(const int16_t* captured, int16_t* output);
bool QuorixCoreEchoPlayback(const int16_t* played);
bool QuorixCoreSetControlRemoteAudio(int value);
bool QuorixCoreSetParam(const char* key, const char* value);
bool QuorixCoreGetParam(const char* key, std::string& value);

// The callback table through which the core reports every event to the
// application: sixty plain functions in a fixed order, each taking the slot's
// arguments followed by the user pointer given at initialisation. Any slot may
// be null; an empty slot is skipped. Texts are NUL-terminated UTF-8 valid only
// during the call; buffers belong to the core unless a slot says otherwise.
#pragma once

#include <cstdint>

// Results of QuorixCoreInit and QuorixCoreLogin besides 0 and the login's own codes.
enum : int {
    QUORIXCORE_ERR_ALREADY_INIT = -1,
    QUORIXCORE_ERR_NO_CORE = -2,
    QUORIXCORE_ERR_INIT_FAILED = -3,
    QUORIXCORE_ERR_LOGGED_IN = -4,
    QUORIXCORE_ERR_INVALID_ARGS = -9,
};

struct ST_FUNCLIST {
    void (*OnEnterMember)(const char* userId, const char* userName, const char* userType, void* user);  // 0
    void (*OnLeaveMember)(const char* userId, void* user);                                              // 1
    void (*OnStartSpeech)(int slot, const char* userId, const char* userName, const char* userType,
                          bool camera, bool microphone, void* user);             // 2
    void (*OnStopSpeech)(int slot, void* user);                                  // 3
    void (*OnChangeOwner)(const char* ownerId, void* user);                      // 4
    void (*OnPushOut)(void* user);                                               // 5
    void (*OnForceLeave)(const char* userId, const char* userName, void* user);  // 6
    void (*OnSpeechReserveResult)(int result, void* user);                       // 7
    void (*OnSpeechReserve)(const char* userId, const char* userName, bool camera, bool microphone,
                            void* user);                                                           // 8
    void (*OnSpeechReserveCancel)(int value, const char* userId, void* user);                      // 9
    void (*OnSpeechNominateResult)(int result, void* user);                                        // 10
    void (*OnSpeechNominate)(int kind, void* user);                                                // 11
    void (*OnSpeechEnd)(void* user);                                                               // 12
    void (*OnMessage)(const char* userId, const char* userName, const char* message, void* user);  // 13
    void (*OnRecvFreeMessage)(uint32_t code, const char* userId, void* user);                      // 14
    void (*OnRecvFreeMessageData)(uint32_t code, const char* userId, int value, const char* text,
                                  void* user);                    // 15
    void (*OnHold)(const char* userId, void* user);               // 16
    void (*OnHoldRelease)(const char* userId, void* user);        // 17
    void (*OnHoldStatusHold)(const char* userId, void* user);     // 18
    void (*OnHoldStatusRelease)(const char* userId, void* user);  // 19
    void (*OnEndCall)(const char* userId, void* user);            // 20
    void (*OnWindowSync)(const char* first, const char* strLeftBottom, const char* strRight,
                         void* user);  // 21
    void (*OnQuestionStart)(const char* userId, const char* question, bool anonymous, bool multiSelect,
                            int count, const char** selections, void* user);                 // 22
    void (*OnQuestionStop)(const char* userId, void* user);                                  // 23
    void (*OnQuestionAnswer)(const char* userId, int answer, const char* text, void* user);  // 24
    void (*OnQuestionReceived)(const char* userId, void* user);                              // 25
    void (*OnVideoOutput)(int clientIndex, uint8_t* pixels, int size, int width, int height, int displayWidth,
                          int displayHeight, void* user);                  // 26
    void (*OnAudioOutput)(int level, uint8_t* pcm, int size, void* user);  // 27
    void (*OnAudioInitialized)(int slot, void* user);                      // 28
    void (*OnAudioVolume)(int slot, int level, void* user);                // 29
    void (*OnTextBoxData)(const char* userId, const char* userName, const char* message,
                          const char* fontOptions,
                          void* user);                                              // 30
    void (*OnTextBoxActive)(const char* userId, const char* userName, void* user);  // 31
    void (*OnDocShareData)(const char* userId, const char* block, void* user);      // 32
    void (*OnDocShareStartResult)(int result, void* user);                          // 33
    void (*OnDocShareStart)(const char* userId, const char* userName, void* user);  // 34
    void (*OnDocShareStop)(const char* userId, void* user);                         // 35
    void (*OnAPShareStart)(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                           uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                           const char* sharerName, const char* operatorId, const char* operatorName,
                           void* user);                                                     // 36
    void (*OnAPShareStop)(int kind, const char* userId, const char* userName, void* user);  // 37
    void (*OnAPShareRect)(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint8_t* pixels,
                          int length,
                          void* user);  // 38
    void (*OnAPShareKeyFrame)(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                              void* user);                                                               // 39
    void (*OnAPShareResize)(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, void* user);   // 40
    void (*OnAPShareGetRect)(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, void* user);  // 41
    void (*OnAPShareControlChange)(const char* operatorId, const char* operatorName, void* user);        // 42
    void (*OnASStartRefuse)(uint32_t value, void* user);                                                 // 43
    void (*OnASStartPermit)(uint32_t value, void* user);                                                 // 44
    void (*OnASControlReq)(uint32_t kind, const char* userId, const char* userName, void* user);         // 45
    void (*OnASControlRes)(uint32_t result, const char* userId, const char* userName, void* user);       // 46
    void (*OnASControlRet)(void* user);                                                                  // 47
    void (*OnASMouseEvent)(uint16_t kind, uint16_t x, uint16_t y, void* user);                           // 48
    void (*OnASMouseWheelEvent)(int delta, void* user);                                                  // 49
    void (*OnASClipBoardText)(const char* text, void* user);                                             // 50
    void (*OnASKeyEvent)(uint32_t key, uint32_t upDown, void* user);                                     // 51
    void (*OnManyMtgStartRes)(short code, short subCode, const char* userId, const char* userName,
                              void* user);  // 52
    void (*OnManyMtgStart)(short code, short subCode, const char* userId, const char* userName,
                           void* user);  // 53
    void (*OnManyMtgStop)(short code, short subCode, const char* userId, const char* userName,
                          void* user);  // 54
    void (*OnManyMtgListRes)(short code, short subCode, int count, const char** userIds,
                             const char** userNames,
                             void* user);  // 55
    void (*OnUserPermissionCmd)(const char* userId, int cmd, int code, int funcFlags, int permitFlags,
                                void* user);                                  // 56
    void (*OnError)(int code, int errorNo, const char* message, void* user);  // 57
    void (*OnDebug)(const char* text, void* user);                            // 58
    void (*OnQuorixLog)(int level, const char* line, void* user);             // 59
};
static_assert(sizeof(ST_FUNCLIST) == 60 * sizeof(void*));

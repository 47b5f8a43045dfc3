// CQuorixCore: the one core object behind the flat function interface. It owns
// the control object and turns each of its events into one call of the
// callback table, on the thread that raised the event.
#pragma once

#include <string>

#include "common/LLog.h"
#include "interface/QuorixCoreTypes.h"
#include "tessel/TS_Mutex.h"

class CQuorixControl;

class CQuorixCore : public CLLogReceiver {
public:
    CQuorixCore();
    ~CQuorixCore() override;

    CQuorixCore(const CQuorixCore&) = delete;
    CQuorixCore& operator=(const CQuorixCore&) = delete;

    // Creates the control object and copies the table; true when the control exists.
    bool Init(const char* platform, const ST_FUNCLIST* table, void* user);
    // Zeroes the table and deletes the control object.
    void Term();

    CQuorixControl* GetControl() const { return m_pControl; }

    // Events of the control object, one per callback slot.
    void OnStartSpeech(int slot, const char* userId, const char* userName, const char* userType, bool camera,
                       bool microphone);
    void OnChangeOwner(const char* ownerId);
    void OnAudioInitialized(int slot);
    void OnError(int code, int errorNo, const char* message);

    // The core logger's sink: slot 59.
    void QuorixLog(int level, const char* line) override;

private:
    CQuorixControl* m_pControl = nullptr;
    void* m_pPDFControl = nullptr;
    CMutex m_mutexInit;
    CMutex m_mutexLogin;
    std::string m_strTarget;
    ST_FUNCLIST m_stFuncList{};
    void* m_pUser = nullptr;
};

#include "interface/QuorixCore.h"

#include "control/QuorixControl.h"

CQuorixCore::CQuorixCore() = default;

CQuorixCore::~CQuorixCore() {
    Term();
}

bool CQuorixCore::Init(const char* platform, const ST_FUNCLIST* table, void* user) {
    CMutexLock lock(m_mutexInit);
    m_strTarget = platform ? platform : "";
    if (m_pControl == nullptr) m_pControl = new CQuorixControl(this);
    if (table != nullptr) m_stFuncList = *table;
    m_pUser = user;
    CLLog::init(this, m_strTarget.c_str());
    return m_pControl != nullptr;
}

void CQuorixCore::Term() {
    CMutexLock lock(m_mutexInit);
    if (m_pControl == nullptr) return;
    m_stFuncList = ST_FUNCLIST{};
    m_pUser = nullptr;
    delete m_pControl;
    m_pControl = nullptr;
    m_strTarget.clear();
    CLLog::init(nullptr, "");  // lines written from now on go nowhere
}

void CQuorixCore::OnStartSpeech(int slot, const char* userId, const char* userName, const char* userType,
                                bool camera, bool microphone) {
    if (m_stFuncList.OnStartSpeech)
        m_stFuncList.OnStartSpeech(slot, userId, userName, userType, camera, microphone, m_pUser);
}

void CQuorixCore::OnChangeOwner(const char* ownerId) {
    if (m_stFuncList.OnChangeOwner) m_stFuncList.OnChangeOwner(ownerId, m_pUser);
}

void CQuorixCore::OnAudioInitialized(int slot) {
    if (m_stFuncList.OnAudioInitialized) m_stFuncList.OnAudioInitialized(slot, m_pUser);
}

void CQuorixCore::OnError(int code, int errorNo, const char* message) {
    if (m_stFuncList.OnError) m_stFuncList.OnError(code, errorNo, message, m_pUser);
}

void CQuorixCore::QuorixLog(int level, const char* line) {
    if (m_stFuncList.OnQuorixLog) m_stFuncList.OnQuorixLog(level, line, m_pUser);
}

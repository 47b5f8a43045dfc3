#include "interface/QuorixCore.h"

#include "control/QuorixControl.h"
#include "datamanager/ASDataManager.h"

CQuorixCore::CQuorixCore() = default;

CQuorixCore::~CQuorixCore() {
    Term();
}

bool CQuorixCore::Init(const char* platform, const ST_FUNCLIST* table, void* user) {
    CMutexLock lock(m_mutexInit);
    m_strTarget = platform != nullptr ? platform : "";
    if (m_pControl == nullptr) m_pControl = new CQuorixControl(this);
    CLLog::init(this, m_strTarget.c_str());
    if (m_pControl != nullptr) {
        m_stFuncList = table != nullptr ? *table : ST_FUNCLIST{};
        m_pUser = user;
    }
    return m_pControl != nullptr;
}

void CQuorixCore::Term() {
    CMutexLock lock(m_mutexInit);
    if (m_pControl == nullptr) return;
    // Every connection, media and transfer thread is joined here, so no event
    // can reach the application once the table is zeroed.
    LogoutToServer();
    m_stFuncList = ST_FUNCLIST{};
    m_pUser = nullptr;
    delete m_pControl;
    m_pControl = nullptr;
    m_strTarget.clear();
    CLLog::init(nullptr, "");  // lines written from now on go nowhere
}

int CQuorixCore::LoginToServer(const QUORIX_LOGIN_ARGS& a) {
    if (m_pControl == nullptr) return QUORIXCORE_ERR_NO_CORE;
    int result;
    {
        CMutexLock lock(m_mutexLogin);
        if (m_pControl->IsLoggedIn()) return QUORIXCORE_ERR_LOGGED_IN;
        result = m_pControl->Login(a.userAgent, a.host, a.port, a.firstConnectType, a.proxyJson, a.userId,
                                   a.password, a.userName, a.userType, a.topRoomId, a.roomId, a.version,
                                   a.appVersion, a.camera, a.microphone, a.wifi, a.samplingRateCode,
                                   a.supportFuncJson, a.optionJson);
    }
    if (result == 0) {
        CLLog::write(CLLog::DBG, "Success to Login to Server.\n");
        return 0;
    }
    CLLog::writeFormat(CLLog::DBG, "Failed to Login to Server[CODE:%d].\n", result);
    LogoutToServer();
    return result;
}

void CQuorixCore::LogoutToServer() {
    if (m_pControl == nullptr) return;
    CMutexLock lock(m_mutexLogin);
    m_pControl->Logout();
    CLLog::write(CLLog::DBG, "Logout from Server.\n");
}

int CQuorixCore::GetConnectionType() {
    return m_pControl != nullptr ? m_pControl->GetConnectionType() : 0;
}

int CQuorixCore::GetConnectionError() {
    return m_pControl != nullptr ? m_pControl->GetConnectionError() : 0;
}

float CQuorixCore::GetSelfViewZoom() {
    return m_pControl != nullptr ? m_pControl->GetSelfViewZoom() : 1.0f;
}

// --- commands -------------------------------------------------------------------
//
// The relay media, text, sharing, permission, many-meeting and cloud-recording
// messages are sent by control-object operations that arrive with their
// protocol handlers; until one exists its command answers false, as for a
// session that cannot send.

bool CQuorixCore::SendStartSpeech() {
    return m_pControl != nullptr && m_pControl->ConfSendStartRep();
}

bool CQuorixCore::SendStopSpeech() {
    if (m_pControl == nullptr) return false;
    // The relay stop notice goes out even when the conference message failed.
    const bool conf = m_pControl->ConfSendStopRep();
    const bool relay = m_pControl->VpexSendStopRep();
    return conf || relay;
}

bool CQuorixCore::SendChangeOwner(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendChangeOwner(userId);
}
bool CQuorixCore::SendForceLeave(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendForceLeave(userId);
}
bool CQuorixCore::SendSpeechReserve() {
    return m_pControl != nullptr && m_pControl->ConfSendSpeechReserve();
}
bool CQuorixCore::SendSpeechReserveCancel(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendSpeechReserveCancel(userId);
}
bool CQuorixCore::SendSpeechNominate(int kind, const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendSpeechNominate(kind, userId);
}
bool CQuorixCore::SendSpeechEnd(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendSpeechEnd(userId);
}
bool CQuorixCore::SendMessage(const char* userId, const char* message) {
    return m_pControl != nullptr && m_pControl->ConfSendMessage(userId, message);
}
bool CQuorixCore::SendFreeMessage(uint32_t code, const char* userId, int value, const char* text) {
    return m_pControl != nullptr && m_pControl->ConfSendFreeMessageRep(code, value, userId, text);
}
bool CQuorixCore::SendStartQuestionnaire(const char* userId, const char* question, bool anonymous,
                                         bool multiSelect, int count, const char** selections) {
    return m_pControl != nullptr &&
           m_pControl->ConfSendStartQuestionnaire(userId, question, anonymous, multiSelect, count, selections);
}
bool CQuorixCore::SendReceivedQuestionnaire(const char* userId, const char* text) {
    return m_pControl != nullptr && m_pControl->ConfSendReceivedQuestionnaire(userId, text);
}
bool CQuorixCore::SendStopQuestionnaire(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendStopQuestionnaire(userId);
}
bool CQuorixCore::SendAnswerQuestionnaire(const char* userId, int answer, const char* text) {
    return m_pControl != nullptr && m_pControl->ConfSendAnswerQuestionnaire(userId, answer, text);
}
bool CQuorixCore::SendHold(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendHold(userId);
}
bool CQuorixCore::SendHoldRelease(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendHoldRelease(userId);
}
bool CQuorixCore::SendHoldStatusHold(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendHoldStatusHold(userId);
}
bool CQuorixCore::SendHoldStatusRelease(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendHoldStatusRelease(userId);
}
bool CQuorixCore::SendEndCall(const char* userId) {
    return m_pControl != nullptr && m_pControl->ConfSendEndCall(userId);
}
bool CQuorixCore::SendClientInfo(int kind, const char* version, const char* first, const char* second) {
    return m_pControl != nullptr && m_pControl->ConfSendClientInfo(kind, version, first, second);
}
bool CQuorixCore::SendVideo(const uint8_t* pixels, int width, int height, int frameRate, int optionA,
                            int optionB) {
    return m_pControl != nullptr &&
           m_pControl->VpexSendVideo(pixels, width, height, frameRate, optionA, optionB);
}
bool CQuorixCore::SendAudio(const uint8_t* pcm, uint32_t size, double boost, int rate) {
    return m_pControl != nullptr && m_pControl->VpexSendAudioPacket(pcm, size, boost, rate);
}
bool CQuorixCore::SendTextBoxData(const char* block) {
    return m_pControl != nullptr && m_pControl->VpexSendTextBoxData(block);
}
bool CQuorixCore::SendTextBoxActive(const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendTextBoxActive(userId, userName);
}
bool CQuorixCore::SendDocShareData(const char* text) {
    return m_pControl != nullptr && m_pControl->VpexSendDocShareData(text);
}
bool CQuorixCore::StartDocShare() {
    return m_pControl != nullptr && m_pControl->VpexSendStartDocShare();
}
bool CQuorixCore::StopDocShare() {
    return m_pControl != nullptr && m_pControl->VpexSendStopDocShare();
}
bool CQuorixCore::ManyMtgStartReq(const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendManyMtgStartReq(userId, userName);
}
bool CQuorixCore::ManyMtgStopSend(const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendManyMtgStopSend(userId, userName);
}
bool CQuorixCore::ManyMtgSpeakerListReq() {
    return m_pControl != nullptr && m_pControl->VpexSendManyMtgSpeakerListReq();
}
bool CQuorixCore::SendUserPermissionCmd(const char* senderId, const char* addresseeId, int cmd, int code,
                                        int funcFlags, int permitFlags) {
    return m_pControl != nullptr &&
           m_pControl->VpexSendUserPermissionCmd(senderId, addresseeId, cmd, code, funcFlags, permitFlags);
}
bool CQuorixCore::SendCloudRecStart(const char* userId, const char* userName, const char* targetId, int first,
                                    int second, const char* options) {
    return m_pControl != nullptr &&
           m_pControl->VpexSendCloudRecStart(userId, userName, targetId, first, second, options);
}
bool CQuorixCore::SendCloudRecStop(const char* userId, const char* userName, const char* targetId, int first,
                                   int second) {
    return m_pControl != nullptr &&
           m_pControl->VpexSendCloudRecStop(userId, userName, targetId, first, second);
}
bool CQuorixCore::APShareSendCommand(int command, const char* text) {
    return m_pControl != nullptr && m_pControl->VpexSendASCommand(command, text);
}
bool CQuorixCore::ASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                              uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId,
                              const char* sharerName, const char* operatorId, const char* operatorName) {
    return m_pControl != nullptr && m_pControl->VpexSendASStart(first, stype, width, height, left, top, right,
                                                                bottom, sharerId, sharerName, operatorId,
                                                                operatorName);
}
bool CQuorixCore::ASSendStop(uint32_t kind, const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendASStop(kind, userId, userName);
}
bool CQuorixCore::ASSendStartPermit(uint32_t value) {
    return m_pControl != nullptr && m_pControl->VpexSendASStartPermit(value);
}
bool CQuorixCore::ASSendControlReq(uint32_t kind, const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendASControlReq(kind, userId, userName);
}
bool CQuorixCore::ASSendControlRes(uint32_t result, const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendASControlRes(result, userId, userName);
}
bool CQuorixCore::ASSendControlRet() {
    return m_pControl != nullptr && m_pControl->VpexSendASControlRet();
}
bool CQuorixCore::ASSendControlChange(const char* userId, const char* userName) {
    return m_pControl != nullptr && m_pControl->VpexSendASControlChange(userId, userName);
}
bool CQuorixCore::ASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    return m_pControl != nullptr && m_pControl->VpexSendASMousePointerEvent(kind, x, y);
}
bool CQuorixCore::ASSendMouseWheelEvent(uint32_t delta) {
    return m_pControl != nullptr && m_pControl->VpexSendASMouseWheelEvent(delta);
}
bool CQuorixCore::ASSendClipboardText(const char* text, int length) {
    return m_pControl != nullptr && m_pControl->VpexSendASClipboardText(text, length);
}
bool CQuorixCore::ASSendKeyEvent(uint32_t key, uint32_t upDown) {
    return m_pControl != nullptr && m_pControl->VpexSendASKeyEvent(key, upDown);
}
bool CQuorixCore::ASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                 const uint8_t* pixels) {
    return CASDataManager::sendASShowRect(pixels, left, top, right, bottom);
}
bool CQuorixCore::ASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    return CASDataManager::sendASKeyFrame(left, top, right, bottom);
}
bool CQuorixCore::ASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    return CASDataManager::sendASWindowChange(left, top, right, bottom);
}

// --- media and settings ------------------------------------------------------------

bool CQuorixCore::StartVideo(int value) {
    return m_pControl != nullptr && m_pControl->StartVideo(value);
}
bool CQuorixCore::StopVideo(int value) {
    return m_pControl != nullptr && m_pControl->StopVideo(value);
}
bool CQuorixCore::SetVideoMode(int mode) {
    return m_pControl != nullptr && m_pControl->SetVideoMode(mode);
}

bool CQuorixCore::SetDstAudioSampleRate(uint16_t rate) {
    return m_pControl != nullptr && m_pControl->SetDstAudioSampleRate(rate);
}

bool CQuorixCore::SetAudioBoostLevel(int slot, double level) {
    return m_pControl != nullptr && m_pControl->SetAudioBoostLevel(slot, level);
}

bool CQuorixCore::EchoCapture(const int16_t* captured, int16_t* output) {
    return m_pControl != nullptr && m_pControl->EchoCapture(captured, output);
}

bool CQuorixCore::EchoPlayback(const int16_t* played) {
    return m_pControl != nullptr && m_pControl->EchoPlayback(played);
}

bool CQuorixCore::SetControlRemoteAudio(int) {
    return m_pControl != nullptr;
}

bool CQuorixCore::SetParam(const char* key, const char* value) {
    return m_pControl != nullptr && key != nullptr &&
           m_pControl->setParam(key, value != nullptr ? value : "");
}

bool CQuorixCore::GetParam(const char* key, std::string& value) {
    return m_pControl != nullptr && key != nullptr && m_pControl->getParam(key, value);
}

// --- events ---------------------------------------------------------------------------

namespace {

// Calls one slot of the table with the event's arguments and the user pointer;
// an empty slot is skipped.
template <typename Fn, typename... Args>
void Raise(Fn slot, void* user, Args... args) {
    if (slot != nullptr) slot(args..., user);
}

}  // namespace

void CQuorixCore::OnEnterMember(const char* userId, const char* userName, const char* userType) {
    Raise(m_stFuncList.OnEnterMember, m_pUser, userId, userName, userType);
}
void CQuorixCore::OnLeaveMember(const char* userId) {
    Raise(m_stFuncList.OnLeaveMember, m_pUser, userId);
}
void CQuorixCore::OnStartSpeech(int slot, const char* userId, const char* userName, const char* userType,
                                bool camera, bool microphone) {
    Raise(m_stFuncList.OnStartSpeech, m_pUser, slot, userId, userName, userType, camera, microphone);
}
void CQuorixCore::OnStopSpeech(int slot) {
    Raise(m_stFuncList.OnStopSpeech, m_pUser, slot);
}
void CQuorixCore::OnChangeOwner(const char* ownerId) {
    Raise(m_stFuncList.OnChangeOwner, m_pUser, ownerId);
}
void CQuorixCore::OnPushOut() {
    Raise(m_stFuncList.OnPushOut, m_pUser);
}
void CQuorixCore::OnForceLeave(const char* userId, const char* userName) {
    Raise(m_stFuncList.OnForceLeave, m_pUser, userId, userName);
}
void CQuorixCore::OnSpeechReserveResult(int result) {
    Raise(m_stFuncList.OnSpeechReserveResult, m_pUser, result);
}
void CQuorixCore::OnSpeechReserve(const char* userId, const char* userName, bool camera, bool microphone) {
    Raise(m_stFuncList.OnSpeechReserve, m_pUser, userId, userName, camera, microphone);
}
void CQuorixCore::OnSpeechReserveCancel(int value, const char* userId) {
    Raise(m_stFuncList.OnSpeechReserveCancel, m_pUser, value, userId);
}
void CQuorixCore::OnSpeechNominateResult(int result) {
    Raise(m_stFuncList.OnSpeechNominateResult, m_pUser, result);
}
void CQuorixCore::OnSpeechNominate(int kind) {
    Raise(m_stFuncList.OnSpeechNominate, m_pUser, kind);
}
void CQuorixCore::OnSpeechEnd() {
    Raise(m_stFuncList.OnSpeechEnd, m_pUser);
}
void CQuorixCore::OnMessage(const char* userId, const char* userName, const char* message) {
    Raise(m_stFuncList.OnMessage, m_pUser, userId, userName, message);
}
void CQuorixCore::OnRecvFreeMessage(uint32_t code, const char* userId) {
    Raise(m_stFuncList.OnRecvFreeMessage, m_pUser, code, userId);
}
void CQuorixCore::OnRecvFreeMessageData(uint32_t code, const char* userId, int value, const char* text) {
    Raise(m_stFuncList.OnRecvFreeMessageData, m_pUser, code, userId, value, text);
}
void CQuorixCore::OnHold(const char* userId) {
    Raise(m_stFuncList.OnHold, m_pUser, userId);
}
void CQuorixCore::OnHoldRelease(const char* userId) {
    Raise(m_stFuncList.OnHoldRelease, m_pUser, userId);
}
void CQuorixCore::OnHoldStatusHold(const char* userId) {
    Raise(m_stFuncList.OnHoldStatusHold, m_pUser, userId);
}
void CQuorixCore::OnHoldStatusRelease(const char* userId) {
    Raise(m_stFuncList.OnHoldStatusRelease, m_pUser, userId);
}
void CQuorixCore::OnEndCall(const char* userId) {
    Raise(m_stFuncList.OnEndCall, m_pUser, userId);
}
void CQuorixCore::OnWindowSync(const char* first, const char* strLeftBottom, const char* strRight) {
    Raise(m_stFuncList.OnWindowSync, m_pUser, first, strLeftBottom, strRight);
}
void CQuorixCore::OnRecvQuestionnaireStart(const char* userId, const char* question, bool anonymous,
                                           bool multiSelect, int count, const char** selections) {
    Raise(m_stFuncList.OnQuestionStart, m_pUser, userId, question, anonymous, multiSelect, count, selections);
}
void CQuorixCore::OnRecvQuestionnaireStop(const char* userId) {
    Raise(m_stFuncList.OnQuestionStop, m_pUser, userId);
}
void CQuorixCore::OnRecvQuestionnaireAnswer(const char* userId, int answer, const char* text) {
    Raise(m_stFuncList.OnQuestionAnswer, m_pUser, userId, answer, text);
}
void CQuorixCore::OnRecvQuestionnaireReceived(const char* userId) {
    Raise(m_stFuncList.OnQuestionReceived, m_pUser, userId);
}
void CQuorixCore::OnVideoOutput(int clientIndex, uint8_t* pixels, int size, int width, int height,
                                int displayWidth, int displayHeight) {
    Raise(m_stFuncList.OnVideoOutput, m_pUser, clientIndex, pixels, size, width, height, displayWidth,
          displayHeight);
}
void CQuorixCore::OnAudioOutput(int level, uint8_t* pcm, int size) {
    Raise(m_stFuncList.OnAudioOutput, m_pUser, level, pcm, size);
}
void CQuorixCore::OnAudioInitialized(int slot) {
    Raise(m_stFuncList.OnAudioInitialized, m_pUser, slot);
}
void CQuorixCore::OnAudioVolume(int slot, int level) {
    Raise(m_stFuncList.OnAudioVolume, m_pUser, slot, level);
}
void CQuorixCore::OnTextBoxData(const char* userId, const char* userName, const char* message,
                                const char* fontOptions) {
    Raise(m_stFuncList.OnTextBoxData, m_pUser, userId, userName, message, fontOptions);
}
void CQuorixCore::OnTextBoxActive(const char* userId, const char* userName) {
    Raise(m_stFuncList.OnTextBoxActive, m_pUser, userId, userName);
}
void CQuorixCore::OnDocShareData(const char* userId, const char* block) {
    Raise(m_stFuncList.OnDocShareData, m_pUser, userId, block);
}
void CQuorixCore::OnDocShareStartResult(int result) {
    Raise(m_stFuncList.OnDocShareStartResult, m_pUser, result);
}
void CQuorixCore::OnDocShareStart(const char* userId, const char* userName) {
    Raise(m_stFuncList.OnDocShareStart, m_pUser, userId, userName);
}
void CQuorixCore::OnDocShareStop(const char* userId) {
    Raise(m_stFuncList.OnDocShareStop, m_pUser, userId);
}
void CQuorixCore::OnAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height,
                                 uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                 const char* sharerId, const char* sharerName, const char* operatorId,
                                 const char* operatorName) {
    Raise(m_stFuncList.OnAPShareStart, m_pUser, first, stype, width, height, left, top, right, bottom,
          sharerId, sharerName, operatorId, operatorName);
}
void CQuorixCore::OnAPShareStop(int kind, const char* userId, const char* userName) {
    Raise(m_stFuncList.OnAPShareStop, m_pUser, kind, userId, userName);
}
void CQuorixCore::OnAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint8_t* pixels,
                                int length) {
    Raise(m_stFuncList.OnAPShareRect, m_pUser, left, top, right, bottom, pixels, length);
}
void CQuorixCore::OnAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    Raise(m_stFuncList.OnAPShareKeyFrame, m_pUser, left, top, right, bottom);
}
void CQuorixCore::OnAPShareChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    Raise(m_stFuncList.OnAPShareResize, m_pUser, left, top, right, bottom);
}
void CQuorixCore::OnAPShareGetRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    Raise(m_stFuncList.OnAPShareGetRect, m_pUser, left, top, right, bottom);
}
void CQuorixCore::OnAPShareControlChange(const char* operatorId, const char* operatorName) {
    Raise(m_stFuncList.OnAPShareControlChange, m_pUser, operatorId, operatorName);
}
void CQuorixCore::OnASStartRefuse(uint32_t value) {
    Raise(m_stFuncList.OnASStartRefuse, m_pUser, value);
}
void CQuorixCore::OnASStartPermit(uint32_t value) {
    Raise(m_stFuncList.OnASStartPermit, m_pUser, value);
}
void CQuorixCore::OnASControlReq(uint32_t kind, const char* userId, const char* userName) {
    Raise(m_stFuncList.OnASControlReq, m_pUser, kind, userId, userName);
}
void CQuorixCore::OnASControlRes(uint32_t result, const char* userId, const char* userName) {
    Raise(m_stFuncList.OnASControlRes, m_pUser, result, userId, userName);
}
void CQuorixCore::OnASControlRet() {
    Raise(m_stFuncList.OnASControlRet, m_pUser);
}
void CQuorixCore::OnASMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    Raise(m_stFuncList.OnASMouseEvent, m_pUser, kind, x, y);
}
void CQuorixCore::OnASMouseWheelEvent(int delta) {
    Raise(m_stFuncList.OnASMouseWheelEvent, m_pUser, delta);
}
void CQuorixCore::OnASClipBoardText(const char* text) {
    Raise(m_stFuncList.OnASClipBoardText, m_pUser, text);
}
void CQuorixCore::OnASKeyEvent(uint32_t key, uint32_t upDown) {
    Raise(m_stFuncList.OnASKeyEvent, m_pUser, key, upDown);
}

void CQuorixCore::OnManyMtgCmd(uint16_t command, short code, short subCode,
                               const std::vector<std::string>& userIds,
                               const std::vector<std::string>& userNames) {
    if (userIds.size() != userNames.size()) return;
    decltype(m_stFuncList.OnManyMtgStart) single = nullptr;
    switch (command) {
        case 2:
            single = m_stFuncList.OnManyMtgStartRes;
            break;
        case 3:
            single = m_stFuncList.OnManyMtgStart;
            break;
        case 5:
            single = m_stFuncList.OnManyMtgStop;
            break;
        case 7: {
            if (m_stFuncList.OnManyMtgListRes == nullptr) return;
            if (userIds.empty()) {
                m_stFuncList.OnManyMtgListRes(code, subCode, 0, nullptr, nullptr, m_pUser);
                return;
            }
            std::vector<const char*> ids;
            std::vector<const char*> names;
            for (size_t i = 0; i < userIds.size(); ++i) {
                ids.push_back(userIds[i].c_str());
                names.push_back(userNames[i].c_str());
            }
            m_stFuncList.OnManyMtgListRes(code, subCode, int(ids.size()), ids.data(), names.data(), m_pUser);
            return;
        }
        default:
            return;
    }
    if (single != nullptr && !userIds.empty())
        single(code, subCode, userIds[0].c_str(), userNames[0].c_str(), m_pUser);
}

void CQuorixCore::OnRecvUserPermissionCmd(const char* userId, int cmd, int code, int funcFlags,
                                          int permitFlags) {
    Raise(m_stFuncList.OnUserPermissionCmd, m_pUser, userId, cmd, code, funcFlags, permitFlags);
}
void CQuorixCore::OnError(int code, int errorNo, const char* message) {
    Raise(m_stFuncList.OnError, m_pUser, code, errorNo, message);
}
void CQuorixCore::OnDebug(const char* text) {
    Raise(m_stFuncList.OnDebug, m_pUser, text);
}

void CQuorixCore::QuorixLog(int level, const char* line) {
    Raise(m_stFuncList.OnQuorixLog, m_pUser, level, line);
}

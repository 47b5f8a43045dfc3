// Free messages: the dispatch of received codes, the dialogue by which one
// participant asks another to share his screen, and application sharing's
// commands and events.
//
// The dialogue only moves on messages from the participant it concerns: a
// start order (10004) is obeyed only from the requester whose request the
// user permitted, answers (10020 to 10022) only from the asked participant of
// the user's pending request, a cancel (10023) only from the waiting
// requester. A start order that no permitted request preceded is turned into
// a question to the user (while no other dialogue waits), never obeyed by
// itself. A request that displaces another waiting one answers the
// displaced requester with a refusal.
#include <utility>

#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"
#include "session/FreeMessageCodes.h"
#include "session/LoginManager.h"

namespace {

void logInfo(const QString& text) {
    LogFileManager::write(text, 2, false);
}

QString asCommand(uint32_t code, const QString& userId) {
    return StringWithFormat(kLogMsgASCommand, LogMessage::conversionASCommndType(int(code)), userId);
}

}  // namespace

int64_t LoginManager::apShareRequestStatus() const {
    std::lock_guard lock(shareMutex_);
    return apShareRequestStatus_;
}
QString LoginManager::apShareRequesterStr() const {
    std::lock_guard lock(shareMutex_);
    return apShareRequesterStr_;
}
QString LoginManager::apShareRequesteeStr() const {
    std::lock_guard lock(shareMutex_);
    return apShareRequesteeStr_;
}
QString LoginManager::apSharerIdStr() const {
    std::lock_guard lock(shareMutex_);
    return apSharerIdStr_;
}
QString LoginManager::apSharerNameStr() const {
    std::lock_guard lock(shareMutex_);
    return apSharerNameStr_;
}
QString LoginManager::apOperatorIdStr() const {
    std::lock_guard lock(shareMutex_);
    return apOperatorIdStr_;
}

void LoginManager::sendFreeMsg(uint32_t code, const QString& userId, int value, const QString& data) {
    bridge()->SendFreeMessageData(code, userId, value, data);
}

// ---- Dispatch ----

void LoginManager::OnRecvFreeMessage(uint32_t code, const QString& senderID) {
    switch (code) {
        case FREEMSG_AS_START_REQ:
        case FREEMSG_AP_SHARE_REQUEST:
        case FREEMSG_AP_SHARE_ACK:
        case FREEMSG_AP_SHARE_PERMIT:
        case FREEMSG_AP_SHARE_REJECT:
        case FREEMSG_AP_SHARE_CANCEL:
        case FREEMSG_AP_SHARE_STOP_REQUEST:
            handleSharingRequestMessage(code, senderID);
            break;
        case FREEMSG_AS_STOP_REQ:
            logInfo(asCommand(code, senderID));
            if (auto* d = delegate()) d->onASStopRequest();
            break;
        case FREEMSG_ENTERING_ROOM:
            logInfo(StringWithFormat(kLogMsgRcvFmSingleWindow, senderID));
            questionnaireCatchUp(senderID);
            break;
        default:
            break;
    }
}

void LoginManager::OnRecvFreeMessageData(uint32_t code, const QString& userID, int value,
                                         const QString& data) {
    switch (code) {
        case FREEMSG_MANYMTG_SPEAKER_INFO:
            logInfo(StringWithFormat(kLogMsgRcvFmManyMtgSpeakerInfo, userID));
            break;
        case FREEMSG_REMOTE_STG_REQ:
            logInfo(StringWithFormat(kLogMsgRcvFmReqRemoteSet, value, userID));
            if (remoteStgManager_) remoteStgManager_->recvRemoteStgReq(userID, value, data);
            break;
        case FREEMSG_REMOTE_STG_RES:
            if (remoteStgManager_) remoteStgManager_->recvRemoteStgRes(userID, value, data);
            break;
        case FREEMSG_REMOTE_STG_CHANGE_REQ:
            logInfo(StringWithFormat(kLogMsgRcvFmChangeRemoteSet, value, userID));
            logInfo(StringWithFormat(kLogMsgRcvFmChangeRemoteSetInfo, data));
            if (remoteStgManager_) remoteStgManager_->recvRemoteStgChangeReq(userID, value, data);
            break;
        case FREEMSG_REMOTE_STG_CHANGE_RES:
            if (remoteStgManager_) remoteStgManager_->recvRemoteStgChangeRes(userID, value, data);
            break;
        case FREEMSG_WEBINAR_WINSYNC: {
            logInfo(StringWithFormat(kLogMsgWebinarRecvSync, data));
            std::lock_guard lock(modesMutex_);
            if (!webinarManager_ && features_.webinarManager)
                webinarManager_ = features_.webinarManager(*this);
            if (webinarManager_) webinarManager_->updataAndConvertStrWinSync(data);
            break;
        }
        case FREEMSG_DISPCONTROL_REQ:
            if (remoteSupportManager_) remoteSupportManager_->recvDispControlReq(userID, value, data);
            break;
        case FREEMSG_DISPCONTROL_RES:
            if (remoteSupportManager_) remoteSupportManager_->recvDispControlRes(userID, value, data);
            break;
        case FREEMSG_DISPCONTROL_REP:
            if (remoteSupportManager_) remoteSupportManager_->recvDispControlRep(userID, value, data);
            break;
        default:
            break;
    }
}

// ---- The sharing-request dialogue ----

void LoginManager::requestAPShare(const QString& userId, bool isStart) {
    const QString me = myInfo_->userId();
    if (!isStart) {
        if (apShareStatus_.load() != AS_STATUS_VIEWING) return;
        bridge()->SendFreeMessage(FREEMSG_AP_SHARE_STOP_REQUEST, userId);
        logInfo(asCommand(FREEMSG_AP_SHARE_STOP_REQUEST, userId));
        std::lock_guard lock(shareMutex_);
        apShareRequestStatus_ = AS_REQUEST_NONE;
        apShareRequesterStr_.clear();
        apShareRequesteeStr_.clear();
        return;
    }
    const int64_t sharing = apShareStatus_.load();
    if (sharing == AS_STATUS_SHARING || sharing == AS_STATUS_VIEWING) return;
    QString refused;  // a received request that waits is refused first
    {
        std::lock_guard lock(shareMutex_);
        if (apShareRequestStatus_ == AS_REQUEST_SENT) return;
        if (apShareRequestStatus_ == AS_REQUEST_RECEIVED) refused = apShareRequesterStr_;
        apShareRequestStatus_ = AS_REQUEST_SENT;
        apShareRequesterStr_ = me;
        apShareRequesteeStr_ = userId;
    }
    if (!refused.isEmpty()) {
        bridge()->SendFreeMessage(FREEMSG_AP_SHARE_REJECT, refused);
        logInfo(asCommand(FREEMSG_AP_SHARE_REJECT, refused));
    }
    bridge()->SendFreeMessage(FREEMSG_AP_SHARE_REQUEST, userId);
    logInfo(StringWithFormat(kLogMsgRcvFmASReqStart, userId));
}

void LoginManager::cancelRequestAPShare() {
    QString requestee;
    {
        std::lock_guard lock(shareMutex_);
        if (apShareRequestStatus_ != AS_REQUEST_SENT) return;
        requestee = apShareRequesteeStr_;
        apShareRequesterStr_.clear();
        apShareRequesteeStr_.clear();
        apShareRequestStatus_ = AS_REQUEST_NONE;
    }
    bridge()->SendFreeMessage(FREEMSG_AP_SHARE_CANCEL, requestee);
    logInfo(asCommand(FREEMSG_AP_SHARE_CANCEL, requestee));
}

void LoginManager::permitRequestAPShare() {
    QString requester;
    bool ordered = false;
    {
        std::lock_guard lock(shareMutex_);
        if (apShareRequestStatus_ == AS_REQUEST_RECEIVED) requester = apShareRequesterStr_;
        ordered = std::exchange(apShareOrderAsked_, false) && !requester.isEmpty();
        apShareRequestStatus_ = ordered ? AS_REQUEST_NONE : AS_REQUEST_PERMITTED;
    }
    if (requester.isEmpty()) return;
    if (ordered) {
        // The order was the request: the share starts now, at the user's yes.
        logInfo(asCommand(FREEMSG_AS_START_REQ, requester));
        if (auto* d = delegate()) d->onASStartRequest(false, requester);
        return;
    }
    bridge()->SendFreeMessage(FREEMSG_AP_SHARE_PERMIT, requester);
    logInfo(asCommand(FREEMSG_AP_SHARE_PERMIT, requester));
}

void LoginManager::rejectRequestAPShare() {
    QString requester;
    {
        std::lock_guard lock(shareMutex_);
        // Nothing waits (the close that follows the user's yes): a permitted
        // request stays permitted.
        if (apShareRequestStatus_ != AS_REQUEST_RECEIVED) return;
        if (!apShareRequesterStr_.isEmpty()) {
            requester = apShareRequesterStr_;
            apShareRequesterStr_.clear();
            apShareRequesteeStr_.clear();
        }
        apShareOrderAsked_ = false;
        apShareRequestStatus_ = AS_REQUEST_REJECTED;
    }
    if (requester.isEmpty()) return;
    bridge()->SendFreeMessage(FREEMSG_AP_SHARE_REJECT, requester);
    logInfo(asCommand(FREEMSG_AP_SHARE_REJECT, requester));
}

void LoginManager::handleSharingRequestMessage(uint32_t code, const QString& senderId) {
    const QString me = myInfo_->userId();
    LoginManagerDelegate* d = delegate();
    switch (code) {
        case FREEMSG_AP_SHARE_REQUEST: {
            if (!bSupportASServer_.load()) {
                bridge()->SendFreeMessage(FREEMSG_AP_SHARE_REJECT, senderId);
                logInfo(asCommand(FREEMSG_AP_SHARE_REJECT, senderId));
                return;
            }
            const bool noConfirm = isFlagOn(configDataDict(), "MODE_AS_REQUIRE_NO_CONFIRM");
            QString ownRequestee, displaced;
            {
                std::lock_guard lock(shareMutex_);
                if (apShareRequestStatus_ == AS_REQUEST_SENT) ownRequestee = apShareRequesteeStr_;
                // A request that waits for the user's answer, or that he
                // permitted but whose start order has not come yet, is
                // refused rather than forgotten.
                if ((apShareRequestStatus_ == AS_REQUEST_RECEIVED ||
                     apShareRequestStatus_ == AS_REQUEST_PERMITTED) &&
                    !apShareRequesterStr_.isEmpty() && apShareRequesterStr_ != senderId &&
                    apShareRequesteeStr_ == me)
                    displaced = apShareRequesterStr_;
                apShareRequestStatus_ = noConfirm ? AS_REQUEST_PERMITTED : AS_REQUEST_RECEIVED;
                apShareOrderAsked_ = false;
                apShareRequesteeStr_ = me;
                apShareRequesterStr_ = senderId;
            }
            if (!ownRequestee.isEmpty()) {
                bridge()->SendFreeMessage(FREEMSG_AP_SHARE_CANCEL, ownRequestee);
                logInfo(asCommand(FREEMSG_AP_SHARE_CANCEL, ownRequestee));
            }
            if (!displaced.isEmpty()) {
                bridge()->SendFreeMessage(FREEMSG_AP_SHARE_REJECT, displaced);
                logInfo(asCommand(FREEMSG_AP_SHARE_REJECT, displaced));
                if (d && !noConfirm) d->onASStartRequestCancel();
            }
            bridge()->SendFreeMessage(FREEMSG_AP_SHARE_ACK, senderId);
            logInfo(StringWithFormat(kLogMsgRcvFmASReqStart, senderId));
            if (noConfirm) {
                bridge()->SendFreeMessage(FREEMSG_AP_SHARE_PERMIT, senderId);
                logInfo(asCommand(FREEMSG_AP_SHARE_PERMIT, senderId));
            } else if (d) {
                d->onASStartRequest(true, senderId);
            }
            return;
        }
        case FREEMSG_AP_SHARE_ACK: {
            std::lock_guard lock(shareMutex_);
            if (apShareRequestStatus_ != AS_REQUEST_SENT || apShareRequesteeStr_ != senderId) return;
            apShareRequesterStr_ = me;
            logInfo(QString::fromLatin1(kLogMsgRcvFmASWaitResponse));
            return;
        }
        case FREEMSG_AP_SHARE_PERMIT: {
            {
                std::lock_guard lock(shareMutex_);
                if (apShareRequestStatus_ != AS_REQUEST_SENT || apShareRequesteeStr_ != senderId) return;
                apShareRequestStatus_ = AS_REQUEST_NONE;
            }
            bridge()->SendFreeMessage(FREEMSG_AS_START_REQ, senderId);
            logInfo(StringWithFormat(kLogMsgRcvFmASPermitStartReq, senderId));
            return;
        }
        case FREEMSG_AP_SHARE_REJECT: {
            {
                std::lock_guard lock(shareMutex_);
                if (apShareRequestStatus_ != AS_REQUEST_SENT || apShareRequesteeStr_ != senderId) return;
                apShareRequestStatus_ = AS_REQUEST_NONE;
                apShareRequesterStr_.clear();
                apShareRequesteeStr_.clear();
            }
            if (d) d->onASStartRequestRes(false);
            logInfo(StringWithFormat(kLogMsgRcvFmASRefuseStartReq, senderId));
            return;
        }
        case FREEMSG_AP_SHARE_CANCEL: {
            logInfo(StringWithFormat(kLogMsgRcvFmASCancelReq, senderId));
            {
                std::lock_guard lock(shareMutex_);
                if (apShareRequestStatus_ != AS_REQUEST_RECEIVED || apShareRequesterStr_ != senderId) return;
                apShareRequestStatus_ = AS_REQUEST_NONE;
            }
            if (d) d->onASStartRequestCancel();
            return;
        }
        case FREEMSG_AS_START_REQ: {
            // Only the requester whose request the user permitted may start
            // the user's sharing, and only once.
            bool permitted = false;
            {
                std::lock_guard lock(shareMutex_);
                permitted = apShareRequestStatus_ == AS_REQUEST_PERMITTED &&
                            apShareRequesterStr_ == senderId && apShareRequesteeStr_ == me;
                if (permitted) {
                    apShareRequestStatus_ = AS_REQUEST_NONE;
                } else {
                    // Unasked: the user decides, unless another dialogue
                    // waits, the user already shares or cannot share at all.
                    const bool idle = apShareRequestStatus_ == AS_REQUEST_NONE ||
                                      apShareRequestStatus_ == AS_REQUEST_REJECTED;
                    if (!idle || !bSupportASServer_.load() || apShareStatus_.load() != AS_STATUS_NONE) return;
                    apShareRequestStatus_ = AS_REQUEST_RECEIVED;
                    apShareRequesterStr_ = senderId;
                    apShareRequesteeStr_ = me;
                    apShareOrderAsked_ = true;
                }
            }
            logInfo(asCommand(code, senderId));
            if (d) d->onASStartRequest(!permitted, senderId);
            return;
        }
        case FREEMSG_AP_SHARE_STOP_REQUEST:
            logInfo(asCommand(code, senderId));
            if (d) d->onASStopRequest();
            return;
        default:
            return;
    }
}

// ---- Sharing commands ----

void LoginManager::sendCommand(int command, const QString& data) {
    bridge()->APShareSendCommand(command, data);
}

void LoginManager::sendControlReq(uint32_t kind, const QString& operatorId, const QString& operatorName) {
    if (isFlagOn(configDataDict(), "MODE_AS_CONTROL_NO_CONFIRM")) kind = 1;
    bridge()->ASSendControlReq(kind, operatorId, operatorName);
    logInfo(asCommand(FREEMSG_AP_SHARE_REQUEST, operatorId));
}

void LoginManager::sendControlRet() {
    bridge()->ASSendControlRet();
}
void LoginManager::sendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) {
    bridge()->ASSendMousePointerEvent(kind, x, y);
}
void LoginManager::sendMouseWheelEvent(int delta) {
    bridge()->ASSendMouseWheelEvent(delta);
}
void LoginManager::sendKeyEvent(uint32_t key, uint32_t eventType) {
    bridge()->ASSendKeyEvent(key, eventType);
}
void LoginManager::sendClipboardAsClient(const QString& text) {
    bridge()->ASSendClipboardText(text.toUtf8());
}
void LoginManager::sendClipboardAsServer(const QString& text) {
    bridge()->ASSendClipboardText(text.toUtf8());
}

void LoginManager::sendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                             uint16_t top, uint16_t right, uint16_t bottom) {
    const QString id = myInfo_->userId();
    const QString name = myInfo_->userName();
    bridge()->ASSendStart(first, stype, width, height, left, top, right, bottom, id, name, id, name);
    logInfo(StringWithFormat(kLogMsgRcvASStart, id, id, unsigned(width), unsigned(height)));
}

void LoginManager::sendStop() {
    logInfo(StringWithFormat(kLogMsgRcvASStop, myInfo_->userId()));
    bridge()->ASSendStop(0, myInfo_->userId(), myInfo_->userName());
    apShareStatus_ = AS_STATUS_NONE;
    std::lock_guard lock(shareMutex_);
    apShareRequestStatus_ = AS_REQUEST_NONE;
    apShareRequesterStr_.clear();
    apShareRequesteeStr_.clear();
}

void LoginManager::sendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    bridge()->ASSendKeyFrame(left, top, right, bottom);
}
void LoginManager::sendRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                            const uint8_t* data) {
    bridge()->ASSendShowRect(left, top, right, bottom, data);
}
void LoginManager::sendWindowChange(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    bridge()->ASSendChangeSize(left, top, right, bottom);
}

void LoginManager::sendControlRes(uint32_t result, const QString& userId, const QString& userName) {
    logInfo(StringWithFormat(kLogMsgRcvASControlReqRes, userId));
    logInfo(asCommand(result == 0 ? FREEMSG_AP_SHARE_PERMIT : FREEMSG_AP_SHARE_REJECT, userId));
    bridge()->ASSendControlRes(result, userId, userName);
}

// ---- Sharing events ----

void LoginManager::OnAPShareStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height,
                                  uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                  const QString& sharerID, const QString& sharerName,
                                  const QString& operatorID, const QString& operatorName) {
    apShareStatus_ = AS_STATUS_VIEWING;
    if (!isFlagOn(configDataDict(), "MODE_SMARTPHONE_AP_SHARE")) return;
    const QString shownSharer = shownName(sharerID, sharerName);
    const QString shownOperator = shownName(operatorID, operatorName);
    {
        std::lock_guard lock(shareMutex_);
        apSharerIdStr_ = sharerID;
        apSharerNameStr_ = shownSharer;
        apOperatorIdStr_ = operatorID;
        apOperatorNameStr_ = shownOperator;
        if (apShareRequestStatus_ != AS_REQUEST_NONE) apShareRequestStatus_ = AS_REQUEST_NONE;
    }
    logInfo(StringWithFormat(kLogMsgRcvASStart, sharerID, operatorID, unsigned(width), unsigned(height)));
    if (auto* d = delegate())
        d->onAPShareStart(first, stype, width, height, left, top, right, bottom, sharerID, shownSharer,
                          operatorID, shownOperator);
}

void LoginManager::OnASStartPermit(uint32_t value) {
    logInfo(QString::fromLatin1(kLogMsgRcvASPermit));
    apShareStatus_ = AS_STATUS_SHARING;
    if (auto* d = delegate()) d->onASStartPermit(value);
}

void LoginManager::OnASStartRefuse(uint32_t value) {
    logInfo(QString::fromLatin1(kLogMsgRcvASRefuse));
    if (auto* d = delegate()) d->onASStartRefuse(value);
}

void LoginManager::OnAPShareStop(int kind, const QString& sharerID, const QString& sharerName) {
    logInfo(StringWithFormat(kLogMsgRcvFmASSReqStop, sharerID));
    apShareStatus_ = AS_STATUS_NONE;
    if (auto* d = delegate()) d->onAPShareStop(kind, sharerID, sharerName);
    std::lock_guard lock(shareMutex_);
    apSharerIdStr_.clear();
    apSharerNameStr_.clear();
    apOperatorIdStr_.clear();
    apOperatorNameStr_.clear();
    apShareRequestStatus_ = AS_REQUEST_NONE;
    apShareRequesterStr_.clear();
    apShareRequesteeStr_.clear();
}

void LoginManager::OnAPShareResize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    if (auto* d = delegate()) d->onAPShareResize(left, top, right, bottom);
}

void LoginManager::OnAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    logInfo(StringWithFormat(kLogMsgRcvASKeyFrame, unsigned(left), unsigned(right), unsigned(top),
                             unsigned(bottom)));
    if (auto* d = delegate()) d->onAPShareKeyFrame(left, top, right, bottom);
}

void LoginManager::OnAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                 const QByteArray& data, int length) {
    if (auto* d = delegate()) d->onAPShareRect(left, top, right, bottom, data, length);
}

void LoginManager::OnAPShareControlChange(const QString& operatorId, const QString& operatorName) {
    const QString me = myInfo_->userId();
    const QString name = operatorId == me ? operatorName : shownName(operatorId, operatorName);
    QString old;
    {
        std::lock_guard lock(shareMutex_);
        old = apOperatorIdStr_;
        apOperatorIdStr_ = operatorId;
        apOperatorNameStr_ = name;
    }
    logInfo(StringWithFormat(kLogMsgRcvASOperatorChange, old, operatorId));
    const bool mayAsk = !(iRoomCategory_.load() == ROOM_CATEGORY_SEMINAR && !isOwner() && !isSpeaker());
    if (auto* d = delegate())
        d->onAPShareControlChange(operatorId, name, operatorId == me ? AS_CONTROL_STATUS_OPERATOR : 0,
                                  mayAsk);
}

void LoginManager::OnASControlReq(uint32_t kind, const QString& userID, const QString& userName) {
    logInfo(StringWithFormat(kLogMsgRcvASControlReq, userID));
    if (auto* d = delegate()) d->onASControlReq(kind, userID, userName);
}

void LoginManager::OnASControlRes(uint32_t result, const QString& userID, const QString& userName) {
    logInfo(QString::fromLatin1(result == 0 ? kLogMsgRcvASPermit : kLogMsgRcvASRefuse));
    if (auto* d = delegate()) d->onASControlRes(result, userID, userName);
}

void LoginManager::OnASControlRet() {
    logInfo(QString::fromLatin1(kLogMsgRcvASControlReturn));
    if (auto* d = delegate()) d->onASControlRet();
}

void LoginManager::OnASKeyEvent(uint32_t key, uint32_t updown) {
    if (auto* d = delegate()) d->onASKeyEvent(key, updown);
}
void LoginManager::OnASMouseEvent(uint16_t kind, uint16_t mouseX, uint16_t mouseY) {
    if (auto* d = delegate()) d->onASMouseEvent(kind, mouseX, mouseY);
}
void LoginManager::OnASMouseWheelEvent(int delta) {
    if (auto* d = delegate()) d->onASMouseWheelEvent(delta);
}
void LoginManager::OnASClipBoardText(const QByteArray& text) {
    if (auto* d = delegate()) d->onASClipBoardText(text);
}

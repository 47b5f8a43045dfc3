// The core's events as the application receives them from the bridge
// (`Quorix`). Every message runs on the core thread that raised it (camera
// frames on the camera's delivery thread). The bridge has already copied
// every text and buffer the core lent it: the arguments belong to the
// receiver and stay valid after the call. A receiver must never wait for the
// main thread here: a logout on the main thread joins these very threads.
//
// Every message has an empty default body; a receiver overrides what it
// handles.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>

class QuorixInterface {
public:
    virtual ~QuorixInterface() = default;

    // Participants and floor.
    virtual void OnEnterMember(const QString& /*strUserId*/, const QString& /*strUserName*/,
                               const QString& /*strUserType*/) {}
    virtual void OnLeaveMember(const QString& /*strUserId*/) {}
    virtual void OnStartSpeech(int /*iClientNo*/, const QString& /*strUserId*/, const QString& /*strUserName*/,
                               const QString& /*strUserType*/, bool /*bCameraDev*/, bool /*bMic*/) {}
    virtual void OnStopSpeech(int /*iClientNo*/) {}
    virtual void OnChangeOwner(const QString& /*strUserId*/) {}
    virtual void OnPushOut() {}
    virtual void OnForceLeave(const QString& /*strUserId*/, const QString& /*strUserName*/) {}
    virtual void OnSpeechReserveResult(int /*iResult*/) {}
    virtual void OnSpeechReserve(const QString& /*strUserId*/, const QString& /*strUserName*/, bool /*bCameraDev*/,
                                 bool /*bMic*/) {}
    virtual void OnSpeechReserveCancel(int /*iValue*/, const QString& /*strUserId*/) {}
    virtual void OnSpeechNominateResult(int /*iResult*/) {}
    virtual void OnSpeechNominate(int /*iKind*/) {}
    virtual void OnSpeechEnd() {}

    // Messages and free messages.
    virtual void OnMessage(const QString& /*strUserId*/, const QString& /*strUserName*/,
                           const QString& /*strMessage*/) {}
    virtual void OnRecvFreeMessage(uint32_t /*code*/, const QString& /*senderID*/) {}
    virtual void OnRecvFreeMessageData(uint32_t /*code*/, const QString& /*userID*/, int /*value*/,
                                       const QString& /*data*/) {}
    virtual void OnHold(const QString& /*text*/) {}
    virtual void OnHoldRelease(const QString& /*text*/) {}
    virtual void OnHoldStatusHold(const QString& /*text*/) {}
    virtual void OnHoldStatusRelease(const QString& /*text*/) {}
    virtual void OnEndCall(const QString& /*text*/) {}
    virtual void OnWindowSync(const QString& /*first*/, const QString& /*strLeftBottom*/,
                              const QString& /*strRight*/) {}

    // Questionnaires.
    virtual void OnQuestionStart(const QString& /*userId*/, const QString& /*question*/, bool /*anonymous*/,
                                 bool /*multiSelect*/, int /*count*/, const QStringList& /*selection*/) {}
    virtual void OnQuestionStop(const QString& /*userId*/) {}
    virtual void OnQuestionAnswer(const QString& /*userId*/, int /*answerCount*/, const QString& /*answer*/) {}
    virtual void OnQuestionReceived(const QString& /*userId*/) {}

    // Media. Decoded video arrives as an image of its own (already cropped to
    // the picture's size); audio and levels only while logged in.
    virtual void OnVideoInput(const QByteArray& /*pixels*/, int /*iSize*/, int /*iWidht*/, int /*iHeight*/) {}
    virtual void OnVideoOutput(int /*iClientNo*/, const QImage& /*image*/) {}
    virtual void OnAudioOutput(int /*iLevel*/, const QByteArray& /*pBuffer*/, int /*iSize*/) {}
    virtual void OnAudioInitialized(int /*iSlot*/) {}
    virtual void OnAudioVolume(int /*iSlot*/, int /*iVolume*/) {}
    // Declared for completeness; nothing sends these.
    virtual void OnAudioInput(const QByteArray& /*pBuffer*/, int /*iSize*/) {}
    virtual void OnWBData(const QString& /*text*/) {}
    virtual void OnWBBinaryData(const QByteArray& /*data*/, int /*size*/) {}

    // Text box and document sharing.
    virtual void OnTextBoxData(const QString& /*strUserId*/, const QString& /*strUserName*/,
                               const QString& /*strMessage*/, const QString& /*strFontOptionJson*/) {}
    virtual void OnTextBoxActive(const QString& /*strUserId*/, const QString& /*strUserName*/) {}
    virtual void OnDocShareData(const QString& /*strUserId*/, const QString& /*strDocShareData*/) {}
    virtual void OnDocShareStartResult(int /*iResult*/) {}
    virtual void OnDocShareStart(const QString& /*strUserId*/, const QString& /*strUserName*/) {}
    virtual void OnDocShareStop(const QString& /*strUserId*/) {}

    // Application sharing.
    virtual void OnAPShareStart(uint16_t /*first*/, uint16_t /*stype*/, uint16_t /*width*/, uint16_t /*height*/,
                                uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/,
                                const QString& /*sharerID*/, const QString& /*sharerName*/,
                                const QString& /*operatorID*/, const QString& /*operatorName*/) {}
    virtual void OnAPShareStop(int /*kind*/, const QString& /*sharerID*/, const QString& /*sharerName*/) {}
    virtual void OnAPShareRect(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/,
                               const QByteArray& /*data*/, int /*length*/) {}
    virtual void OnAPShareKeyFrame(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/) {}
    virtual void OnAPShareResize(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/) {}
    virtual void OnAPShareControlChange(const QString& /*operatorId*/, const QString& /*operatorName*/) {}
    virtual void OnASStartRefuse(uint32_t /*value*/) {}
    virtual void OnASStartPermit(uint32_t /*value*/) {}
    virtual void OnASControlReq(uint32_t /*kind*/, const QString& /*userID*/, const QString& /*userName*/) {}
    virtual void OnASControlRes(uint32_t /*result*/, const QString& /*userID*/, const QString& /*userName*/) {}
    virtual void OnASControlRet() {}
    virtual void OnASMouseEvent(uint16_t /*kind*/, uint16_t /*mouseX*/, uint16_t /*mouseY*/) {}
    virtual void OnASMouseWheelEvent(int /*delta*/) {}
    virtual void OnASClipBoardText(const QByteArray& /*text*/) {}
    virtual void OnASKeyEvent(uint32_t /*key*/, uint32_t /*updown*/) {}

    // Many-meeting.
    virtual void OnManyMtgStartRes(short /*code*/, short /*subCode*/, const QString& /*userID*/,
                                   const QString& /*userName*/) {}
    virtual void OnManyMtgStart(short /*code*/, short /*subCode*/, const QString& /*userID*/,
                                const QString& /*userName*/) {}
    virtual void OnManyMtgStop(short /*code*/, short /*subCode*/, const QString& /*userID*/,
                               const QString& /*userName*/) {}
    virtual void OnManyListRes(short /*code*/, short /*subCode*/, const QStringList& /*userID*/,
                               const QStringList& /*userName*/) {}

    // Permissions, errors and log lines.
    virtual void OnUserPermissionCmd(const QString& /*userId*/, int /*iCmd*/, int /*iCode*/, int /*iFuncFlgs*/,
                                     int /*iPermitFlgs*/) {}
    virtual void OnError(int /*iErrorKind*/, int /*iErrorNo*/, const QString& /*strError*/) {}
    virtual void OnDebug(const QString& /*text*/) {}
    virtual void OnQuorixLog(int /*level*/, const QString& /*strMessage*/) {}
};

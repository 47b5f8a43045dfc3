// What LoginManager asks of the bridge to the core: start and end the core,
// log in and out, and the connection sub-code. `Quorix` is the one real
// bridge; tests put a scripted one in its place.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class CameraCaptureSource;
class QuorixDelegate {
public:
    virtual ~QuorixDelegate() = default;
};

struct QuorixLoginParams {
    bool unused = true;
    QString strAddr;
    int iPort = 0;
    int iFirstConnectType = -1;
    std::optional<QString> strProxyInfoJson;  // none: no proxy list
    bool bWifi = false;
    QString strUserId;
    QString strPassword;
    QString strUserName;
    int iTopRoomId = 0;
    int iRoomId = 0;
    int iVersion = 0;
    QString strAppVersion;
    int iRoomSamplingRate = 0;
    QString strSupportFunc;
    std::optional<QString> strOption;  // none: no option text
};

class QuorixBridge {
public:
    virtual ~QuorixBridge() = default;
    virtual int Init() = 0;
    virtual void Term() = 0;
    virtual int Login(const QuorixLoginParams& params) = 0;
    virtual void Logout() = 0;
    virtual int GetConnectionError() = 0;
    // 0 not initialised, 1 initialised, 2 logged in.
    virtual int status() const = 0;
    virtual void setDelegate(QuorixDelegate* delegate) = 0;

    // ---- The room's commands, passed to the core unchanged ----
    // Each answers the core's result; the defaults send nothing and answer
    // false (a scripted bridge overrides what its test needs).
    virtual bool StartSpeech() { return false; }
    virtual bool StopSpeech() { return false; }
    virtual bool ChangeOwner(const QString& /*userId*/) { return false; }
    virtual bool ForceLeave(const QString& /*userId*/) { return false; }
    virtual bool SpeechReserve() { return false; }
    virtual bool SpeechReserveCancel(const QString& /*userId*/) { return false; }
    virtual bool SpeechNominate(int /*kind*/, const QString& /*userId*/) { return false; }
    virtual bool SpeechEnd(const QString& /*userId*/) { return false; }
    virtual bool SendMessage(const QString& /*userId*/, const QString& /*message*/) { return false; }
    virtual bool SendFreeMessage(uint32_t /*code*/, const QString& /*userId*/) { return false; }
    virtual bool SendFreeMessageData(uint32_t /*code*/, const QString& /*userId*/, int /*value*/,
                                     const QString& /*text*/) {
        return false;
    }
    virtual bool StartQuestionnaire(const QString& /*userId*/, const QString& /*question*/, bool /*anonymous*/,
                                    bool /*multiSelect*/, const QStringList& /*choices*/) {
        return false;
    }
    virtual bool ReceivedQuestionnaire(const QString& /*userId*/, const QString& /*text*/) { return false; }
    virtual bool StopQuestionnaire(const QString& /*userId*/) { return false; }
    virtual bool AnswerQuestionnaire(const QString& /*userId*/, int /*answer*/, const QString& /*text*/) {
        return false;
    }
    // Relay commands. The text box block travels as the UTF-8 bytes given.
    virtual bool SendVideo(const uint8_t* /*pixels*/, int /*size*/, int /*width*/, int /*height*/, int /*frameRate*/,
                           int /*optionA*/, int /*optionB*/) {
        return false;
    }
    virtual bool SendAudio(const QByteArray& /*pcm*/, double /*boost*/, int /*samplingRate*/) { return false; }
    virtual bool SetDstAudioSampleRate(int /*rate*/) { return false; }
    virtual bool SendTextBoxData(const QByteArray& /*block*/) { return false; }
    virtual bool SendTextBoxActive(const QString& /*userId*/, const QString& /*userName*/) { return false; }
    virtual bool SendDocShareData(const QString& /*block*/) { return false; }
    virtual bool StartDocShare() { return false; }
    virtual bool StopDocShare() { return false; }
    virtual bool ManyMtgStartReq(const QString& /*userId*/, const QString& /*userName*/) { return false; }
    virtual bool ManyMtgStopSend(const QString& /*userId*/, const QString& /*userName*/) { return false; }
    virtual bool SendUserPermissionCmd(const QString& /*fromId*/, const QString& /*toId*/, int /*cmd*/, int /*code*/,
                                       int /*funcFlags*/, int /*permitFlags*/) {
        return false;
    }
    virtual bool SendCloudRecStart(const QString& /*userId*/, const QString& /*userName*/, const QString& /*text*/,
                                   int /*d*/, int /*e*/, const QString& /*option*/) {
        return false;
    }
    // Application sharing.
    virtual bool APShareSendCommand(int /*command*/, const QString& /*text*/) { return false; }
    virtual bool ASSendStart(uint16_t /*first*/, uint16_t /*stype*/, uint16_t /*width*/, uint16_t /*height*/,
                             uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/,
                             const QString& /*sharerId*/, const QString& /*sharerName*/,
                             const QString& /*operatorId*/, const QString& /*operatorName*/) {
        return false;
    }
    virtual bool ASSendStop(uint32_t /*kind*/, const QString& /*userId*/, const QString& /*userName*/) {
        return false;
    }
    virtual bool ASSendControlReq(uint32_t /*kind*/, const QString& /*userId*/, const QString& /*userName*/) {
        return false;
    }
    virtual bool ASSendControlRes(uint32_t /*result*/, const QString& /*userId*/, const QString& /*userName*/) {
        return false;
    }
    virtual bool ASSendControlRet() { return false; }
    virtual bool ASSendMousePointerEvent(uint16_t /*kind*/, uint16_t /*x*/, uint16_t /*y*/) { return false; }
    virtual bool ASSendMouseWheelEvent(int /*delta*/) { return false; }
    virtual bool ASSendKeyEvent(uint32_t /*key*/, uint32_t /*upDown*/) { return false; }
    virtual bool ASSendClipboardText(const QByteArray& /*text*/) { return false; }
    virtual bool ASSendShowRect(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/,
                                const uint8_t* /*pixels*/) {
        return false;
    }
    virtual bool ASSendKeyFrame(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/) {
        return false;
    }
    virtual bool ASSendChangeSize(uint16_t /*left*/, uint16_t /*top*/, uint16_t /*right*/, uint16_t /*bottom*/) {
        return false;
    }

    // ---- Own camera, video reception and playback levels ----
    virtual bool StartCamera() { return false; }
    virtual void StopCamera() {}
    // True when the machine has a camera the own camera could use.
    virtual bool hasCameraDevice() const { return false; }
    virtual int cameraFrameRate() const { return 0; }
    virtual bool setSelfVideoSize(int /*width*/, int /*height*/) { return false; }
    virtual bool setSelfVideoFrameRate(int /*frameRate*/) { return false; }
    virtual void setSpeakerVolume(int /*slot*/, float /*fVolume*/) {}
    virtual bool StartVideo(int /*value*/) { return false; }
    virtual void SetCameraDevice(const QString& /*uniqueID*/) {}
    // The own camera's pictures for the own tile (none without a camera object).
    virtual CameraCaptureSource* cameraSource() { return nullptr; }
    virtual bool StopVideo(int /*value*/) { return false; }
};

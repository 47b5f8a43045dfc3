// The bridge between the application and the core's function interface: the
// one process-wide object that starts and ends the core, logs in and out,
// drives the own camera's capture, and turns every callback of the core's
// table into a message of QuorixInterface for the event receiver (always
// LoginManager). Callbacks run on the core's threads and are forwarded there;
// every text, buffer and picture the core lends is copied before the call
// returns. Only the camera set-up of a login moves to the main thread.
#pragma once

#include <QImage>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "interface/QuorixCoreTypes.h"
#include "session/BridgeCamera.h"
#include "session/QuorixBridge.h"
#include "session/QuorixInterface.h"

class Quorix final : public QuorixBridge {
public:
    enum Status : int { StatusNone = 0, StatusInitialized = 1, StatusLoggedIn = 2 };

    // The one bridge (created on the first call, with the core's framework
    // started once); `receiver` becomes the receiver of every later event.
    static Quorix* GetInstance(QuorixInterface* receiver);
    // The receiver of events at the moment.
    static QuorixInterface* receiver();
    // Makes `receiver` stop receiving events when it is still the receiver
    // (its owner goes away; called after the core's threads were ended).
    static void releaseReceiver(QuorixInterface* receiver);

    // The callback table the bridge gives the core: every slot but
    // OnAPShareGetRect forwards to the receiver; the user pointer is the bridge.
    static ST_FUNCLIST callbackTable();
    // A decoded picture as the receiver gets it: the pixels (RGBA, premultiplied
    // alpha, `displayWidth` x 4 bytes per row, `displayHeight` rows) copied, cut
    // to the top-left width x height. A null image when the buffer is shorter
    // than the sizes claim or the sizes do not fit.
    static QImage decodedImage(const uint8_t* pixels, int size, int width, int height, int displayWidth,
                               int displayHeight);

    Quorix(const Quorix&) = delete;
    Quorix& operator=(const Quorix&) = delete;

    // 0, -1 when already initialised, or the core's answer.
    int Init() override;
    // Logs out and ends the core; nothing when not initialised.
    void Term() override;
    // -2 before Init, -4 when logged in, else the core login's result.
    int Login(const QuorixLoginParams& params) override;
    void Logout() override;
    int GetConnectionError() override;

    // The own camera: the machine's camera (OwnCameraCapture) from the bridge's
    // creation on; tests put another in its place. Without one every camera
    // operation answers false.
    void setCameraView(std::unique_ptr<BridgeCamera> camera);
    BridgeCamera* GetCameraView() const { return mpCameraView.get(); }
    // The size and rate of a camera direction (by default the camera settings' values).
    void setCameraFormatSource(std::function<BridgeCameraFormat(int direction)> source);
    bool CreateCamera();
    void DeleteCamera();
    bool StartCamera() override;
    void StopCamera() override;
    bool SetCamera();
    bool hasCameraDevice() const override;
    CameraCaptureSource* cameraSource() override {
        return mpCameraView ? mpCameraView->captureSource() : nullptr;
    }
    int cameraFrameRate() const override { return frameRate_.load(); }
    bool setSelfVideoSize(int width, int height) override;
    bool setSelfVideoFrameRate(int frameRate) override;

    // Playback level of a speaker slot (the own microphone's slot -100 is left alone).
    void setSpeakerVolume(int slot, float fVolume) override;
    bool StartVideo(int value) override;
    void SetCameraDevice(const QString& uniqueID) override;
    bool StopVideo(int value) override;
    bool SetVideoMode(int mode);

    // The room's commands (QuorixCommands.cpp).
    bool StartSpeech() override;
    bool StopSpeech() override;
    bool ChangeOwner(const QString& userId) override;
    bool ForceLeave(const QString& userId) override;
    bool SpeechReserve() override;
    bool SpeechReserveCancel(const QString& userId) override;
    bool SpeechNominate(int kind, const QString& userId) override;
    bool SpeechEnd(const QString& userId) override;
    bool SendMessage(const QString& userId, const QString& message) override;
    bool SendFreeMessage(uint32_t code, const QString& userId) override;
    bool SendFreeMessageData(uint32_t code, const QString& userId, int value, const QString& text) override;
    bool StartQuestionnaire(const QString& userId, const QString& question, bool anonymous, bool multiSelect,
                            const QStringList& choices) override;
    bool ReceivedQuestionnaire(const QString& userId, const QString& text) override;
    bool StopQuestionnaire(const QString& userId) override;
    bool AnswerQuestionnaire(const QString& userId, int answer, const QString& text) override;
    bool SendVideo(const uint8_t* pixels, int size, int width, int height, int frameRate, int optionA,
                   int optionB) override;
    bool SendAudio(const QByteArray& pcm, double boost, int samplingRate) override;
    bool SetDstAudioSampleRate(int rate) override;
    bool SendTextBoxData(const QByteArray& block) override;
    bool SendTextBoxActive(const QString& userId, const QString& userName) override;
    bool SendDocShareData(const QString& block) override;
    bool StartDocShare() override;
    bool StopDocShare() override;
    bool ManyMtgStartReq(const QString& userId, const QString& userName) override;
    bool ManyMtgStopSend(const QString& userId, const QString& userName) override;
    bool SendUserPermissionCmd(const QString& fromId, const QString& toId, int cmd, int code, int funcFlags,
                               int permitFlags) override;
    bool SendCloudRecStart(const QString& userId, const QString& userName, const QString& text, int d, int e,
                           const QString& option) override;
    bool APShareSendCommand(int command, const QString& text) override;
    bool ASSendStart(uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left, uint16_t top,
                     uint16_t right, uint16_t bottom, const QString& sharerId, const QString& sharerName,
                     const QString& operatorId, const QString& operatorName) override;
    bool ASSendStop(uint32_t kind, const QString& userId, const QString& userName) override;
    bool ASSendControlReq(uint32_t kind, const QString& userId, const QString& userName) override;
    bool ASSendControlRes(uint32_t result, const QString& userId, const QString& userName) override;
    bool ASSendControlRet() override;
    bool ASSendMousePointerEvent(uint16_t kind, uint16_t x, uint16_t y) override;
    bool ASSendMouseWheelEvent(int delta) override;
    bool ASSendKeyEvent(uint32_t key, uint32_t upDown) override;
    bool ASSendClipboardText(const QByteArray& text) override;
    bool ASSendShowRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, const uint8_t* pixels) override;
    bool ASSendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;
    bool ASSendChangeSize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) override;

    QuorixDelegate* delegate() const { return delegate_.load(); }
    void setDelegate(QuorixDelegate* delegate) override { delegate_.store(delegate); }
    int status() const override { return status_.load(); }
    QString userAgent() const;

private:
    Quorix();

    std::atomic<int> status_{StatusNone};
    std::unique_ptr<BridgeCamera> mpCameraView;
    std::function<BridgeCameraFormat(int)> cameraFormat_;
    std::atomic<int> frameRate_{0};
    mutable std::mutex userAgentMutex_;
    QString m_UserAgent;
    std::atomic<QuorixDelegate*> delegate_{nullptr};
};

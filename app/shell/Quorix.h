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
#include "shell/BridgeCamera.h"
#include "shell/QuorixBridge.h"
#include "shell/QuorixInterface.h"

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
    bool StartCamera();
    void StopCamera();
    bool SetCamera();
    bool setSelfVideoSize(int width, int height);
    bool setSelfVideoFrameRate(int frameRate);

    // Playback level of a speaker slot (the own microphone's slot -100 is left alone).
    void setSpeakerVolume(int slot, float fVolume);
    bool StartVideo(int value);
    bool StopVideo(int value);
    bool SetVideoMode(int mode);

    QuorixDelegate* delegate() const { return delegate_.load(); }
    void setDelegate(QuorixDelegate* delegate) override { delegate_.store(delegate); }
    int status() const override { return status_.load(); }
    QString userAgent() const;

private:
    Quorix();

    std::atomic<int> status_{StatusNone};
    std::unique_ptr<BridgeCamera> mpCameraView;
    std::function<BridgeCameraFormat(int)> cameraFormat_;
    mutable std::mutex userAgentMutex_;
    QString m_UserAgent;
    std::atomic<QuorixDelegate*> delegate_{nullptr};
};

#include "session/Quorix.h"

#include <QByteArray>
#include <QImage>

#include "interface/QuorixCoreAPI.h"
#include "media/CameraSettings.h"
#include "platform/Dispatch.h"
#include "session/OwnCameraCapture.h"
#include "services/QuorixUtils.h"

namespace {

std::mutex gInstanceMutex;
Quorix* gInstance = nullptr;
std::atomic<QuorixInterface*> gReceiver{nullptr};

QString text(const char* s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }

QByteArray bytes(const void* data, int length) {
    if (data == nullptr || length <= 0) return QByteArray();
    return QByteArray(static_cast<const char*>(data), length);
}

Quorix* bridge(void* user) { return static_cast<Quorix*>(user); }

bool loggedIn(void* user) { return user != nullptr && bridge(user)->status() == Quorix::StatusLoggedIn; }

// Sends one event to the receiver of the moment, when there is one.
template <typename F>
void forward(F&& send) {
    if (QuorixInterface* r = gReceiver.load()) send(*r);
}

QStringList textList(int count, const char** items) {
    QStringList list;
    for (int i = 0; i < count; ++i) list.append(items != nullptr ? text(items[i]) : QString(""));
    return list;
}

void onVideoInput(uint8_t* pixels, int size, int width, int height, void*) {
    if (pixels == nullptr || width <= 0 || height <= 0) return;
    const QByteArray frame = bytes(pixels, width * height * 4);
    forward([&](QuorixInterface& r) { r.OnVideoInput(frame, size, width, height); });
}

ST_FUNCLIST makeCallbackTable() {
    ST_FUNCLIST t{};
    t.OnEnterMember = [](const char* id, const char* name, const char* type, void*) {
        forward([&](QuorixInterface& r) { r.OnEnterMember(text(id), text(name), text(type)); });
    };
    t.OnLeaveMember = [](const char* id, void*) { forward([&](QuorixInterface& r) { r.OnLeaveMember(text(id)); }); };
    t.OnStartSpeech = [](int slot, const char* id, const char* name, const char* type, bool camera, bool mic,
                         void*) {
        forward([&](QuorixInterface& r) { r.OnStartSpeech(slot, text(id), text(name), text(type), camera, mic); });
    };
    t.OnStopSpeech = [](int slot, void*) { forward([&](QuorixInterface& r) { r.OnStopSpeech(slot); }); };
    t.OnChangeOwner = [](const char* id, void*) { forward([&](QuorixInterface& r) { r.OnChangeOwner(text(id)); }); };
    t.OnPushOut = [](void*) { forward([&](QuorixInterface& r) { r.OnPushOut(); }); };
    t.OnForceLeave = [](const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnForceLeave(text(id), text(name)); });
    };
    t.OnSpeechReserveResult = [](int result, void*) {
        forward([&](QuorixInterface& r) { r.OnSpeechReserveResult(result); });
    };
    t.OnSpeechReserve = [](const char* id, const char* name, bool camera, bool mic, void*) {
        forward([&](QuorixInterface& r) { r.OnSpeechReserve(text(id), text(name), camera, mic); });
    };
    t.OnSpeechReserveCancel = [](int value, const char* id, void*) {
        forward([&](QuorixInterface& r) { r.OnSpeechReserveCancel(value, text(id)); });
    };
    t.OnSpeechNominateResult = [](int result, void*) {
        forward([&](QuorixInterface& r) { r.OnSpeechNominateResult(result); });
    };
    t.OnSpeechNominate = [](int kind, void*) { forward([&](QuorixInterface& r) { r.OnSpeechNominate(kind); }); };
    t.OnSpeechEnd = [](void*) { forward([&](QuorixInterface& r) { r.OnSpeechEnd(); }); };
    t.OnMessage = [](const char* id, const char* name, const char* message, void*) {
        forward([&](QuorixInterface& r) { r.OnMessage(text(id), text(name), text(message)); });
    };
    t.OnRecvFreeMessage = [](uint32_t code, const char* id, void*) {
        forward([&](QuorixInterface& r) { r.OnRecvFreeMessage(code, text(id)); });
    };
    t.OnRecvFreeMessageData = [](uint32_t code, const char* id, int value, const char* data, void*) {
        forward([&](QuorixInterface& r) { r.OnRecvFreeMessageData(code, text(id), value, text(data)); });
    };
    t.OnHold = [](const char* s, void*) { forward([&](QuorixInterface& r) { r.OnHold(text(s)); }); };
    t.OnHoldRelease = [](const char* s, void*) { forward([&](QuorixInterface& r) { r.OnHoldRelease(text(s)); }); };
    t.OnHoldStatusHold = [](const char* s, void*) {
        forward([&](QuorixInterface& r) { r.OnHoldStatusHold(text(s)); });
    };
    t.OnHoldStatusRelease = [](const char* s, void*) {
        forward([&](QuorixInterface& r) { r.OnHoldStatusRelease(text(s)); });
    };
    t.OnEndCall = [](const char* s, void*) { forward([&](QuorixInterface& r) { r.OnEndCall(text(s)); }); };
    t.OnWindowSync = [](const char* a, const char* b, const char* c, void*) {
        forward([&](QuorixInterface& r) { r.OnWindowSync(text(a), text(b), text(c)); });
    };
    t.OnQuestionStart = [](const char* id, const char* question, bool anonymous, bool multi, int count,
                           const char** selections, void*) {
        const QStringList choices = textList(count, selections);
        forward([&](QuorixInterface& r) {
            r.OnQuestionStart(text(id), text(question), anonymous, multi, count, choices);
        });
    };
    t.OnQuestionStop = [](const char* id, void*) { forward([&](QuorixInterface& r) { r.OnQuestionStop(text(id)); }); };
    t.OnQuestionAnswer = [](const char* id, int answer, const char* s, void*) {
        forward([&](QuorixInterface& r) { r.OnQuestionAnswer(text(id), answer, text(s)); });
    };
    t.OnQuestionReceived = [](const char* id, void*) {
        forward([&](QuorixInterface& r) { r.OnQuestionReceived(text(id)); });
    };
    t.OnVideoOutput = [](int client, uint8_t* pixels, int size, int width, int height, int dstWidth, int dstHeight,
                         void* user) {
        if (!loggedIn(user)) return;
        const QImage image = Quorix::decodedImage(pixels, size, width, height, dstWidth, dstHeight);
        if (image.isNull()) return;
        forward([&](QuorixInterface& r) { r.OnVideoOutput(client, image); });
    };
    t.OnAudioOutput = [](int level, uint8_t* pcm, int size, void* user) {
        if (!loggedIn(user)) return;
        const QByteArray data = bytes(pcm, size);
        forward([&](QuorixInterface& r) { r.OnAudioOutput(level, data, data.size()); });
    };
    t.OnAudioInitialized = [](int slot, void*) { forward([&](QuorixInterface& r) { r.OnAudioInitialized(slot); }); };
    t.OnAudioVolume = [](int slot, int level, void* user) {
        if (!loggedIn(user)) return;
        forward([&](QuorixInterface& r) { r.OnAudioVolume(slot, level); });
    };
    t.OnTextBoxData = [](const char* id, const char* name, const char* message, const char* font, void*) {
        forward([&](QuorixInterface& r) { r.OnTextBoxData(text(id), text(name), text(message), text(font)); });
    };
    t.OnTextBoxActive = [](const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnTextBoxActive(text(id), text(name)); });
    };
    t.OnDocShareData = [](const char* id, const char* block, void*) {
        forward([&](QuorixInterface& r) { r.OnDocShareData(text(id), text(block)); });
    };
    t.OnDocShareStartResult = [](int result, void*) {
        forward([&](QuorixInterface& r) { r.OnDocShareStartResult(result); });
    };
    t.OnDocShareStart = [](const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnDocShareStart(text(id), text(name)); });
    };
    t.OnDocShareStop = [](const char* id, void*) { forward([&](QuorixInterface& r) { r.OnDocShareStop(text(id)); }); };
    t.OnAPShareStart = [](uint16_t first, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                          uint16_t top, uint16_t right, uint16_t bottom, const char* sharerId, const char* sharerName,
                          const char* operatorId, const char* operatorName, void*) {
        forward([&](QuorixInterface& r) {
            r.OnAPShareStart(first, stype, width, height, left, top, right, bottom, text(sharerId),
                             text(sharerName), text(operatorId), text(operatorName));
        });
    };
    t.OnAPShareStop = [](int kind, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnAPShareStop(kind, text(id), text(name)); });
    };
    t.OnAPShareRect = [](uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint8_t* pixels, int length,
                         void*) {
        const QByteArray data = bytes(pixels, length);
        forward([&](QuorixInterface& r) { r.OnAPShareRect(left, top, right, bottom, data, data.size()); });
    };
    t.OnAPShareKeyFrame = [](uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, void*) {
        forward([&](QuorixInterface& r) { r.OnAPShareKeyFrame(left, top, right, bottom); });
    };
    t.OnAPShareResize = [](uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, void*) {
        forward([&](QuorixInterface& r) { r.OnAPShareResize(left, top, right, bottom); });
    };
    // OnAPShareGetRect stays empty.
    t.OnAPShareControlChange = [](const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnAPShareControlChange(text(id), text(name)); });
    };
    t.OnASStartRefuse = [](uint32_t v, void*) { forward([&](QuorixInterface& r) { r.OnASStartRefuse(v); }); };
    t.OnASStartPermit = [](uint32_t v, void*) { forward([&](QuorixInterface& r) { r.OnASStartPermit(v); }); };
    t.OnASControlReq = [](uint32_t kind, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnASControlReq(kind, text(id), text(name)); });
    };
    t.OnASControlRes = [](uint32_t result, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnASControlRes(result, text(id), text(name)); });
    };
    t.OnASControlRet = [](void*) { forward([&](QuorixInterface& r) { r.OnASControlRet(); }); };
    t.OnASMouseEvent = [](uint16_t kind, uint16_t x, uint16_t y, void*) {
        forward([&](QuorixInterface& r) { r.OnASMouseEvent(kind, x, y); });
    };
    t.OnASMouseWheelEvent = [](int delta, void*) {
        forward([&](QuorixInterface& r) { r.OnASMouseWheelEvent(delta); });
    };
    t.OnASClipBoardText = [](const char* s, void*) {
        const QByteArray data = s != nullptr ? QByteArray(s) : QByteArray();
        forward([&](QuorixInterface& r) { r.OnASClipBoardText(data); });
    };
    t.OnASKeyEvent = [](uint32_t key, uint32_t upDown, void*) {
        forward([&](QuorixInterface& r) { r.OnASKeyEvent(key, upDown); });
    };
    t.OnManyMtgStartRes = [](short code, short sub, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnManyMtgStartRes(code, sub, text(id), text(name)); });
    };
    t.OnManyMtgStart = [](short code, short sub, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnManyMtgStart(code, sub, text(id), text(name)); });
    };
    t.OnManyMtgStop = [](short code, short sub, const char* id, const char* name, void*) {
        forward([&](QuorixInterface& r) { r.OnManyMtgStop(code, sub, text(id), text(name)); });
    };
    t.OnManyMtgListRes = [](short code, short sub, int count, const char** ids, const char** names, void*) {
        const QStringList idList = textList(count, ids);
        const QStringList nameList = textList(count, names);
        forward([&](QuorixInterface& r) { r.OnManyListRes(code, sub, idList, nameList); });
    };
    t.OnUserPermissionCmd = [](const char* id, int cmd, int code, int func, int permit, void*) {
        forward([&](QuorixInterface& r) { r.OnUserPermissionCmd(text(id), cmd, code, func, permit); });
    };
    t.OnError = [](int kind, int errorNo, const char* message, void*) {
        forward([&](QuorixInterface& r) { r.OnError(kind, errorNo, text(message)); });
    };
    t.OnDebug = [](const char* s, void*) { forward([&](QuorixInterface& r) { r.OnDebug(text(s)); }); };
    t.OnQuorixLog = [](int level, const char* line, void*) {
        forward([&](QuorixInterface& r) { r.OnQuorixLog(level, text(line)); });
    };
    return t;
}

}  // namespace

Quorix::Quorix()
    : mpCameraView(std::make_unique<OwnCameraCapture>()), cameraFormat_([](int direction) {
          return BridgeCameraFormat{CameraSettings::getWidth(direction), CameraSettings::getHeight(direction),
                                    CameraSettings::getFrameRate(direction)};
      }) {}

Quorix* Quorix::GetInstance(QuorixInterface* receiver) {
    std::lock_guard lock(gInstanceMutex);
    if (gInstance == nullptr) {
        gInstance = new Quorix();
        QuorixCore_OnLoad();
    }
    gReceiver.store(receiver);
    return gInstance;
}

QuorixInterface* Quorix::receiver() { return gReceiver.load(); }

void Quorix::releaseReceiver(QuorixInterface* receiver) {
    QuorixInterface* expected = receiver;
    gReceiver.compare_exchange_strong(expected, nullptr);
}

int Quorix::Init() {
    if (status_.load() != StatusNone) return -1;
    const int result = QuorixCoreInit("Mac", this, makeCallbackTable());
    if (result == 0) status_.store(StatusInitialized);
    std::lock_guard lock(userAgentMutex_);
    m_UserAgent.clear();
    return result;
}

void Quorix::Term() {
    if (status_.load() == StatusNone) return;
    Logout();
    QuorixCoreTerm();
    status_.store(StatusNone);
}

int Quorix::Login(const QuorixLoginParams& p) {
    const int s = status_.load();
    if (s == StatusNone) return QUORIXCORE_ERR_NO_CORE;
    if (s == StatusLoggedIn) return QUORIXCORE_ERR_LOGGED_IN;

    bool cameraReady = false;
    if (mainQueue().isCurrent()) {
        cameraReady = SetCamera();
    } else {
        mainQueue().sync([&] { cameraReady = SetCamera(); });
    }
    const QString agent = QuorixUtils::GetAppUserAgent();
    {
        std::lock_guard lock(userAgentMutex_);
        m_UserAgent = agent;
    }
    const QByteArray ua = agent.toUtf8(), host = p.strAddr.toUtf8(), uid = p.strUserId.toUtf8(),
                     pw = p.strPassword.toUtf8(), name = p.strUserName.toUtf8(), appVersion = p.strAppVersion.toUtf8(),
                     support = p.strSupportFunc.toUtf8();
    const QByteArray proxy = p.strProxyInfoJson ? p.strProxyInfoJson->toUtf8() : QByteArray();
    const QByteArray option = p.strOption ? p.strOption->toUtf8() : QByteArray();
    const int result = QuorixCoreLogin(ua.constData(), host.constData(), p.iPort, p.iFirstConnectType,
                                       p.strProxyInfoJson ? proxy.constData() : nullptr, uid.constData(),
                                       pw.constData(), name.constData(), "S0", p.iTopRoomId, p.iRoomId, p.iVersion,
                                       appVersion.constData(), cameraReady, true, false, p.iRoomSamplingRate,
                                       support.constData(), p.strOption ? option.constData() : nullptr);
    if (result != 0) {
        DeleteCamera();
    } else {
        status_.store(StatusLoggedIn);
    }
    return result;
}

void Quorix::Logout() {
    if (status_.load() != StatusLoggedIn) return;
    status_.store(StatusInitialized);
    DeleteCamera();
    QuorixCoreLogout();
}

int Quorix::GetConnectionError() { return QuorixCoreGetConnectionError(); }

QString Quorix::userAgent() const {
    std::lock_guard lock(userAgentMutex_);
    return m_UserAgent;
}

void Quorix::setCameraView(std::unique_ptr<BridgeCamera> camera) { mpCameraView = std::move(camera); }

void Quorix::setCameraFormatSource(std::function<BridgeCameraFormat(int)> source) {
    cameraFormat_ = std::move(source);
}

bool Quorix::CreateCamera() {
    if (!mpCameraView) return false;
    const BridgeCameraFormat format = cameraFormat_(2);
    frameRate_.store(format.frameRate);
    return mpCameraView->init(&onVideoInput, this, 2, format.width, format.height, format.frameRate);
}

void Quorix::DeleteCamera() {
    if (mpCameraView) mpCameraView->Term();
}

bool Quorix::StartCamera() { return mpCameraView ? mpCameraView->Start() : false; }

void Quorix::StopCamera() {
    if (mpCameraView) mpCameraView->Stop();
}

bool Quorix::hasCameraDevice() const { return !QuorixUtils::getCameraDevices().isEmpty(); }

bool Quorix::SetCamera() {
    if (!mpCameraView) return false;
    const bool wasPlaying = mpCameraView->IsPlaying();
    DeleteCamera();
    const bool created = CreateCamera();
    if (created && wasPlaying) return StartCamera();
    return created;
}

bool Quorix::setSelfVideoSize(int width, int height) {
    if (mpCameraView) mpCameraView->SetVideoSize(width, height);
    return true;
}

bool Quorix::setSelfVideoFrameRate(int frameRate) {
    frameRate_.store(frameRate);
    if (mpCameraView) mpCameraView->SetFrameRate(frameRate);
    return true;
}

void Quorix::setSpeakerVolume(int slot, float fVolume) {
    if (slot == -100) return;
    QuorixCoreSetAudioBoostLevel(slot, double(fVolume * 3.0f));
}

bool Quorix::StartVideo(int value) { return QuorixCoreStartVideo(value); }
void Quorix::SetCameraDevice(const QString& uniqueID) {
    if (mpCameraView) mpCameraView->SetDevice(uniqueID);
}
bool Quorix::StopVideo(int value) { return QuorixCoreStopVideo(value); }
bool Quorix::SetVideoMode(int mode) { return QuorixCoreSetVideoMode(mode); }

ST_FUNCLIST Quorix::callbackTable() { return makeCallbackTable(); }

QImage Quorix::decodedImage(const uint8_t* pixels, int size, int width, int height, int displayWidth, int displayHeight) {
    if (pixels == nullptr || width <= 0 || height <= 0 || displayWidth <= 0 || displayHeight <= 0 ||
        width > displayWidth || height > displayHeight)
        return QImage();
    const qint64 needed = qint64(displayWidth) * 4 * displayHeight;
    if (size < 0 || qint64(size) < needed) return QImage();
    const QImage view(pixels, displayWidth, displayHeight, displayWidth * 4, QImage::Format_RGBA8888_Premultiplied);
    if (width == displayWidth && height == displayHeight) return view.copy();
    return view.copy(0, 0, width, height);
}


#include "recording/RecordingFeature.h"

#include <QGuiApplication>
#include <QScreen>

#include "media/CameraSettings.h"
#include "platform/Localization.h"
#include "recording/RecordingManager.h"
#include "session/LoginManager.h"

namespace {

// Texts the manager names by their keys reach the user localised.
QString localized(const QString& text) {
    return text.startsWith(QStringLiteral("df")) ? LocalizedStringForKey(text) : text;
}

class LoginRecordingDelegate final : public RecordingManagerDelegate {
public:
    explicit LoginRecordingDelegate(LoginManager& login) : login_(login) {}
    void onStartRecording(const RecordingInfoRef& info, std::int64_t fileType, std::int64_t target) override {
        login_.onStartRecording(info, static_cast<int>(fileType), static_cast<int>(target));
    }
    void onStopRecording(const RecordingInfoRef& info, std::int64_t fileType, std::int64_t target,
                         bool isStopAudio) override {
        login_.onStopRecording(info, static_cast<int>(fileType), static_cast<int>(target), isStopAudio);
    }
    void onRecordingError(const QString& error) override {
        login_.onRecordingErrorStr(error, localized(QStringLiteral("dfRECORD_END_ERR")), 0);
    }
    void onRecordingErrorStr(const QString& message, const std::optional<QString>& title,
                             int alertType) override {
        login_.onRecordingErrorStr(localized(message), title ? localized(*title) : QString(), alertType);
    }
    void updateRecSystemMenu() override { login_.updateRecSystemMenu(); }

private:
    LoginManager& login_;
};

}  // namespace

namespace RecordingFeature {

std::unique_ptr<LoginRecordingManager> make(LoginManager& login, const RecordingParams& params) {
    auto delegate = std::make_shared<LoginRecordingDelegate>(login);
    RecordingEnvironment env;
    env.cameraSize = [] { return QSize(CameraSettings::getWidth(2), CameraSettings::getHeight(2)); };
    // The main screen as it is at login (screens are read on the main thread only).
    QSize points(1280, 720);
    double scale = 1.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        points = screen->geometry().size();
        scale = screen->devicePixelRatio();
    }
    env.screenPoints = [points] { return points; };
    env.screenScale = [scale] { return scale; };
    auto manager = std::make_unique<RecordingManager>(params, delegate.get(), std::move(env));
    manager->keepDelegate(std::move(delegate));
    return manager;
}

}  // namespace RecordingFeature

// The feature windows that the conference window opens, for the running
// program: the one place that knows both the conference window and the
// feature folders. So far the settings window: made from the login's room
// configuration and audio devices, kept while it is open (asking again brings
// it to the front with its edits), its changes passed to the login.
#pragma once

#include <QPointer>
#include <functional>

#include "conference/StartViewController.h"
#include "settings/SettingWindowController.h"

class ClientFeatureWindows : public QObject,
                             public ConferenceFeatureWindows,
                             public SettingWindowControllerDelegate {
    Q_OBJECT

public:
    ClientFeatureWindows() = default;
    ~ClientFeatureWindows() override;

    // The conference window that owns these windows (set once it exists).
    void setController(StartViewController* controller) { controller_ = controller; }
    SettingWindowController* settingWindowController() const { return settingWindow_; }

    // ConferenceFeatureWindows
    void launchSettingWindow() override;
    void closeSettingWindow() override;

    // The settings window's parameters for a login (none: before any login).
    static SettingWindowParams settingParams(const LoginManager* login);

    // SettingWindowControllerDelegate
    void closeSettingWindow(int reason) override;
    void changeAudioSettings(const std::optional<AudioDeviceInfo>& input,
                             const std::optional<AudioDeviceInfo>& output, std::int64_t echoCancelMode,
                             std::int64_t noiseReductionMode) override;
    void changeVideoSettings(QSize size, int frameRate, const std::optional<CaptureDevice>& device) override;
    void changeVideoBg(int mode, const std::optional<QByteArray>& imgData) override;
    void selectedCustomImgData(std::function<void(const QByteArray&)> handler) override;
    void settingTimeRecCheck(bool on) override;

private:
    StartViewController* controller_ = nullptr;
    QPointer<SettingWindowController> settingWindow_;
};

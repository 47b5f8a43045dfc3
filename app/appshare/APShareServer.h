#pragma once

// The local participant's side of application sharing: the sharing menu,
// desktop and application shares, every captured frame and area change to
// the conference, the viewers' requests to operate the shared screen, the
// operator's input to the injector, clipboard text both ways and taking
// control back with a locally typed Escape.
//
// Threads: relay events arrive on the conference's receive threads, frames on
// the capture thread, the menu's and the monitors' calls on the main thread.
// Windows, the injector and the control question live on the main thread;
// everything that touches them goes there through the main queue, in the
// order of arrival.

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QRegion>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "appshare/APShareMenuWindowController.h"
#include "platform/APShareEventFilter.h"
#include "platform/ClipboardManager.h"
#include "platform/KeyDownMonitor.h"
#include "platform/ScreenRecorder.h"
#include "session/LoginManagerFeatures.h"

class AlertWindow;
class QTimer;

// Where the sharer's messages go (LoginManager in the running program).
class APShareServerDelegate {
public:
    virtual ~APShareServerDelegate() = default;
    virtual void sendStart(uint16_t windowed, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                           uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void sendStop() = 0;
    virtual void sendKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void sendRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                          const uint8_t* pixels) = 0;
    virtual void sendWindowChange(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) = 0;
    virtual void sendControlRes(uint32_t result, const QString& userId, const QString& userName) = 0;
    virtual void regainControl() = 0;
    virtual void sendClipboardAsServer(const QByteArray& utf8) = 0;
};

// The desktop the sharer works on: the screen, the shared application's
// windows, the capture, the injector's tap, the clipboard and the key
// monitors. `APShareServer::desktopPlatform()` is the X11 one.
class APShareServerPlatform {
public:
    virtual ~APShareServerPlatform() = default;
    // Pixels per point, and the main screen in points (origin top-left).
    virtual double backingScaleFactor() = 0;
    virtual QRectF mainScreenFrame() = 0;
    // The union of the process's windows in points (empty: none); `visible`
    // receives what of them can be seen.
    virtual QRectF windowRect(std::int64_t pid, QRegion* visible) = 0;
    virtual void bringAppToTheFore(std::int64_t pid) = 0;
    virtual bool isAppRunning(std::int64_t pid) = 0;
    // The process whose window has the keyboard focus (0: unknown).
    virtual std::int64_t focusedProcessId() = 0;
    // Waits before the second look for the windows of an application.
    virtual void sleepBeforeRetry() = 0;
    virtual void startCapture(ScreenRecorderDelegate* delegate, bool desktop, std::int64_t pid) = 0;
    virtual void stopCapture(ScreenRecorderDelegate* delegate, bool desktop) = 0;
    virtual std::unique_ptr<EventTap> makeEventTap() = 0;
    // The clipboard (nullptr: the desktop's).
    virtual Pasteboard* pasteboard() { return nullptr; }
    virtual std::unique_ptr<KeyDownMonitor> addGlobalMonitor(KeyDownMonitor::Handler handler) = 0;
    virtual std::unique_ptr<KeyDownMonitor> addLocalMonitor(KeyDownMonitor::Handler handler) = 0;
    virtual std::chrono::steady_clock::time_point now() { return std::chrono::steady_clock::now(); }
};

class APShareServer : public QObject,
                      public LoginAPShareServer,
                      public ScreenRecorderDelegate,
                      public APShareMenuWindowControllerDelegate,
                      public ClipboardManagerDelegate {
    Q_OBJECT

public:
    enum Status : int64_t { Idle = 0, Starting = 1, Sharing = 2 };
    static constexpr uint32_t kControlPermit = 0;
    static constexpr uint32_t kControlReject = 1;
    static constexpr int64_t kControlBySharer = 2;
    static constexpr int64_t kControlByViewer = 0;
    static constexpr std::chrono::milliseconds kAnswerTimeout{30000};
    static constexpr std::chrono::milliseconds kRestartInterval{10000};
    static constexpr uint32_t kKeysymEscape = 0xff1b;

    struct Options : LoginAPShareServerOptions {
        // The sharer's own room lets a viewer operate without asking the user.
        bool isASControlNoConfirm = false;
    };

    // Main thread.
    APShareServer(APShareServerDelegate* delegate, LoginAPShareServerViewAction* viewAction,
                  const Options& options, std::shared_ptr<APShareServerPlatform> platform);
    ~APShareServer() override;

    // The running program's sharer on LoginManager and the X11 desktop.
    static std::unique_ptr<LoginAPShareServer> make(LoginManager& login,
                                                    const LoginAPShareServerOptions& options,
                                                    LoginAPShareServerViewAction* viewAction);
    static std::shared_ptr<APShareServerPlatform> desktopPlatform();

    // LoginAPShareServer
    void start(bool start, bool isRequested) override;
    void stop(bool closeMenu, const std::optional<QString>& message) override;
    void forceStopAPShare() override;
    void onStartPermit(uint32_t value) override;
    void onStartRefuse(uint32_t value) override;
    void onControlReq(uint32_t kind, const QString& userId, const QString& userName) override;
    void onControlRet() override;
    void onControllChange(const QString& sharerId, const QString& sharerName, const QString& operatorId,
                          const QString& operatorName, int controlStatus) override;
    void onMouseEvent(uint16_t kind, uint16_t x, uint16_t y) override;
    void onMouseWheelEvent(int delta) override;
    void onKeyEvent(uint32_t key, uint32_t updown) override;
    void onClipBoardText(const QByteArray& utf8) override;
    void checkOperatorRequester(const QString& userId, const QString& userName) override;

    // APShareMenuWindowControllerDelegate (main thread)
    void startDesktopSharing(bool fullScreen) override;
    void startApplicationSharing(const ApplicationInfo& app, bool fullScreen) override;
    void stopSharing() override;
    void onCloseMenuWindow() override;

    // ScreenRecorderDelegate (capture thread)
    void onCaptureBitmap(const uint8_t* pixels, QSize screenSize, QRectF appRect) override;
    void onChangeAppRect(QRectF appRect) override;
    void onError(int code) override;

    // ClipboardManagerDelegate (main thread)
    void updatePasteboard(const QByteArray& utf8) override;

    // The control question's answers (main thread).
    void permitAPShareControl();
    void rejectAPShareControl();
    // A key-down seen by the monitors (main thread); `global`: typed by the user anywhere.
    void onMonitoredKeyDown(uint32_t keysym, bool global);

    int64_t status() const { return mStatus.load(); }
    int64_t controlState() const { return mControlState.load(); }
    int64_t sharingType() const { return mSharingType.load(); }
    bool isRequested() const { return mIsRequested.load(); }
    APShareMenuWindowController* menu() const { return mAPShareMenuWindowController; }
    APShareEventFilter* eventFilter() const { return mEventFilter.get(); }
    ClipboardManager* clipboardManager() const { return mClipboardManager.get(); }
    AlertWindow* notificationWindow() const { return mNotificationWindow; }
    QTimer* answerTimer() const { return mTimer; }
    std::optional<QString> operatorRequester() const { return mOperatorReqID; }
    bool hasEscapeMonitors() const { return escapeMonitorsInstalled_; }

private:
    void processForStart();
    void processForStop(bool closeMenu, const std::optional<QString>& message);
    void sendKeyFrame();
    void askControl(const QString& userId, const QString& userName);
    void closeNotificationWindow();
    void clearRequester();
    void detectRegainControl();
    void setEventHandler();
    void removeEventHandler();
    void releaseMenu();
    void ensureMenu();
    void updateSharedRegion();
    std::int64_t sharedPid() const;

    APShareServerDelegate* const delegate_;
    LoginAPShareServerViewAction* const viewAction_;
    const Options options_;
    const std::shared_ptr<APShareServerPlatform> platform_;

    std::unique_ptr<APShareEventFilter> mEventFilter;
    QPointer<APShareMenuWindowController> mAPShareMenuWindowController;
    std::unique_ptr<ClipboardManager> mClipboardManager;
    AlertWindow* mNotificationWindow = nullptr;
    QTimer* mTimer = nullptr;

    std::atomic<int64_t> mStatus{Idle};
    std::atomic<int64_t> mControlState{kControlBySharer};
    std::atomic<int64_t> mSharingType{1};
    std::atomic<bool> mIsRequested{false};
    std::atomic<bool> mIsPossibleSendRegainFlag{true};

    mutable std::mutex mutex_;  // the shared application and the restart time
    std::optional<ApplicationInfo> mAppInfo;
    std::optional<std::chrono::steady_clock::time_point> mLastSendRestart;

    // Main thread: the open control question's requester and the operator.
    std::optional<QString> mOperatorReqID;
    QString mOperatorReqName;
    QString mOperatorID, mOperatorName;

    bool escapeMonitorsInstalled_ = false;
    std::unique_ptr<KeyDownMonitor> globalMonitor_, localMonitor_;
};

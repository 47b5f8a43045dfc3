#include "appshare/APShareServer.h"

#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <thread>

#include "platform/Dispatch.h"
#include "platform/LaunchAppManager.h"
#include "platform/Localization.h"
#include "platform/UserDefaults.h"
#include "platform/WindowManager.h"
#include "platform/X11Connection.h"
#include "platform/XTestEventTap.h"
#include "session/LoginManager.h"
#include "ui/AlertWindow.h"

namespace {

// A coordinate as it travels: truncated toward zero, modulo 65536.
uint16_t u16(double v) {
    return uint16_t(int64_t(std::trunc(v)));
}

int64_t roundUp16(int64_t v) {
    return v % 16 == 0 ? v : v + 16 - v % 16;
}

// The sharer's messages as LoginManager's sharing commands.
class LoginSharerDelegate final : public APShareServerDelegate {
public:
    explicit LoginSharerDelegate(LoginManager& login) : login_(login) {}
    void sendStart(uint16_t windowed, uint16_t stype, uint16_t width, uint16_t height, uint16_t left,
                   uint16_t top, uint16_t right, uint16_t bottom) override {
        login_.sendStart(windowed, stype, width, height, left, top, right, bottom);
    }
    void sendStop() override { login_.sendStop(); }
    void sendKeyFrame(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        login_.sendKeyFrame(l, t, r, b);
    }
    void sendRect(uint16_t l, uint16_t t, uint16_t r, uint16_t b, const uint8_t* pixels) override {
        login_.sendRect(l, t, r, b, pixels);
    }
    void sendWindowChange(uint16_t l, uint16_t t, uint16_t r, uint16_t b) override {
        login_.sendWindowChange(l, t, r, b);
    }
    void sendControlRes(uint32_t result, const QString& userId, const QString& userName) override {
        login_.sendControlRes(result, userId, userName);
    }
    void regainControl() override { login_.regainControl(); }
    void sendClipboardAsServer(const QByteArray& utf8) override {
        login_.sendClipboardAsServer(QString::fromUtf8(utf8));
    }

private:
    LoginManager& login_;
};

// The sharer made by the session's factory owns the delegate it talks through.
class LoginSharer final : public LoginAPShareServer {
public:
    LoginSharer(LoginManager& login, const APShareServer::Options& options,
                LoginAPShareServerViewAction* view)
        : delegate_(login), server_(&delegate_, view, options, APShareServer::desktopPlatform()) {}
    void start(bool s, bool r) override { server_.start(s, r); }
    void stop(bool c, const std::optional<QString>& m) override { server_.stop(c, m); }
    void forceStopAPShare() override { server_.forceStopAPShare(); }
    void onStartPermit(uint32_t v) override { server_.onStartPermit(v); }
    void onStartRefuse(uint32_t v) override { server_.onStartRefuse(v); }
    void onControlReq(uint32_t k, const QString& i, const QString& n) override {
        server_.onControlReq(k, i, n);
    }
    void onControlRet() override { server_.onControlRet(); }
    void onControllChange(const QString& si, const QString& sn, const QString& oi, const QString& on,
                          int s) override {
        server_.onControllChange(si, sn, oi, on, s);
    }
    void onMouseEvent(uint16_t k, uint16_t x, uint16_t y) override { server_.onMouseEvent(k, x, y); }
    void onMouseWheelEvent(int d) override { server_.onMouseWheelEvent(d); }
    void onKeyEvent(uint32_t k, uint32_t u) override { server_.onKeyEvent(k, u); }
    void onClipBoardText(const QByteArray& t) override { server_.onClipBoardText(t); }
    void checkOperatorRequester(const QString& i, const QString& n) override {
        server_.checkOperatorRequester(i, n);
    }

private:
    LoginSharerDelegate delegate_;
    APShareServer server_;
};

// The X11 desktop: the primary output is the main screen, one pixel a point.
class DesktopPlatform final : public APShareServerPlatform {
public:
    double backingScaleFactor() override { return 1.0; }
    QRectF mainScreenFrame() override {
        X11Connection x;
        if (x.isConnected()) {
            const QRect r = x.primaryRect();
            if (!r.isEmpty()) return QRectF(0, 0, r.width(), r.height());
        }
        if (QScreen* s = QGuiApplication::primaryScreen()) return QRectF(QPointF(0, 0), s->size());
        return {};
    }
    QRectF windowRect(std::int64_t pid, QRegion* visible) override {
        return WindowManager::getWindowRect(pid, visible);
    }
    void bringAppToTheFore(std::int64_t pid) override {
        if (auto m = LaunchAppManager::sharedManager()) m->bringAppToTheFore(pid);
    }
    bool isAppRunning(std::int64_t pid) override {
        auto m = LaunchAppManager::sharedManager();
        return m && m->isAppRunnning(pid);
    }
    std::int64_t focusedProcessId() override {
        X11Connection x;
        if (!x.isConnected()) return 0;
        xcb_window_t active = XCB_NONE;
        if (!xcb_ewmh_get_active_window_reply(x.ewmh(), xcb_ewmh_get_active_window(x.ewmh(), 0), &active,
                                              nullptr) ||
            active == XCB_NONE)
            return 0;
        return x.windowPid(active);
    }
    void sleepBeforeRetry() override { std::this_thread::sleep_for(std::chrono::seconds(1)); }
    void startCapture(ScreenRecorderDelegate* delegate, bool desktop, std::int64_t pid) override {
        auto recorder = ScreenRecorder::sharedInstance();
        recorder->setDelegate(delegate);
        if (desktop)
            recorder->startModeAPDesktop();
        else
            recorder->startModeAPApp(pid);
    }
    void stopCapture(ScreenRecorderDelegate* delegate, bool desktop) override {
        auto recorder = ScreenRecorder::sharedInstance();
        if (desktop)
            recorder->stopModeAPDesktop();
        else
            recorder->stopModeAPApp();
        if (recorder->delegate() == delegate) recorder->setDelegate(nullptr);
    }
    std::unique_ptr<EventTap> makeEventTap() override {
        QPoint origin;
        X11Connection x;
        if (x.isConnected()) origin = x.primaryRect().topLeft();
        return std::make_unique<XTestEventTap>(QString(), origin);
    }
    std::unique_ptr<KeyDownMonitor> addGlobalMonitor(KeyDownMonitor::Handler handler) override {
        return KeyDownMonitor::addGlobalMonitor(std::move(handler));
    }
    std::unique_ptr<KeyDownMonitor> addLocalMonitor(KeyDownMonitor::Handler handler) override {
        return KeyDownMonitor::addLocalMonitor(std::move(handler));
    }
};

}  // namespace

std::shared_ptr<APShareServerPlatform> APShareServer::desktopPlatform() {
    return std::make_shared<DesktopPlatform>();
}

std::unique_ptr<LoginAPShareServer> APShareServer::make(LoginManager& login,
                                                        const LoginAPShareServerOptions& options,
                                                        LoginAPShareServerViewAction* viewAction) {
    Options o;
    static_cast<LoginAPShareServerOptions&>(o) = options;
    o.isASControlNoConfirm =
        login.configDataDict().value(QStringLiteral("MODE_AS_CONTROL_NO_CONFIRM")).toString() ==
        QLatin1String("Y");
    return std::make_unique<LoginSharer>(login, o, viewAction);
}

APShareServer::APShareServer(APShareServerDelegate* delegate, LoginAPShareServerViewAction* viewAction,
                             const Options& options, std::shared_ptr<APShareServerPlatform> platform)
    : delegate_(delegate), viewAction_(viewAction), options_(options), platform_(std::move(platform)) {
    mClipboardManager = std::make_unique<ClipboardManager>(platform_->pasteboard());
    mClipboardManager->setDelegate(this);
    mEventFilter = std::make_unique<APShareEventFilter>(platform_->makeEventTap());
}

APShareServer::~APShareServer() {
    removeEventHandler();
    closeNotificationWindow();
    if (mStatus.load() != Idle) platform_->stopCapture(this, mSharingType.load() == 1);
    mClipboardManager->setDelegate(nullptr);
    mClipboardManager->stopPasteboardObservation();
    if (mAPShareMenuWindowController) {
        mAPShareMenuWindowController->setDelegate(nullptr);
        delete mAPShareMenuWindowController.data();
    }
    ScreenRecorder::terminate();
}

std::int64_t APShareServer::sharedPid() const {
    std::lock_guard lock(mutex_);
    return mAppInfo ? mAppInfo->processId : 0;
}

// ---- The menu and the start ----

void APShareServer::ensureMenu() {
    if (mAPShareMenuWindowController) return;
    auto* menu = new APShareMenuWindowController(this);
    menu->setDelegate(this);
    menu->setIsShowFullScreenMenu(options_.isShowFullScreenMenu);
    menu->setDisableApplication(options_.disableApplication);
    menu->setIsASControlIgnoreOption(options_.isASControlIgnoreOption);
    menu->window();
    if (options_.isWebinar) menu->hideCloseButton();
    mAPShareMenuWindowController = menu;
}

void APShareServer::releaseMenu() {
    if (!mAPShareMenuWindowController) return;
    APShareMenuWindowController* menu = mAPShareMenuWindowController;
    mAPShareMenuWindowController = nullptr;
    menu->setDelegate(nullptr);
    if (Window* w = menu->isWindowLoaded() ? menu->window() : nullptr) w->orderOut();
    // The menu may be reporting its own close right now.
    menu->deleteLater();
}

void APShareServer::start(bool start, bool isRequested) {
    mainQueue().async(this, [this] {
        ensureMenu();
        if (Window* w = mAPShareMenuWindowController->window()) {
            w->orderFrontRegardless();
            w->makeKeyAndOrderFront();
        }
    });
    mIsRequested = isRequested;
    if (start) {
        const bool fullScreen =
            UserDefaults::standard()
                .stringForKey(QString::fromLatin1(APShareMenuWindowController::kKeyFullScreen))
                .value_or(QString()) == QLatin1String("Y");
        startDesktopSharing(fullScreen);
    }
    mainQueue().async(this, [this] { setEventHandler(); });
}

void APShareServer::startDesktopSharing(bool fullScreen) {
    int64_t idle = Idle;
    if (!mStatus.compare_exchange_strong(idle, Starting)) return;
    mSharingType = 1;
    const double s = platform_->backingScaleFactor();
    const QRectF f = platform_->mainScreenFrame();
    const int64_t width = int64_t(std::trunc(f.width() * s));
    const int64_t height = int64_t(std::trunc(f.height() * s));
    const int64_t left = int64_t(std::trunc(f.x()));
    const int64_t top = int64_t(std::trunc(f.y()));
    if (delegate_)
        delegate_->sendStart(!fullScreen, 1, uint16_t(width), uint16_t(height), uint16_t(left), uint16_t(top),
                             uint16_t(width + left), uint16_t(height + top));
    mainQueue().async(this, [this] { updateSharedRegion(); });
    platform_->startCapture(this, true, 0);
}

void APShareServer::startApplicationSharing(const ApplicationInfo& app, bool fullScreen) {
    int64_t idle = Idle;
    if (!mStatus.compare_exchange_strong(idle, Starting)) return;
    mSharingType = 0;
    {
        std::lock_guard lock(mutex_);
        mAppInfo = app;
    }
    platform_->bringAppToTheFore(app.processId);
    const double s = platform_->backingScaleFactor();
    const QRectF f = platform_->mainScreenFrame();
    const int64_t width = roundUp16(int64_t(std::trunc(f.width() * s)));
    const int64_t height = int64_t(std::trunc(f.height() * s));
    QRectF r = platform_->windowRect(app.processId, nullptr);
    if (r.isEmpty()) {
        platform_->sleepBeforeRetry();
        r = platform_->windowRect(app.processId, nullptr);
    }
    if (delegate_)
        delegate_->sendStart(!fullScreen, 0, uint16_t(width), uint16_t(height), u16(s * r.x()),
                             u16(s * r.y()), u16((r.x() + r.width()) * s), u16((r.y() + r.height()) * s));
    mainQueue().async(this, [this] { updateSharedRegion(); });
    platform_->startCapture(this, false, app.processId);
}

// ---- Permit, key frames, frames ----

void APShareServer::onStartPermit(uint32_t value) {
    if (value == 0) {
        processForStart();
    } else if (value == 1) {
        {
            std::lock_guard lock(mutex_);
            const auto now = platform_->now();
            if (mLastSendRestart && now - *mLastSendRestart < kRestartInterval) return;
            mLastSendRestart = now;
        }
        sendKeyFrame();
    }
}

void APShareServer::processForStart() {
    if (mStatus.load() == Sharing) return;
    mainQueue().async(this, [this] {
        if (mAPShareMenuWindowController) mAPShareMenuWindowController->onStartSharing();
    });
    mControlState = kControlBySharer;
    mStatus = Sharing;
    {
        std::lock_guard lock(mutex_);
        mLastSendRestart.reset();
    }
    sendKeyFrame();
}

void APShareServer::sendKeyFrame() {
    if (!delegate_) return;
    const double s = platform_->backingScaleFactor();
    if (mSharingType.load() == 1) {
        const QRectF f = platform_->mainScreenFrame();
        delegate_->sendKeyFrame(u16(f.x()), u16(f.y()), u16(f.width() * s), u16(f.height() * s));
        return;
    }
    QRectF r = platform_->windowRect(sharedPid(), nullptr);
    const int64_t w = int64_t(std::trunc(r.width()));
    if (w % 16 != 0) r.setWidth(r.width() + 16 - double(w % 16));
    delegate_->sendKeyFrame(u16(s * r.x()), u16(s * r.y()), u16((r.x() + r.width()) * s),
                            u16((r.y() + r.height()) * s));
}

void APShareServer::onCaptureBitmap(const uint8_t* pixels, QSize, QRectF a) {
    if (mStatus.load() != Sharing || !delegate_) return;
    delegate_->sendRect(u16(a.x()), u16(a.y()), u16(a.x() + a.width()), u16(a.y() + a.height()), pixels);
}

void APShareServer::onChangeAppRect(QRectF r) {
    if (delegate_)
        delegate_->sendWindowChange(u16(r.x()), u16(r.y()), u16(r.x() + r.width()), u16(r.y() + r.height()));
    mainQueue().async(this, [this] { updateSharedRegion(); });
}

void APShareServer::onError(int code) {
    if (mStatus.load() != Starting && code == ScreenRecorder::kErrorNoWindow &&
        platform_->isAppRunning(sharedPid()))
        return;
    processForStop(false, std::nullopt);
}

// ---- Stopping ----

void APShareServer::processForStop(bool closeMenu, const std::optional<QString>& message) {
    platform_->stopCapture(this, mSharingType.load() == 1);
    mClipboardManager->stopPasteboardObservation();
    if (mStatus.load() == Sharing) {
        if (delegate_) delegate_->sendStop();
        if (message && viewAction_)
            viewAction_->showASServerMessageAlert(QStringLiteral("alert_id_as_stop"), *message);
    }
    mainQueue().async(this, [this, closeMenu] {
        if (!mAPShareMenuWindowController) return;
        mAPShareMenuWindowController->onStopSharing();
        if (closeMenu) releaseMenu();
    });
    mainQueue().async(this, [this] { closeNotificationWindow(); });
    mStatus = Idle;
    mIsRequested = false;
    {
        std::lock_guard lock(mutex_);
        mAppInfo.reset();
    }
    if (options_.isWebinar && viewAction_) {
        LoginAPShareServerViewAction* view = viewAction_;
        mainQueue().async(this, [view] { view->endAPShareForWebinar(); });
    }
}

void APShareServer::stop(bool closeMenu, const std::optional<QString>& message) {
    processForStop(closeMenu, message);
    mainQueue().async(this, [this] { removeEventHandler(); });
}

void APShareServer::stopSharing() {
    processForStop((options_.isWebinar && !options_.isMainUser) || mIsRequested.load(), std::nullopt);
}

void APShareServer::onCloseMenuWindow() {
    if (mStatus.load() == Sharing) {
        processForStop(true, std::nullopt);
    } else {
        releaseMenu();
    }
}

void APShareServer::onStartRefuse(uint32_t) {
    processForStop(false, std::nullopt);
}

void APShareServer::forceStopAPShare() {
    mainQueue().async(this, [this] { releaseMenu(); });
}

// ---- Control requests ----

void APShareServer::onControlReq(uint32_t kind, const QString& userId, const QString& userName) {
    if (kind != 0 && kind != 1) return;
    mainQueue().async(this, [this, kind, userId, userName] {
        if (!delegate_) return;
        // The refusal options come first, whatever the requester's room allows.
        const bool ignore =
            options_.isASControlIgnoreOption ||
            (mAPShareMenuWindowController && mAPShareMenuWindowController->isIgnoreControlReq());
        if (ignore) {
            delegate_->sendControlRes(kControlReject, userId, userName);
            return;
        }
        if (kind == 1 && options_.isASControlNoConfirm) {
            delegate_->sendControlRes(kControlPermit, userId, userName);
            return;
        }
        askControl(userId, userName);
    });
}

void APShareServer::askControl(const QString& userId, const QString& userName) {
    if (mOperatorReqID) {
        if (*mOperatorReqID == userId) return;  // his question is still open
        // One question at a time: the earlier requester is refused, not left waiting.
        delegate_->sendControlRes(kControlReject, *mOperatorReqID, mOperatorReqName);
        closeNotificationWindow();
        clearRequester();
    }
    mOperatorReqID = userId;
    mOperatorReqName = userName;
    mNotificationWindow = new AlertWindow(
        this, LocalizedFormat("dfAPSHARE_RECEIVED_REQ_ORERATION_FROM_USER", userName),
        LocalizedString("dfREJECT"), [this] { rejectAPShareControl(); }, LocalizedString("dfPERMIT"),
        [this] { permitAPShareControl(); });
    mNotificationWindow->setObjectName(QStringLiteral("apshare_control_request"));
    if (Window* w = mNotificationWindow->window()) w->orderFrontRegardless();
    if (!mTimer) {
        mTimer = new QTimer(this);
        mTimer->setSingleShot(true);
        connect(mTimer, &QTimer::timeout, this, [this] { rejectAPShareControl(); });
    }
    mTimer->start(kAnswerTimeout);
}

void APShareServer::permitAPShareControl() {
    if (!mOperatorReqID) return;
    if (delegate_) {
        delegate_->sendControlRes(kControlPermit, *mOperatorReqID, mOperatorReqName);
        if (mTimer) mTimer->stop();
    }
    closeNotificationWindow();
    clearRequester();
}

void APShareServer::rejectAPShareControl() {
    if (!mOperatorReqID) return;
    if (delegate_) delegate_->sendControlRes(kControlReject, *mOperatorReqID, mOperatorReqName);
    if (mTimer) mTimer->stop();
    closeNotificationWindow();
    clearRequester();
}

void APShareServer::checkOperatorRequester(const QString& userId, const QString&) {
    mainQueue().async(this, [this, userId] {
        if (!mOperatorReqID || *mOperatorReqID != userId) return;
        if (mTimer) mTimer->stop();
        closeNotificationWindow();
        clearRequester();
    });
}

void APShareServer::closeNotificationWindow() {
    if (!mNotificationWindow) return;
    AlertWindow* window = mNotificationWindow;
    mNotificationWindow = nullptr;
    window->closeSelfWindow();
    window->deleteLater();
}

void APShareServer::clearRequester() {
    mOperatorReqID.reset();
    mOperatorReqName.clear();
}

// ---- Control changes ----

void APShareServer::onControllChange(const QString&, const QString&, const QString& operatorId,
                                     const QString& operatorName, int controlStatus) {
    mControlState = controlStatus;
    mainQueue().async(this, [this, operatorId, operatorName, controlStatus] {
        mOperatorID = operatorId;
        mOperatorName = operatorName;
        if (controlStatus == kControlByViewer) {
            mClipboardManager->startPasteboardObservation();
        } else if (controlStatus == kControlBySharer) {
            mClipboardManager->stopPasteboardObservation();
            mEventFilter->initialize();
        }
    });
}

void APShareServer::onControlRet() {
    if (viewAction_)
        viewAction_->showASServerMessageAlert(QStringLiteral("alert_id_as_ctrl_status"),
                                              LocalizedString("dfAPSHARE_RETURN_ORERATION"));
    mControlState = kControlBySharer;
    mClipboardManager->stopPasteboardObservation();
    mainQueue().async(this, [this] { mEventFilter->initialize(); });
}

// ---- The operator's input ----

void APShareServer::updateSharedRegion() {
    const double s = platform_->backingScaleFactor();
    if (mStatus.load() == Idle) {
        mEventFilter->setSharedRegion(QRegion());
        return;
    }
    if (mSharingType.load() == 1) {
        const QRectF f = platform_->mainScreenFrame();
        mEventFilter->setSharedRegion(QRegion(0, 0, int(f.width() * s), int(f.height() * s)));
        return;
    }
    QRegion visible;
    platform_->windowRect(sharedPid(), &visible);
    if (s != 1.0) {
        QRegion scaled;
        for (const QRect& r : visible)
            scaled += QRect(int(r.x() * s), int(r.y() * s), int(r.width() * s), int(r.height() * s));
        visible = scaled;
    }
    mEventFilter->setSharedRegion(visible);
}

void APShareServer::onMouseEvent(uint16_t kind, uint16_t x, uint16_t y) {
    if (mControlState.load() == kControlBySharer || !mEventFilter) return;
    mainQueue().async(this, [this, kind, x, y] {
        if (mControlState.load() == kControlBySharer) return;
        // The shared windows may have moved or been covered since the last event.
        if (kind != APShareMouseEvent::Move) updateSharedRegion();
        mEventFilter->mouseEvent(kind, x, y);
    });
}

void APShareServer::onMouseWheelEvent(int delta) {
    if (mControlState.load() == kControlBySharer || !mEventFilter) return;
    mainQueue().async(this, [this, delta] {
        if (mControlState.load() == kControlBySharer) return;
        mEventFilter->scrollEvent(delta);
    });
}

void APShareServer::onKeyEvent(uint32_t key, uint32_t updown) {
    if (mControlState.load() == kControlBySharer) return;
    if (updown == 1 && key == kKeysymEscape) mIsPossibleSendRegainFlag = false;
    if (!mEventFilter) return;
    mainQueue().async(this, [this, key, updown] {
        if (mControlState.load() == kControlBySharer) return;
        // In an application share the keys go only to the shared application:
        // a press while another program has the focus is dropped (releases
        // always pass, so nothing stays held).
        if (updown == 1 && mSharingType.load() == 0) {
            const std::int64_t pid = sharedPid();
            if (pid == 0 || platform_->focusedProcessId() != pid) return;
        }
        mEventFilter->keyEvent(key, updown);
    });
}

// ---- Clipboard ----

void APShareServer::onClipBoardText(const QByteArray& utf8) {
    if (mControlState.load() == kControlBySharer) return;
    mClipboardManager->setPasteboardtext(utf8);
}

void APShareServer::updatePasteboard(const QByteArray& utf8) {
    if (mStatus.load() != Sharing || mControlState.load() != kControlByViewer || !delegate_) return;
    delegate_->sendClipboardAsServer(utf8);
}

// ---- Taking control back ----

void APShareServer::setEventHandler() {
    mIsPossibleSendRegainFlag = true;
    if (escapeMonitorsInstalled_) return;
    escapeMonitorsInstalled_ = true;
    globalMonitor_ =
        platform_->addGlobalMonitor([this](uint32_t keysym) { onMonitoredKeyDown(keysym, true); });
    localMonitor_ =
        platform_->addLocalMonitor([this](uint32_t keysym) { onMonitoredKeyDown(keysym, false); });
}

void APShareServer::removeEventHandler() {
    globalMonitor_.reset();
    localMonitor_.reset();
    escapeMonitorsInstalled_ = false;
    mIsPossibleSendRegainFlag = true;
}

void APShareServer::onMonitoredKeyDown(uint32_t keysym, bool global) {
    if (keysym != kKeysymEscape) return;
    // The global monitor never sees posted keys, so its Escape is always the
    // user's; this application's own monitor also sees an Escape the operator
    // sent into one of our windows, which cleared the flag before it was posted.
    if (global || mIsPossibleSendRegainFlag.load()) detectRegainControl();
    mIsPossibleSendRegainFlag = true;
}

void APShareServer::detectRegainControl() {
    if (mStatus.load() != Sharing || mControlState.load() != kControlByViewer) return;
    if (delegate_) delegate_->regainControl();
    onControlRet();
}

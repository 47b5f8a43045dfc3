// Webinar layouts: which contents a layout mode puts into the video area's
// panes, the owner's choice from the layout menus, layouts that arrive from
// the owner, and the owner's display-control requests.

#include "conference/MainViewController.h"
#include "conference/StartViewController.h"
#include "conference/WebinarManager.h"
#include "platform/Dispatch.h"

StartViewController::WebinarLayoutPlan StartViewController::webinarLayoutPlan(int mode, bool f) {
    WebinarLayoutPlan p;
    const auto pair = [&](WebinarContent content) {
        p.left = f ? content : WC_VIDEO;
        p.right = f ? WC_VIDEO : content;
    };
    switch (mode) {
        case WEBINAR_MODE_DS:
            p.steps = {WB_CLOSE_WB, WB_REMOVE_TB, WB_CLOSE_AP, WB_OPEN_DOC};
            p.left = WC_DOC;
            break;
        case WEBINAR_MODE_WB:
            p.steps = {WB_OPEN_WB, WB_CLOSE_DOC, WB_REMOVE_TB, WB_CLOSE_AP};
            p.left = WC_WB;
            break;
        case WEBINAR_MODE_AP:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_REMOVE_TB, WB_AP_PANE};
            p.left = WC_AP;
            break;
        case WEBINAR_MODE_VIDEO_DS:
            p.steps = {WB_CLOSE_WB, WB_REMOVE_TB, WB_CLOSE_AP, WB_OPEN_DOC};
            pair(WC_DOC);
            break;
        case WEBINAR_MODE_VIDEO_WB:
            p.steps = {WB_CLOSE_DOC, WB_REMOVE_TB, WB_CLOSE_AP, WB_OPEN_WB};
            pair(WC_WB);
            break;
        case WEBINAR_MODE_VIDEO_AP:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_REMOVE_TB, WB_AP_PANE};
            pair(WC_AP);
            break;
        case WEBINAR_MODE_VIDEO_TB:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_CLOSE_AP, WB_OPEN_TB};
            p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_DS_TB:
            p.steps = {WB_CLOSE_WB, WB_CLOSE_AP, WB_OPEN_DOC, WB_OPEN_TB};
            p.left = WC_DOC, p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_WB_TB:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_AP, WB_OPEN_TB, WB_OPEN_WB};
            p.left = WC_WB, p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_AP_TB:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_OPEN_TB, WB_AP_PANE};
            p.left = WC_AP, p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_VIDEO_DS_TB:
            p.steps = {WB_CLOSE_AP, WB_CLOSE_WB, WB_OPEN_DOC, WB_OPEN_TB};
            pair(WC_DOC);
            p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_VIDEO_WB_TB:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_AP, WB_OPEN_WB, WB_OPEN_TB};
            pair(WC_WB);
            p.bottom = WC_TB;
            break;
        case WEBINAR_MODE_VIDEO_AP_TB:
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_OPEN_TB, WB_AP_PANE};
            pair(WC_AP);
            p.bottom = WC_TB;
            break;
        default:  // the video grid alone: mode 1, 0 and every other value
            p.steps = {WB_CLOSE_DOC, WB_CLOSE_WB, WB_REMOVE_TB, WB_CLOSE_AP};
            break;
    }
    return p;
}

std::optional<std::pair<int, bool>> StartViewController::webinarMenuChoice(int tag) {
    static const std::pair<int, bool> choices[] = {
        {1, false},  {2, false}, {3, false},  {4, false}, {5, false},  {5, true},   {6, false},
        {6, true},   {7, false}, {7, true},   {8, false}, {9, false},  {10, false}, {11, false},
        {12, false}, {12, true}, {13, false}, {13, true}, {14, false}, {14, true},
    };
    if (tag < 0 || tag >= int(std::size(choices))) return std::nullopt;
    return choices[tag];
}

void StartViewController::setLayoutMainViewForWebinar(bool isFuncMain, bool isRecv, int mode) {
    MainViewController* area = mainViewController();
    if (area == nullptr || mLoginManager == nullptr) return;
    ConferenceFeatureWindows& windows = *services_.windows;
    const WebinarLayoutPlan plan = webinarLayoutPlan(mode, isFuncMain);
    QWidget* sharing = nullptr;
    for (WebinarStep step : plan.steps) {
        switch (step) {
            case WB_CLOSE_DOC:
                windows.closeWebinarDocShareView();
                break;
            case WB_CLOSE_WB:
                windows.closeWebinarWhiteboard();
                break;
            case WB_REMOVE_TB:
                deleteTextBoxView();
                break;
            case WB_CLOSE_AP:
                windows.closeAPShareForWebinar();
                break;
            case WB_OPEN_DOC:
                if (windows.webinarDocShareView() == nullptr) windows.startDocShare();
                break;
            case WB_OPEN_WB:
                windows.launchWebinarWhiteboard();
                break;
            case WB_OPEN_TB:
                launchTextBoxWindow();
                break;
            case WB_AP_PANE: {
                // The owner's own choice (or the layout met at entry) starts the own share.
                const bool own = !isRecv || mbStartupAP;
                if (own) windows.launchAPShareWindow();
                sharing = windows.webinarSharingView(own);
                break;
            }
        }
    }
    const auto content = [&](WebinarContent c) -> QWidget* {
        switch (c) {
            case WC_VIDEO:
                return area->getWebinarVideoView();
            case WC_DOC:
                return windows.webinarDocShareView();
            case WC_WB:
                return windows.launchWebinarWhiteboard();
            case WC_AP:
                return sharing;
            case WC_TB:
                return windows.webinarTextBoxView();
            default:
                return nullptr;
        }
    };
    QWidget* bottom = content(plan.bottom);
    area->setMainViewLayout(content(plan.left), content(plan.right), bottom);
    if (bottom != nullptr) windows.reloadWebinarTextBox();
    mbStartupAP = false;
    if (mMVHeaderView) mMVHeaderView->webinarBtnsStatusChange(mode);
    if (!isRecv) {
        if (LoginWebinarManager* manager = mLoginManager->webinarManager()) manager->sendWebinarFreeMsg();
    }
}

void StartViewController::onChangeLayoutOfWebinarView(bool flag, int mode) {
    // A layout that arrives before the video area is ready is not applied;
    // the next text is.
    {
        const std::lock_guard<std::mutex> lock(videoAreaMutex_);
        auto* area = dynamic_cast<MainViewController*>(mMainViewController.get());
        if (area == nullptr || !area->isInitialized()) return;
    }
    mainQueue().async(this, [this, flag, mode] { setLayoutMainViewForWebinar(flag, true, mode); });
}

void StartViewController::changeLayoutOfWebinarViewFromMenu(bool isFuncMain, int mode) {
    mainQueue().async(this,
                      [this, isFuncMain, mode] { setLayoutMainViewForWebinar(isFuncMain, false, mode); });
}

void StartViewController::onSelectMenuItemFromWebinarMenu(int itemTag) {
    const std::optional<std::pair<int, bool>> choice = webinarMenuChoice(itemTag);
    if (!choice || mLoginManager == nullptr) return;
    const auto [mode, flag] = *choice;
    // The text is replaced first; the layout follows on the main queue and sends it.
    if (LoginWebinarManager* manager = mLoginManager->webinarManager())
        manager->convertFromModeToSyncdata(flag, mode);
    changeLayoutOfWebinarViewFromMenu(flag, mode);
}

std::optional<std::pair<bool, int>> StartViewController::getConvertFromStrWinSyncToModeForWebinar() {
    LoginWebinarManager* manager = mLoginManager ? mLoginManager->webinarManager() : nullptr;
    return manager != nullptr ? manager->convertFromStrWinSyncToMode() : std::nullopt;
}

void StartViewController::cleanupWebinarViews() {
    services_.windows->closeWebinarDocShareView();
    services_.windows->closeWebinarWhiteboard();
    deleteTextBoxView();
    services_.windows->closeAPShareForWebinar();
}

void StartViewController::sendDispControlRequest(const UserInfoRef& target, int64_t popupTag) {
    if (target == nullptr || mLoginManager == nullptr) return;
    const UserInfoRef me = mLoginManager->myInfo();
    // The own entry stands for every participant.
    std::optional<QString> addressee;
    if (me == nullptr || me->userId() != target->userId()) addressee = target->userId();
    int64_t screenType = 0;
    std::optional<QString> detail;
    switch (popupTag) {
        case 19:
            detail = addressee;
            break;
        case 20:
            detail = mLoginManager->ownerIdStr();
            break;
        case 21:
            screenType = 1;
            break;
        case 22:
            screenType = 2;
            break;
        default:
            break;
    }
    if (LoginRemoteSupportManager* manager = mLoginManager->remoteSupportManager())
        manager->requestDispControl(addressee, screenType, detail);
}

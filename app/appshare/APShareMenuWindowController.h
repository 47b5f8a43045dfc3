#pragma once

// The sharing menu: the small window from which the user chooses what to
// share (the whole screen or one running application), starts and stops the
// share, refuses every control request and asks for the full-screen mode. The
// sharer is its delegate and does the starting and stopping.
//
// Main thread only. The options are set before `loadWindow` (the first
// `window()` call loads it).

#include <QObject>
#include <QPointer>
#include <optional>
#include <vector>

#include "platform/ApplicationInfo.h"
#include "platform/Window.h"

class QCheckBox;
class QListWidget;
class QPushButton;
class QRadioButton;

class APShareMenuWindowControllerDelegate {
public:
    virtual ~APShareMenuWindowControllerDelegate() = default;
    virtual void startDesktopSharing(bool fullScreen) = 0;
    virtual void startApplicationSharing(const ApplicationInfo& app, bool fullScreen) = 0;
    virtual void stopSharing() = 0;
    virtual void onCloseMenuWindow() = 0;
};

class APShareMenuWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr char kKeyIgnoreOpReq[] = "KeyASMenuCheckStatusIgnoreOpReq";
    static constexpr char kKeyFullScreen[] = "KeyASMenuCheckStatusFullScreen";
    static constexpr int kRowHeight = 28;

    explicit APShareMenuWindowController(QObject* parent = nullptr);
    ~APShareMenuWindowController() override;

    void setDelegate(APShareMenuWindowControllerDelegate* delegate) { delegate_ = delegate; }
    void setIsShowFullScreenMenu(bool on) { isShowFullScreenMenu_ = on; }
    void setDisableApplication(bool on) { disableApplication_ = on; }
    void setIsASControlIgnoreOption(bool on) { isASControlIgnoreOption_ = on; }
    bool isShowFullScreenMenu() const { return isShowFullScreenMenu_; }
    bool disableApplication() const { return disableApplication_; }
    bool isASControlIgnoreOption() const { return isASControlIgnoreOption_; }
    // The ignore check box is on (counts for the next control request).
    bool isIgnoreControlReq() const { return isIgnoreControlReq_; }

    // Loads the window on first use.
    Window* window();
    bool isWindowLoaded() const { return window_ != nullptr; }
    // Hides the window's close button (webinar rooms).
    void hideCloseButton();

    // The buttons, radios and check boxes (also what a click on them does).
    void onClickButton(QPushButton* button);
    void onSelectProgram(QRadioButton* radio);
    void onSelectOption(QCheckBox* box);
    // The sharer's reports: the share began, the share ended.
    void onStartSharing();
    void onStopSharing();
    // The application list changed.
    void update();
    void saveMenuInfo();

    int selectProgram() const { return mSelectProgram; }
    std::optional<ApplicationInfo> selectedApp() const { return mSelectApp; }
    const std::vector<ApplicationInfo>& appList() const { return mAppList; }

    // WindowDelegate
    void windowWillClose(Window* window) override;

private:
    void loadWindow();
    void awakeFromNib();
    void reloadTable();
    void setListEnabled(bool on);

    APShareMenuWindowControllerDelegate* delegate_ = nullptr;
    QPointer<Window> window_;
    QRadioButton* radioApplication_ = nullptr;
    QRadioButton* radioDesktop_ = nullptr;
    QListWidget* appListView_ = nullptr;
    QPushButton* buttonStart_ = nullptr;
    QPushButton* buttonStop_ = nullptr;
    QCheckBox* checkIgnoreOpReq_ = nullptr;
    QCheckBox* checkFullScreen_ = nullptr;

    bool isShowFullScreenMenu_ = false;
    bool disableApplication_ = false;
    bool isASControlIgnoreOption_ = false;
    bool isIgnoreControlReq_ = false;
    bool observing_ = false;
    int mSelectProgram = 0;
    std::optional<ApplicationInfo> mSelectApp;
    std::vector<ApplicationInfo> mAppList;
};

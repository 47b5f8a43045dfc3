// The webinar layout that the owner decides for everybody: a text of three
// decimal fields "a:b:c" (video pane, content, text box) that travels in
// free message 10059, and its conversion to and from a layout mode with the
// function-main flag (the content is the main, left pane).
//
// Threads: the text is written by received messages (a core thread), by the
// login (its queue) and by the owner's menu (main thread) and read on the
// main thread: it is kept under a lock. The delegate is called without it.
#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "session/LoginManagerFeatures.h"

enum WebinarMode : int {
    WEBINAR_MODE_NONE = 0,
    WEBINAR_MODE_VIDEO = 1,
    WEBINAR_MODE_DS = 2,
    WEBINAR_MODE_WB = 3,
    WEBINAR_MODE_AP = 4,
    WEBINAR_MODE_VIDEO_DS = 5,
    WEBINAR_MODE_VIDEO_WB = 6,
    WEBINAR_MODE_VIDEO_AP = 7,
    WEBINAR_MODE_VIDEO_TB = 8,
    WEBINAR_MODE_DS_TB = 9,
    WEBINAR_MODE_WB_TB = 10,
    WEBINAR_MODE_AP_TB = 11,
    WEBINAR_MODE_VIDEO_DS_TB = 12,
    WEBINAR_MODE_VIDEO_WB_TB = 13,
    WEBINAR_MODE_VIDEO_AP_TB = 14,
};

class WebinarManagerDelegate {
public:
    virtual ~WebinarManagerDelegate() = default;
    virtual void onChangeLayoutOfWebinarView(bool isFuncMain, int mode) = 0;
    virtual void sendFreeMsg(const QString& text) = 0;
};

class WebinarManager : public LoginWebinarManager {
public:
    static constexpr char kInitialText[] = "1:-1:0";

    // The text of a layout; mode 0 and modes outside 1..14 write "1:-1:0",
    // modes without both a video and a content pane ignore the flag.
    static QString syncText(bool isFuncMain, int mode);
    // The layout of a text: (flag, mode), mode 0 for a combination that no
    // layout writes; none for a text of fewer than three fields.
    static std::optional<std::pair<bool, int>> readSyncText(const QString& text);

    // The login controller's manager: its delegate is the login controller.
    static std::unique_ptr<LoginWebinarManager> make(LoginManager& login);

    WebinarManager() = default;

    void convertFromModeToSyncdata(bool isFuncMain, int mode) override;
    std::optional<std::pair<bool, int>> convertFromStrWinSyncToMode() const override;
    // A received text replaces the current one and is reported; a text that
    // cannot be read keeps the current layout.
    void updataAndConvertStrWinSync(const QString& text) override;
    void sendWebinarFreeMsg() override;
    QString strWinSync() const override;

    // Held weakly.
    void setDelegate(WebinarManagerDelegate* delegate);
    WebinarManagerDelegate* delegate() const;

private:
    mutable std::mutex mutex_;
    QString strWinSync_ = QString::fromLatin1(kInitialText);
    WebinarManagerDelegate* delegate_ = nullptr;
    std::unique_ptr<WebinarManagerDelegate> ownedDelegate_;
};

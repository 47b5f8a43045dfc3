#include "conference/WebinarManager.h"

#include <QStringList>
#include <climits>

#include "session/LoginManager.h"

namespace {

// The leading decimal number of a field: optional white space and sign, then
// digits; 0 without digits. Long digit runs saturate instead of overflowing.
long long fieldValue(const QString& field) {
    int i = 0;
    const int n = int(field.size());
    while (i < n && field[i].isSpace()) ++i;
    bool negative = false;
    if (i < n && (field[i] == u'+' || field[i] == u'-')) negative = field[i++] == u'-';
    long long value = 0;
    for (; i < n && field[i] >= u'0' && field[i] <= u'9'; ++i) {
        if (value < LLONG_MAX / 100) value = value * 10 + (field[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

// The login controller as the manager's delegate.
class LoginDelegate final : public WebinarManagerDelegate {
public:
    explicit LoginDelegate(LoginManager& login) : login_(login) {}
    void onChangeLayoutOfWebinarView(bool isFuncMain, int mode) override {
        login_.onChangeLayoutOfWebinarView(isFuncMain, mode);
    }
    void sendFreeMsg(const QString& text) override { login_.sendFreeMsg(text); }

private:
    LoginManager& login_;
};

}  // namespace

QString WebinarManager::syncText(bool isFuncMain, int mode) {
    int a = 0, b = -1, c = 0;
    const int video = isFuncMain ? 2 : 1;
    switch (mode) {
        case WEBINAR_MODE_VIDEO:
            a = 1, b = -1, c = 0;
            break;
        case WEBINAR_MODE_DS:
            a = 0, b = 0, c = 0;
            break;
        case WEBINAR_MODE_WB:
            a = 0, b = 1, c = 0;
            break;
        case WEBINAR_MODE_AP:
            a = 0, b = 2, c = 0;
            break;
        case WEBINAR_MODE_VIDEO_DS:
            a = video, b = 0, c = 0;
            break;
        case WEBINAR_MODE_VIDEO_WB:
            a = video, b = 1, c = 0;
            break;
        case WEBINAR_MODE_VIDEO_AP:
            a = video, b = 2, c = 0;
            break;
        case WEBINAR_MODE_VIDEO_TB:
            a = 1, b = -1, c = 1;
            break;
        case WEBINAR_MODE_DS_TB:
            a = 0, b = 0, c = 1;
            break;
        case WEBINAR_MODE_WB_TB:
            a = 0, b = 1, c = 1;
            break;
        case WEBINAR_MODE_AP_TB:
            a = 0, b = 2, c = 1;
            break;
        case WEBINAR_MODE_VIDEO_DS_TB:
            a = video, b = 0, c = 1;
            break;
        case WEBINAR_MODE_VIDEO_WB_TB:
            a = video, b = 1, c = 1;
            break;
        case WEBINAR_MODE_VIDEO_AP_TB:
            a = video, b = 2, c = 1;
            break;
        default:
            a = 1, b = -1, c = 0;
            break;
    }
    return QStringLiteral("%1:%2:%3").arg(a).arg(b).arg(c);
}

std::optional<std::pair<bool, int>> WebinarManager::readSyncText(const QString& text) {
    const QStringList fields = text.split(u':');
    if (fields.size() < 3) return std::nullopt;
    const long long a = fieldValue(fields[0]), b = fieldValue(fields[1]);
    const bool textBox = fieldValue(fields[2]) != 0;
    // Content -1 (none), 0 document, 1 whiteboard, 2 shared screen.
    const auto pick = [&](int none, int ds, int wb, int ap) {
        switch (b) {
            case -1:
                return none;
            case 0:
                return ds;
            case 1:
                return wb;
            case 2:
                return ap;
            default:
                return int(WEBINAR_MODE_NONE);
        }
    };
    switch (a) {
        case 0:
            return std::make_pair(false, textBox ? pick(0, 9, 10, 11) : pick(0, 2, 3, 4));
        case 1:
            return std::make_pair(false, textBox ? pick(8, 12, 13, 14) : pick(1, 5, 6, 7));
        case 2:
            return std::make_pair(true, textBox ? pick(0, 12, 13, 14) : pick(0, 5, 6, 7));
        default:
            return std::make_pair(false, int(WEBINAR_MODE_NONE));
    }
}

std::unique_ptr<LoginWebinarManager> WebinarManager::make(LoginManager& login) {
    auto manager = std::make_unique<WebinarManager>();
    manager->ownedDelegate_ = std::make_unique<LoginDelegate>(login);
    manager->delegate_ = manager->ownedDelegate_.get();
    return manager;
}

void WebinarManager::convertFromModeToSyncdata(bool isFuncMain, int mode) {
    const QString text = syncText(isFuncMain, mode);
    const std::lock_guard<std::mutex> lock(mutex_);
    strWinSync_ = text;
}

std::optional<std::pair<bool, int>> WebinarManager::convertFromStrWinSyncToMode() const {
    return readSyncText(strWinSync());
}

void WebinarManager::updataAndConvertStrWinSync(const QString& text) {
    const std::optional<std::pair<bool, int>> layout = readSyncText(text);
    if (!layout) return;
    WebinarManagerDelegate* delegate;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        strWinSync_ = text;
        delegate = delegate_;
    }
    if (delegate != nullptr) delegate->onChangeLayoutOfWebinarView(layout->first, layout->second);
}

void WebinarManager::sendWebinarFreeMsg() {
    QString text;
    WebinarManagerDelegate* delegate;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        text = strWinSync_;
        delegate = delegate_;
    }
    if (delegate != nullptr) delegate->sendFreeMsg(text);
}

QString WebinarManager::strWinSync() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return strWinSync_;
}

void WebinarManager::setDelegate(WebinarManagerDelegate* delegate) {
    const std::lock_guard<std::mutex> lock(mutex_);
    delegate_ = delegate;
}

WebinarManagerDelegate* WebinarManager::delegate() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return delegate_;
}

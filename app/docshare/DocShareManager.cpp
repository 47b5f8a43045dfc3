#include "docshare/DocShareManager.h"

#include <QRegularExpression>

#include "docshare/DSNotificator.h"
#include "docshare/DocShareDataparse.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "services/QuorixUtils.h"
#include "session/LoginManager.h"

namespace {

const QString kTypeEscort = QStringLiteral("WEBESCORT");
const QString kTypeActive = QStringLiteral("WEBESCORT_ACTIVE");
const QString kTypePageInfo = QStringLiteral("WEBESCORT_PAGE_INFO");
const QString kTypePMode = QStringLiteral("WEBESCORT_PMODE");
const QString kTypeSizing = QStringLiteral("WEBESCORT_SIZING");
const QString kTypeZoom = QStringLiteral("WEBESCORT_ZOOM");
const QString kTypeScroll = QStringLiteral("WEBESCORT_SCROLL");
const QString kTypeStop = QStringLiteral("WEBESCORT_STOP");
const QString kTypeClear = QStringLiteral("WEBESCORT_CLEAR");
const QString kTypeDraw = QStringLiteral("WEBWBRD_DATA");
const QString kTypeDrawClear = QStringLiteral("WEBWBRD_CLEAR");
const QString kTypeMouse = QStringLiteral("WEBWBRD_MOUSE_POINT");
const QString kTypeRequest = QStringLiteral("WEBESCORT_REQUEST");
const QString kTypeRequest2 = QStringLiteral("WEBESCORT_REQUEST2");
const QString kTypeUseDefault = QStringLiteral("WEBESCORT_USEDEFAULT");

const std::optional<QString> kAll;

QString boolText(bool on) {
    return on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

QPointF pairValue(const QVariantMap& m, const QString& name) {
    const auto n = DocShareDataparse::numbers(m.value(name).toString(), 2);
    return n ? QPointF((*n)[0], (*n)[1]) : QPointF();
}

// LoginManager as the manager's delegate.
class LoginManagerDelegate : public DocShareManagerDelegate {
public:
    explicit LoginManagerDelegate(LoginManager& login) : login_(login) {}
    bool isConferenceOwner() const override { return login_.isConferenceOwner(); }
    bool isSpeakable() const override { return login_.isSpeakable(); }
    UserInfoRef checkOwnerInfo(const QString& userId) const override { return login_.checkOwnerInfo(userId); }
    void sendDocShareData(const QString& text) override { login_.sendDocShareData(text); }
    void onDocShareActive() override { login_.onDocShareActive(); }

private:
    LoginManager& login_;
};

class LoginDocShare : public DocShareManager {
public:
    explicit LoginDocShare(LoginManager& login) : delegate_(login) { setDelegate(&delegate_); }
    ~LoginDocShare() override { setDelegate(nullptr); }

private:
    LoginManagerDelegate delegate_;
};

}  // namespace

DocShareManager::DocShareManager()
    : dsData_(std::make_unique<DocShareData>()), self_(std::make_shared<DocShareManager*>(this)) {}

DocShareManager::~DocShareManager() {
    *self_ = nullptr;
}

void DocShareManager::postDocShareActive() {
    mainQueue().async([self = self_] {
        DocShareManager* manager = *self;
        if (manager && manager->delegate_) manager->delegate_->onDocShareActive();
    });
}

std::unique_ptr<LoginDocShareManager> DocShareManager::make(LoginManager& loginManager) {
    return std::make_unique<LoginDocShare>(loginManager);
}

DSNotificator& DocShareManager::notificator() const {
    return notificator_ ? *notificator_ : DSNotificator::sharedNotificator();
}

void DocShareManager::setMyInfo(const UserInfoRef& myInfo) {
    std::lock_guard lock(mutex_);
    myInfo_ = myInfo;
}

void DocShareManager::setOptions(const QVariantMap& configData) {
    std::lock_guard lock(mutex_);
    dsData_->setIsDrawAll(QuorixUtils::IsSystemEnableFunc(QStringLiteral("DOCSHARE_DRAW_ALL"), configData));
    dsData_->setIsPageSwitchable(QuorixUtils::IsSystemEnableFunc(
        QStringLiteral("MODE_USER_PERMISSION_DS_PAGE_SWITCHABLE"), configData));
}

bool DocShareManager::checkSubmitURL(const QString& url) {
    static const QRegularExpression blank(QStringLiteral("about:blank"));
    return !blank.match(url).hasMatch();
}

// ---- Rights ----

bool DocShareManager::pageOperationRight(bool permission) const {
    if (!dsData_->isPageSwitchable()) return false;
    return permission || (delegate_ && delegate_->isConferenceOwner());
}

bool DocShareManager::drawableNow() const {
    if (!dsData_->isDrawingOn()) return false;
    return dsData_->hasOperationRight() || (dsData_->isDrawAll() && delegate_ && delegate_->isSpeakable());
}

void DocShareManager::changeSpeaker(bool /*isSpeaker*/) {
    std::lock_guard lock(mutex_);
    const bool drawable = drawableNow();
    dsData_->setIsDrawable(drawable);
    notificator().requestChangeDrawableNotification(drawable);
}

void DocShareManager::changeDocSharePermission(bool permitted) {
    std::lock_guard lock(mutex_);
    permission_ = permitted;
    dsData_->setHasPageOperationRight(pageOperationRight(permitted));
    notificator().requestChangeOperationNotification(dsData_->hasOperationRight(), dsData_->hasViewingRight(),
                                                     dsData_->hasPageOperationRight());
}

// ---- Start and stop ----

void DocShareManager::startDocShare(const UserInfoRef& leader, bool isOwner, bool hasPermission) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted()) stopLocked(false);
    permission_ = hasPermission;
    dsData_->setOwnerInfo(leader);
    dsData_->setIsStarted(true);
    dsData_->setHasOperationRight(isOwner);
    dsData_->setHasViewingRight(isOwner);
    dsData_->setHasPageOperationRight(pageOperationRight(hasPermission));
    notificator().requestChangeOperatorNotification(leader);
}

void DocShareManager::stopDocShare(bool resetData) {
    std::lock_guard lock(mutex_);
    stopLocked(resetData);
}

void DocShareManager::stopLocked(bool resetAll) {
    dsData_->setOwnerInfo(nullptr);
    if (dsData_->hasOperationRight()) {
        dsData_->setIsDrawingOn(false);
        dsData_->setIsPointerOn(false);
        sendPointerMode(kAll);
        sendDocShareMessage(kTypeClear, kAll, std::nullopt);
    }
    dsData_->resetDocData(resetAll);
    dsData_->setHasViewingRight(true);
    notificator().requestChangeOperatorNotification(nullptr);
}

// ---- Receipt ----

void DocShareManager::OnDocShareData(const QString& senderId, const QString& text) {
    const QVariantMap m = DocShareDataparse::getMessageElements(text);
    const QString type = m.value(QStringLiteral("Type")).toString();
    const QString key = m.value(QStringLiteral("Key")).toString();
    std::lock_guard lock(mutex_);
    DocShareData& d = *dsData_;

    if (!d.isStarted()) {
        static const QStringList ignoredWhileIdle{kTypeUseDefault, kTypePMode,     kTypeSizing,  kTypeScroll,
                                                  kTypeZoom,       kTypeClear,     kTypeStop,    kTypeMouse,
                                                  kTypeDraw,       kTypeDrawClear, kTypeRequest2};
        if (ignoredWhileIdle.contains(type)) return;
        if (type == kTypeRequest) {
            if (delegate_ && delegate_->isConferenceOwner())
                sendDocShareMessage(kTypeUseDefault, key, std::nullopt);
            return;
        }
        d.setIsStarted(true);
        d.setHasViewingRight(false);
        if (delegate_) {
            postDocShareActive();
            const UserInfoRef owner = delegate_->checkOwnerInfo(senderId);
            d.setOwnerInfo(owner);
            notificator().requestChangeOperatorNotification(owner);
        }
    }

    if (type == kTypeEscort) {
        if (m.contains(QStringLiteral("Url"))) documentStep(m);
    } else if (type == kTypeStop) {
        notificator().requestStopLoadingNotification();
    } else if (type == kTypeActive) {
        documentStep(m);
        if (delegate_) postDocShareActive();
    } else if (type == kTypePageInfo) {
        documentStep(m);
        const std::int64_t page = IntegerValue(m.value(QStringLiteral("Page")).toString());
        if (page != d.currentPageNumber()) {
            d.setCurrentPageNumber(page);
            notificator().requestChangePageInfoNotification(page);
            if (d.hasOperationRight()) sendPageInfo(kAll);
        }
    } else if (type == kTypeRequest) {
        answerRequest(key);
    } else if (type == kTypeRequest2) {
        if (d.hasOperationRight()) {
            sendPointerMode(kAll);
            const DSDocumentRef current = d.getCurrentDocument();
            if (current && current->type() == 1) sendWebEscortZoom(kAll);
            sendWebEscortScroll(kAll);
        }
    } else if (type == kTypePMode) {
        const bool paint = m.value(QStringLiteral("PaintMode")).toString() == u"TRUE";
        if (paint != d.isDrawingOn()) {
            d.setIsDrawingOn(paint);
            d.setIsDrawable(drawableNow());
            notificator().requestChangePaintModeNotification(paint);
        }
        const bool pointer = m.value(QStringLiteral("PointerMode")).toString() == u"TRUE";
        if (pointer != d.isPointerOn()) {
            d.setIsPointerOn(pointer);
            notificator().requestChangePointerModeNotification(pointer);
        }
    } else if (type == kTypeClear) {
        notificator().requestClearDrawDataNotification();
    } else if (type == kTypeScroll) {
        const QStringList parts = m.value(QStringLiteral("ScrollSize")).toString().split(u',');
        if (parts.size() < 2) return;
        QPointF scroll = d.scrollPoint();
        if (parts[0].trimmed() != u"-1") scroll.setX(DocShareDataparse::numberValue(parts[0]));
        if (parts[1].trimmed() != u"-1") scroll.setY(DocShareDataparse::numberValue(parts[1]));
        d.setScrollPoint(scroll);
        notificator().requestChangeScrollPointNotification(scroll);
    } else if (type == kTypeSizing) {
        const auto n = DocShareDataparse::numbers(m.value(QStringLiteral("Size")).toString(), 2);
        if (!n || (*n)[0] <= 0 || (*n)[1] <= 0) return;
        // A peer's size is what the window allocates its page at: never more than the largest side.
        const QSizeF size(std::min((*n)[0], kMaxSharedSide), std::min((*n)[1], kMaxSharedSide));
        d.setSharedSize(size);
        notificator().requestChangeDocSizeNotification(size);
    } else if (type == kTypeZoom) {
        // The window divides by the zoom and scales pages by it: only sensible values are applied.
        const std::int64_t zoom = IntegerValue(m.value(QStringLiteral("ZoomRate")).toString());
        if (zoom < kMinZoom || zoom > kMaxZoom) return;
        d.setZoomRange(zoom);
        notificator().requestChangeZoomRangeNotification(zoom);
    } else if (type == kTypeMouse) {
        if (!d.isPointerOn()) return;
        const QPointF origin = pairValue(m, QStringLiteral("MousePoint"));
        const QPointF scroll = pairValue(m, QStringLiteral("ScrollPoint"));
        d.setPointerOrigin(origin);
        d.setScrollPoint(scroll);
        notificator().requestChangePointerOriginNotification(origin, scroll);
    } else if (type == kTypeDraw) {
        if (!d.isDrawingOn()) return;
        const QPointF scroll = pairValue(m, QStringLiteral("Scroll"));
        d.setScrollPoint(scroll);
        d.appendDrawData(m);
        notificator().requestChangeDrawDataNotification(d.drawDataArray(), scroll);
    } else if (type == kTypeDrawClear) {
        d.clearDrawDataArray();
        notificator().requestClearDrawDataNotification();
    }
}

void DocShareManager::documentStep(const QVariantMap& elements) {
    const QString url = elements.value(QStringLiteral("Url")).toString();
    const DSDocumentRef current = dsData_->getCurrentDocument();
    if (current && current->documentUrl() == url) return;
    auto document = std::make_shared<DSDocument>(url);
    dsData_->appendCurrentDocument(document);
    notificator().requestChangeDocumentNotification(document);
}

void DocShareManager::answerRequest(const QString& key) {
    DocShareData& d = *dsData_;
    if (!d.hasOperationRight()) {
        if (delegate_ && delegate_->isConferenceOwner())
            sendDocShareMessage(kTypeUseDefault, key, std::nullopt);
        return;
    }
    if (const DSDocumentRef current = d.getCurrentDocument()) {
        if (!checkSubmitURL(current->documentUrl())) {
            sendDocShareMessage(kTypeUseDefault, key, std::nullopt);
            return;
        }
        sendWebEscort(key, current->documentUrl());
        if (current->type() == 1) sendPageInfo(key);
    }
    if (d.isDrawingOn() || d.isPointerOn()) {
        sendPointerMode(key);
        sendWebEscortSizing(key);
        sendWebEscortZoom(key);
    }
}

// ---- Sending ----

void DocShareManager::sendDocShareMessage(const QString& type, int clientId,
                                          const std::optional<QStringList>& value) {
    // Client numbers start at 1; 0 or less stands for "all participants".
    sendDocShareMessage(type, clientId > 0 ? std::optional<QString>(QString::number(clientId)) : std::nullopt,
                        value);
}

void DocShareManager::sendDocShareMessage(const QString& type, const std::optional<QString>& clientId,
                                          const std::optional<QStringList>& value) {
    if (!delegate_) return;
    delegate_->sendDocShareData(DocShareDataparse::buildMessage(type, clientId, value));
}

void DocShareManager::sendWebEscort(const Key& key, const QString& url) {
    sendDocShareMessage(kTypeEscort, key,
                        QStringList{QStringLiteral("Url: ") + url, QStringLiteral("Target: ,") + url});
}

void DocShareManager::sendWebEscortActive(const Key& key) {
    const DSDocumentRef current = dsData_->getCurrentDocument();
    const QString url = current ? current->documentUrl() : QString();
    sendDocShareMessage(kTypeActive, key,
                        QStringList{QStringLiteral("Url: ") + url, QStringLiteral("Target: ,") + url});
}

void DocShareManager::sendPageInfo(const Key& key) {
    const DSDocumentRef current = dsData_->getCurrentDocument();
    sendDocShareMessage(kTypePageInfo, key,
                        QStringList{QStringLiteral("Url: ") + (current ? current->documentUrl() : QString()),
                                    StringWithFormat("Page: %ld", long(dsData_->currentPageNumber()))});
}

void DocShareManager::sendPointerMode(const Key& key) {
    sendDocShareMessage(kTypePMode, key,
                        QStringList{QStringLiteral("PointerMode: ") + boolText(dsData_->isPointerOn()),
                                    QStringLiteral("PaintMode: ") + boolText(dsData_->isDrawingOn())});
}

void DocShareManager::sendWebEscortSizing(const Key& key) {
    const QSizeF size = dsData_->sharedSize();
    sendDocShareMessage(kTypeSizing, key,
                        QStringList{StringWithFormat("Size: %f, %f", size.width(), size.height())});
}

void DocShareManager::sendWebEscortZoom(const Key& key) {
    sendDocShareMessage(kTypeZoom, key,
                        QStringList{StringWithFormat("ZoomRate: %ld", long(dsData_->zoomRange()))});
}

void DocShareManager::sendWebEscortScroll(const Key& key) {
    const QPointF p = dsData_->scrollPoint();
    sendDocShareMessage(kTypeScroll, key,
                        QStringList{StringWithFormat("Scroll: %d, %d", int(p.x()), int(p.y()))});
}

void DocShareManager::sendPaintData(const Key& key, int mode) {
    DocShareData& d = *dsData_;
    const DSDocumentRef current = d.getCurrentDocument();
    const QPointF p = d.scrollPoint();
    const QString scroll = current && current->type() == 1
                               ? QStringLiteral("-1, -1")
                               : StringWithFormat("%d, %d", int(p.x()), int(p.y()));
    const bool eraser = mode != 0;
    const int width = int(eraser ? d.eraserWidth() : d.penWidth());
    const QString color = eraser ? QStringLiteral("255, 255, 255")
                                 : StringWithFormat("%d, %d, %d", int(d.penColorR() * 255),
                                                    int(d.penColorG() * 255), int(d.penColorB() * 255));
    QStringList lines{QStringLiteral("Scroll: ") + scroll, QStringLiteral("Style: 0"),
                      StringWithFormat("Width: %d", width), QStringLiteral("Color: ") + color};
    for (const QString& pos :
         d.sendDrawPoint().value_or(QString()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines << pos;
    lines << QString();
    sendDocShareMessage(kTypeDraw, key, lines);
    d.clearSendDrawPoint();
}

void DocShareManager::sendPointerData(const Key& key) {
    DocShareData& d = *dsData_;
    const DSDocumentRef current = d.getCurrentDocument();
    const QPointF o = d.pointerOrigin();
    const QPointF s = d.scrollPoint();
    const QString scroll = current && current->type() == 1
                               ? QStringLiteral("-1, -1")
                               : StringWithFormat("%d, %d", int(s.x()), int(s.y()));
    sendDocShareMessage(
        kTypeMouse, key,
        QStringList{StringWithFormat("MousePoint: %d, %d", int(o.x()), int(o.y())),
                    QStringLiteral("UserName: ") + (myInfo_ ? myInfo_->userName() : QString()),
                    QStringLiteral("ScrollPoint: ") + scroll, QString()});
}

// ---- The windows' operations ----

void DocShareManager::updateDocument(const QString& url, std::int64_t pageNum) {
    std::lock_guard lock(mutex_);
    if (!dsData_->isStarted() || !dsData_->hasOperationRight()) return;
    if (dsData_->isDrawingOn() || dsData_->isPointerOn()) sendDocShareMessage(kTypeClear, kAll, std::nullopt);
    sendWebEscort(kAll, url);
    if (pageNum >= 0) sendPageInfo(kAll);
    sendPointerMode(kAll);
}

void DocShareManager::reloadPage() {
    std::lock_guard lock(mutex_);
    if (!dsData_->isStarted() || !dsData_->hasOperationRight()) return;
    const DSDocumentRef current = dsData_->getCurrentDocument();
    sendWebEscort(kAll, current ? current->documentUrl() : QString());
}

void DocShareManager::stopLoading() {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight())
        sendDocShareMessage(kTypeStop, kAll, std::nullopt);
}

void DocShareManager::changePageInfo(std::int64_t /*page*/) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && (dsData_->hasOperationRight() || dsData_->hasPageOperationRight()))
        sendPageInfo(kAll);
}

void DocShareManager::forceDisplay() {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight()) sendWebEscortActive(kAll);
}

void DocShareManager::changeDocSize(const QSizeF& /*size*/) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight()) sendWebEscortSizing(kAll);
}

void DocShareManager::changeScrollPoint(const QPointF& /*point*/) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight()) sendWebEscortScroll(kAll);
}

void DocShareManager::changeZoomRange(std::int64_t /*zoom*/) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight()) sendWebEscortZoom(kAll);
}

void DocShareManager::changePointerMode(bool on) {
    std::lock_guard lock(mutex_);
    if (!dsData_->isStarted() || !dsData_->hasOperationRight()) return;
    sendPointerMode(kAll);
    if (on)
        sendWebEscortSizing(kAll);
    else if (!dsData_->isDrawingOn())
        sendDocShareMessage(kTypeClear, kAll, std::nullopt);
}

void DocShareManager::changeDrawingMode(bool on) {
    std::lock_guard lock(mutex_);
    if (!dsData_->isStarted() || !dsData_->hasOperationRight()) return;
    sendPointerMode(kAll);
    if (on)
        sendWebEscortSizing(kAll);
    else
        sendDocShareMessage(kTypeClear, kAll, std::nullopt);
}

void DocShareManager::drawData(int mode) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->isDrawable()) sendPaintData(kAll, mode);
}

void DocShareManager::clearDrawing() {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->isDrawable())
        sendDocShareMessage(kTypeDrawClear, kAll, std::nullopt);
}

void DocShareManager::movePointer(const QPointF& /*point*/) {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && dsData_->hasOperationRight()) sendPointerData(kAll);
}

void DocShareManager::requestDocSize() {
    std::lock_guard lock(mutex_);
    if (dsData_->isStarted() && !dsData_->hasOperationRight())
        sendDocShareMessage(kTypeRequest2, kAll, std::nullopt);
}

// The one controller of document sharing: decides who may do what, follows
// the start and the end of a share, answers and applies every received
// document-sharing message and sends the operator's and the drawers' messages
// for the document-sharing windows. It never touches a view: windows hear of
// every change through DSNotificator.
//
// Start, stop and receipt run on the threads of the core events (and the main
// thread when the user acts); the manager takes one lock for each of them, so
// a receipt is applied whole and in the order of arrival, and its notices are
// posted on the serial main queue in that order.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>

#include "docshare/DocShareControllerDelegate.h"
#include "docshare/DocShareData.h"
#include "session/LoginManagerFeatures.h"

class DSNotificator;

class DocShareManagerDelegate {
public:
    virtual ~DocShareManagerDelegate() = default;
    virtual bool isConferenceOwner() const = 0;
    virtual bool isSpeakable() const = 0;
    virtual UserInfoRef checkOwnerInfo(const QString& userId) const = 0;
    virtual void sendDocShareData(const QString& /*text*/) {}
    virtual void onDocShareActive() {}
};

class DocShareManager : public LoginDocShareManager, public DocShareControllerDelegate {
public:
    // Received zoom values outside this range are not applied; received sizes
    // are clamped to the largest side.
    static constexpr std::int64_t kMinZoom = 1;
    static constexpr std::int64_t kMaxZoom = 9999;
    static constexpr double kMaxSharedSide = 20000;

    DocShareManager();
    ~DocShareManager() override;

    // The manager of a login: LoginManager is its delegate.
    static std::unique_ptr<LoginDocShareManager> make(LoginManager& loginManager);

    void setDelegate(DocShareManagerDelegate* delegate) { delegate_ = delegate; }
    DocShareManagerDelegate* delegate() const { return delegate_; }
    DocShareData& dsData() { return *dsData_; }
    // Where the notices go (the shared notificator unless a test gives another).
    void setNotificator(DSNotificator* notificator) { notificator_ = notificator; }

    // ---- LoginDocShareManager ----
    void setMyInfo(const UserInfoRef& myInfo) override;
    void setOptions(const QVariantMap& configData) override;
    void sendDocShareMessage(const QString& type, int clientId,
                             const std::optional<QStringList>& value) override;
    void startDocShare(const UserInfoRef& leader, bool isOwner, bool hasPermission) override;
    void stopDocShare(bool resetData) override;
    void OnDocShareData(const QString& senderId, const QString& text) override;
    void changeSpeaker(bool isSpeaker) override;
    void changeDocSharePermission(bool permitted) override;
    bool isStarted() const override { return dsData_->isStarted(); }
    UserInfoRef ownerInfo() const override { return dsData_->ownerInfo(); }
    bool hasOperationRight() const override { return dsData_->hasOperationRight(); }

    // The message text with a key as text (none or empty: all participants).
    void sendDocShareMessage(const QString& type, const std::optional<QString>& clientId,
                             const std::optional<QStringList>& value);

    // ---- The windows' operations (main thread); the model holds the values ----
    void updateDocument(const QString& url, std::int64_t pageNum) override;
    void reloadPage() override;
    void stopLoading() override;
    void changePageInfo(std::int64_t page) override;
    void forceDisplay() override;
    void changeDocSize(const QSizeF& size) override;
    void changeScrollPoint(const QPointF& point) override;
    void changeZoomRange(std::int64_t zoom) override;
    void changePointerMode(bool on) override;
    void changeDrawingMode(bool on) override;
    void drawData(int mode) override;  // 0 pen, any other value eraser
    void clearDrawing() override;
    void movePointer(const QPointF& point) override;
    void requestDocSize() override;

    // Whether an address may be shared (false when it contains "about:blank").
    static bool checkSubmitURL(const QString& url);

private:
    using Key = std::optional<QString>;
    bool pageOperationRight(bool permission) const;
    bool drawableNow() const;
    void stopLocked(bool resetAll);
    void documentStep(const QVariantMap& elements);
    void answerRequest(const QString& key);

    void sendWebEscort(const Key& key, const QString& url);
    void sendWebEscortActive(const Key& key);
    void sendPageInfo(const Key& key);
    void sendPointerMode(const Key& key);
    void sendWebEscortSizing(const Key& key);
    void sendWebEscortZoom(const Key& key);
    void sendWebEscortScroll(const Key& key);
    void sendPaintData(const Key& key, int mode);
    void sendPointerData(const Key& key);

    DSNotificator& notificator() const;
    // The delegate's onDocShareActive on the main queue, after the notices asked before it.
    void postDocShareActive();

    mutable std::recursive_mutex mutex_;
    std::unique_ptr<DocShareData> dsData_;
    DocShareManagerDelegate* delegate_ = nullptr;
    DSNotificator* notificator_ = nullptr;
    UserInfoRef myInfo_;
    bool permission_ = false;
    // Cleared when the manager goes; tasks on the main queue test it.
    std::shared_ptr<DocShareManager*> self_;
};

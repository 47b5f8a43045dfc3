#pragma once

// Observes the posts of one `SettingNotificator` (and of no other sender) and
// calls its delegate for each; the posts arrive on the main queue, so the
// delegate is called on the main thread. Every delegate method does nothing
// unless the delegate overrides it. Destruction ends the observation; whoever
// set the delegate clears it before it goes away.

#include <QSizeF>
#include <QString>
#include <QStringList>

class SettingNotificator;
class SettingNotificatorDispatcher;
struct Notification;

class SettingNotificatorDispatcherDelegate {
public:
    virtual ~SettingNotificatorDispatcherDelegate() = default;
    virtual void didChangeCamDevice(SettingNotificatorDispatcher*, const QString& /*device*/,
                                    const QStringList& /*allDevice*/, int /*index*/) {}
    virtual void didChangeResolution(SettingNotificatorDispatcher*, const QSizeF& /*resolution*/) {}
    virtual void didChangeFps(SettingNotificatorDispatcher*, int /*fps*/) {}
    virtual void didChangeChatNotify(SettingNotificatorDispatcher*, bool /*isNotify*/) {}
    virtual void didChangeDispSpeakerBtnNotify(SettingNotificatorDispatcher*, bool /*isNotify*/) {}
};

class SettingNotificatorDispatcher {
public:
    explicit SettingNotificatorDispatcher(SettingNotificator* notificator);
    ~SettingNotificatorDispatcher();
    SettingNotificatorDispatcher(const SettingNotificatorDispatcher&) = delete;
    SettingNotificatorDispatcher& operator=(const SettingNotificatorDispatcher&) = delete;

    void setDelegate(SettingNotificatorDispatcherDelegate* delegate) { delegate_ = delegate; }
    SettingNotificatorDispatcherDelegate* delegate() const { return delegate_; }
    SettingNotificator* notificator() const { return notificator_; }

private:
    void updateCamDevice(const Notification& n);
    void updateResolution(const Notification& n);
    void updateFps(const Notification& n);
    void updateChatNotify(const Notification& n);
    void updateDispSpeakerBtnNotify(const Notification& n);

    SettingNotificator* notificator_;
    SettingNotificatorDispatcherDelegate* delegate_ = nullptr;
};

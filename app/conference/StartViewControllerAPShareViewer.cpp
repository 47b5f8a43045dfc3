// Watching another participant's share: the viewer is made when the share
// starts, gets every event of that share and goes when it stops.

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "ui/CommonAlert.h"

namespace {

bool configYes(const QVariantMap& config, const char* key) {
    return config.value(QString::fromLatin1(key)).toString() == QStringLiteral("Y");
}

}  // namespace

std::shared_ptr<ConferenceAPShareViewer> StartViewController::apShareClient() const {
    std::lock_guard lock(apShareClientMutex_);
    return mAPShareClient;
}

void StartViewController::startAPShareViewer(uint16_t first, uint16_t stype, uint16_t width, uint16_t height,
                                             uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                             const QString& sharerId, const QString& sharerName,
                                             const QString& operatorId, const QString& operatorName) {
    std::shared_ptr<ConferenceAPShareViewer> previous;
    std::uint64_t generation;
    {
        std::lock_guard lock(apShareClientMutex_);
        previous = std::move(mAPShareClient);
        mAPShareClient.reset();
        generation = ++apShareGeneration_;
    }
    previous.reset();  // the old viewer goes (its windows on the main thread)
    const int dispMode = stype == 1 && configYes(mLoginManager->configDataDict(), "AS_START_FIT") ? 1 : 0;
    mainQueue().async(this, [=, this] {
        const UserInfoRef me = mLoginManager->myInfo();
        const int64_t controlStatus = me && operatorId == me->userId() ? 2 : 0;
        int64_t requestStatus = 1;
        if (mLoginManager->iRoomCategory() != 0 && !mLoginManager->isOwner())
            requestStatus = mLoginManager->isSpeaker() ? 1 : 0;
        {
            std::lock_guard lock(apShareClientMutex_);
            if (generation != apShareGeneration_) return;  // stopped (or replaced) meanwhile
        }
        auto client =
            services_.windows->makeAPShareClient(mLoginManager->isWebinar(), mLoginManager.get(), this);
        if (!client) return;
        {
            std::lock_guard lock(apShareClientMutex_);
            if (generation != apShareGeneration_) return;
            mAPShareClient = client;
        }
        client->setDefaultDispMode(dispMode);
        client->onStart(first, stype, width, height, left, top, right, bottom, sharerId, sharerName,
                        operatorId, operatorName, controlStatus, requestStatus);
    });
}

void StartViewController::onAPShareStop(int kind, const QString& sharerId, const QString& sharerName) {
    std::shared_ptr<ConferenceAPShareViewer> client;
    {
        std::lock_guard lock(apShareClientMutex_);
        client = std::move(mAPShareClient);
        mAPShareClient.reset();
        ++apShareGeneration_;
    }
    if (client) client->onStop(kind, sharerId, sharerName);
}

void StartViewController::stopAPShareClient() {
    std::shared_ptr<ConferenceAPShareViewer> client;
    {
        std::lock_guard lock(apShareClientMutex_);
        client = mAPShareClient;
        ++apShareGeneration_;
    }
    if (client) client->onStop(0, QString(), QString());
}

void StartViewController::onAPShareResize(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    if (auto client = apShareClient()) client->onResize(left, top, right, bottom);
}

void StartViewController::onAPShareKeyFrame(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
    if (auto client = apShareClient()) client->onKeyFrame(left, top, right, bottom);
}

void StartViewController::onAPShareRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom,
                                        const QByteArray& data, int length) {
    if (auto client = apShareClient()) client->onShowRect(left, top, right, bottom, data, length);
}

void StartViewController::onASControlRes(uint32_t result, const QString& userId, const QString& userName) {
    if (auto client = apShareClient()) client->onControlRes(int(result), userId, userName);
}

void StartViewController::showASClientMessageAlert(const QString& alertId, const QString& message) {
    mainQueue().async(this, [this, alertId, message] {
        CommonAlert::sharedInstance().showInformationAlert(alertId, message, nullptr, nullptr,
                                                           window_ ? window_->frame() : QRectF());
    });
}

void StartViewController::onAPShareViewForWebinar(QWidget*) {
    // The webinar layout's sharing pane takes the view when it exists.
}

// The conference window's video area: made for each login around the own
// tile, given the room's participants at its first appearance, and kept up
// with the floor, the owner, the frames and the levels.

#include <QLayout>
#include <algorithm>
#include <tuple>

#include "conference/StartViewController.h"
#include "platform/Dispatch.h"
#include "services/QuorixUtils.h"
#include "tiles/CameraView.h"

namespace {
constexpr double kFooterHeight = 25;
constexpr double kSubNameSize = 16;

// The video area's delegate: hands its first appearance, the device
// requests and the floor requests of its tiles to the window controller.
class VideoAreaDelegate final : public MainViewControllerDelegate {
public:
    explicit VideoAreaDelegate(StartViewController* controller) : controller_(controller) {}
    void finishedCreateView() override { controller_->finishedCreateView(); }
    void changeMicOnOff(int clientNo) override { controller_->changeMicOnOff(clientNo); }
    void changeMicVolume(int clientNo, float value) override {
        controller_->changeMicVolume(clientNo, value);
    }
    void changeSpeakerOnOff(int clientNo) override { controller_->changeSpeakerOnOff(clientNo); }
    void changeSpeakerVolume(int clientNo, float value) override {
        controller_->changeSpeakerVolume(clientNo, value);
    }
    void changeCameraOnOff() override { controller_->changeCameraOnOff(); }
    void dispRecordingMenu(const SpeakerInfoRef& s) override { controller_->dispRecordingMenu(s); }
    void onClickVideoStatus(const SpeakerInfoRef& s) override { controller_->onClickVideoStatus(s); }
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef& s) override {
        return controller_->makePopupSpeakerMenu(s);
    }
    Menu* makePopupReserverMenu(const UserInfoRef& u) override {
        return controller_->makePopupReserverMenu(u);
    }
    void changeReserveState(bool allow, const UserInfoRef& u) override {
        controller_->changeReserveStateUserInfo(allow, u);
    }
    void reserveSpeech(bool cancel) override { controller_->reserveSpeech(cancel); }
    void stopSpeech() override { controller_->stopSpeech(); }
    void endSpeech(const SpeakerInfoRef& s) override { controller_->endSpeech(s); }
    void hideMyVideoForSeminar(bool hide) override { controller_->hideMyVideoForSeminar(hide); }
    void onClickShowSeminarList() override { controller_->onClickShowSeminarList(); }
    void changeHideCameraFlag(bool hide) override { controller_->changeHideCameraFlag(hide); }
    void onMyVideo(const QImage& picture) override { controller_->recordMyVideo(picture); }
    void onOtherVideo(const QImage& picture, const QString& userId) override {
        controller_->recordOtherVideo(picture, userId);
    }
    int checkIsAutoRecVideo(const SpeakerInfoRef& s) override { return controller_->checkIsAutoRecVideo(s); }
    void onStartAutoSaveRecordingOfOtherVideo(int mode, const SpeakerInfoRef& s, int width, int height) override {
        controller_->onStartAutoSaveRecordingOfOtherVideo(mode, s, width, height);
    }

private:
    StartViewController* controller_;
};
}  // namespace

VideoInfo* StartViewController::myVideoInfo() {
    if (mMyVideoInfo == nullptr) {
        // The camera view of the own user; recording may be offered on it
        // when the room of the first login records.
        const bool recording =
            mLoginManager != nullptr &&
            QuorixUtils::IsSystemEnableFunc(QStringLiteral("RECORDING"), mLoginManager->configDataDict());
        auto* view = new CameraView(QRectF(0, 0, 320, 240));
        mMyVideoInfo = new VideoInfo(view, true, true, true, recording, this);
    }
    return mMyVideoInfo;
}

std::unique_ptr<ConferenceVideoArea> StartViewController::makeMainViewController() {
    const QVariantMap conf = mLoginManager->configDataDict();
    const std::shared_ptr<UserListInfo> lists = mLoginManager->userListInfo();
    MainViewController::Params p;
    p.roomCategory = mLoginManager->iRoomCategory();
    p.maxParticipants = mLoginManager->iMaxParticipant();
    p.ownerUserId = mLoginManager->ownerIdStr();
    p.isWebinar = p.roomCategory == ROOM_CATEGORY_SEMINAR &&
                  conf.value(QStringLiteral("MODE_WEBINAR")).toString() == u"Y";
    std::tie(p.micVol, p.speakerVol) = currentVolumes();
    // The placeholders' second name: 16 points, or the room's size for it.
    p.subNameSize = kSubNameSize;
    const QString fontSize = conf.value(QStringLiteral("MODE_NO_POSITION_CHANGE_FONT_SIZE")).toString();
    if (lists != nullptr && lists->scheduleUserList() && !fontSize.isEmpty())
        p.subNameSize = fontSize.toDouble();
    // The bars above and below the area: the footer, the header and a menu
    // bar in the window.
    const QLayout* layout = window_ != nullptr ? window_->layout() : nullptr;
    const double menuBar =
        layout != nullptr && layout->menuBar() != nullptr ? layout->menuBar()->sizeHint().height() : 0;
    p.allBarHeight = kFooterHeight + headerHeight_ + menuBar;
    p.isRecording = QuorixUtils::IsSystemEnableFunc(QStringLiteral("RECORDING"), conf);
    p.isManyMtgRecOneUser =
        QuorixUtils::IsSystemEnableFunc(QStringLiteral("MODE_MANY_MTG_REC_ONEUSER"), conf);

    // The own tile shows the own user's entry of this login.
    VideoInfo* own = myVideoInfo();
    SpeakerInfoRef self;
    if (lists != nullptr) {
        if (const auto speakers = lists->speakerList())
            for (const SpeakerInfoRef& s : *speakers)
                if (s->clientNo() == CLIENT_NO_SELF) self = s;
    }
    if (self == nullptr && mLoginManager->myInfo() != nullptr)
        self = std::make_shared<SpeakerInfo>(CLIENT_NO_SELF, *mLoginManager->myInfo());
    own->setSpeakerInfo(self);
    p.myVideoInfo = own;
    p.headerView = mMVHeaderView;
    // The own tile shows what the bridge's camera captures.
    if (CameraView* camera = ownCameraView()) {
        QuorixBridge* bridge = mLoginManager->bridge();
        camera->setCapture(bridge != nullptr ? bridge->cameraSource() : nullptr);
    }

    auto area = std::make_unique<MainViewController>(p);
    if (!videoAreaDelegate_) videoAreaDelegate_ = std::make_unique<VideoAreaDelegate>(this);
    area->setDelegate(videoAreaDelegate_.get());
    area->setCaptainFree(mLoginManager->bCaptainFree());
    if (const std::optional<QColor> color = speakingColor(conf)) area->setVideoFrameAccentColor(*color);
    if (const std::optional<int> threshold = speakThreshold(conf)) area->setVideoAccentThreshold(*threshold);
    return area;
}

MainViewController* StartViewController::mainViewController() const {
    return dynamic_cast<MainViewController*>(mMainViewController.get());
}

void StartViewController::setVideoArea(std::unique_ptr<ConferenceVideoArea> area) {
    std::unique_ptr<ConferenceVideoArea> old;
    {
        const std::lock_guard<std::mutex> lock(videoAreaMutex_);
        old = std::move(mMainViewController);
        mMainViewController = std::move(area);
        if (auto* previous = dynamic_cast<MainViewController*>(old.get())) {
            // No core thread reaches it from here on: it leaves with the lock held.
            previous->setDelegate(nullptr);
            old.reset();
        }
    }
}

// The participants of the room at the first appearance: the own tile, the
// schedule's placeholders (those with the floor live), then the other speakers.
void StartViewController::finishedCreateView() {
    MainViewController* area = mainViewController();
    const std::shared_ptr<UserListInfo> lists = mLoginManager ? mLoginManager->userListInfo() : nullptr;
    if (area != nullptr && lists != nullptr) {
        // Snapshots, each taken under its list's lock.
        const std::vector<SpeakerInfoRef> speakers =
            lists->speakerList().value_or(std::vector<SpeakerInfoRef>{});
        const auto schedule = lists->scheduleUserList();
        if (schedule && !schedule->empty()) {
            const auto onSchedule = [&](const SpeakerInfoRef& s) {
                return std::any_of(schedule->begin(), schedule->end(),
                                   [&](const SpeakerInfoRef& u) { return u->userId() == s->userId(); });
            };
            std::vector<SpeakerInfoRef> others;
            for (const SpeakerInfoRef& s : speakers)
                if (s->clientNo() == CLIENT_NO_SELF) area->addSpeaker(s);
            area->setScheduleUserVideo(*schedule);
            for (const SpeakerInfoRef& s : speakers) {
                if (s->clientNo() == CLIENT_NO_SELF) continue;
                if (onSchedule(s)) {
                    area->updateSpeakerForScheduleUser(s, true);
                } else {
                    others.push_back(s);
                }
            }
            area->setSpeakerVideo(others);
        } else {
            area->setSpeakerVideo(speakers);
        }
        area->setSpeakerListInManyMode(lists->manySpeakerList().value_or(std::vector<SpeakerInfoRef>{}));
    }
    if (mMainViewController) mMainViewController->resizeMainView();
    applyDeviceState();
}

void StartViewController::onClickShowSeminarList() {
    MainViewController* area = mainViewController();
    if (area == nullptr) return;
    area->showSeminarList();
    const std::shared_ptr<UserListInfo> lists = mLoginManager ? mLoginManager->userListInfo() : nullptr;
    if (lists == nullptr) return;
    // Snapshots, each taken under its list's lock: the lists keep their own copies.
    area->setSpeakerList(lists->speakerList().value_or(std::vector<SpeakerInfoRef>{}));
    area->setReserveList(lists->reserveList().value_or(std::vector<UserInfoRef>{}));
}

void StartViewController::updateVideo(int clientNo, const QImage& image, const QString& name) {
    // A webinar shows the speakers' video only in the layouts that have it.
    if (mLoginManager && mLoginManager->isWebinar() &&
        !webinarLayoutShowsVideo(getConvertFromStrWinSyncToModeForWebinar()))
        return;
    const std::lock_guard<std::mutex> lock(videoAreaMutex_);
    if (auto* area = dynamic_cast<MainViewController*>(mMainViewController.get()))
        area->updateVideo(clientNo, image, name);
}

void StartViewController::onAudioVolume(int clientNo, int volume) {
    const std::lock_guard<std::mutex> lock(videoAreaMutex_);
    if (auto* area = dynamic_cast<MainViewController*>(mMainViewController.get()))
        area->updateAudioVolume(clientNo, volume);
}

// The conference window's video area: made for each login around the own
// tile, given the room's participants at its first appearance, and kept up
// with the floor, the owner, the frames and the levels.

#include <algorithm>

#include "conference/StartViewController.h"
#include "tiles/CameraView.h"
#include "platform/Dispatch.h"
#include "services/QuorixUtils.h"

namespace {
constexpr double kAllBarHeight = 25 + 37;  // footer and header
constexpr double kSubNameSize = 16;

// The video area's delegate: hands its first appearance to the window
// controller and answers the tile actions with nothing for now.
class VideoAreaDelegate final : public MainViewControllerDelegate {
public:
    explicit VideoAreaDelegate(StartViewController* controller) : controller_(controller) {}
    void finishedCreateView() override { controller_->finishedCreateView(); }
    void changeMicOnOff(int) override {}
    void changeMicVolume(int, float) override {}
    void changeSpeakerOnOff(int) override {}
    void changeSpeakerVolume(int, float) override {}
    void changeCameraOnOff() override {}
    void dispRecordingMenu(const SpeakerInfoRef&) override {}
    void onClickVideoStatus(const SpeakerInfoRef&) override {}
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef&) override { return nullptr; }
    Menu* makePopupReserverMenu(const UserInfoRef&) override { return nullptr; }
    void changeReserveState(bool, const UserInfoRef&) override {}
    void reserveSpeech(bool) override {}
    void stopSpeech() override {}
    void endSpeech(const SpeakerInfoRef&) override {}
    void hideMyVideoForSeminar(bool) override {}
    void onClickShowSeminarList() override {}
    void changeHideCameraFlag(bool) override {}
    void onMyVideo(const QImage&) override {}
    void onOtherVideo(const QImage&, const QString&) override {}
    int checkIsAutoRecVideo(const SpeakerInfoRef&) override { return 0; }
    void onStartAutoSaveRecordingOfOtherVideo(int, const SpeakerInfoRef&, int, int) override {}

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
    if (services_.audioInfo) {
        if (const std::optional<AudioInfo> audio = services_.audioInfo()) {
            p.micVol = audio->inputVolume;
            p.speakerVol = audio->outputVolume;
        }
    }
    // The placeholders' second name: 16 points, or the room's size for it.
    p.subNameSize = kSubNameSize;
    const QString fontSize = conf.value(QStringLiteral("MODE_NO_POSITION_CHANGE_FONT_SIZE")).toString();
    if (lists != nullptr && lists->scheduleUserList() && !fontSize.isEmpty())
        p.subNameSize = fontSize.toDouble();
    p.allBarHeight = kAllBarHeight;
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
}

void StartViewController::onStartSpeech(const SpeakerInfoRef& speaker) {
    mainQueue().async(this, [this, speaker] {
        MainViewController* area = mainViewController();
        if (area == nullptr || !area->isInitialized()) return;
        // A participant on the schedule turns its placeholder live.
        if (speaker->isScheduler()) {
            area->updateSpeakerForScheduleUser(speaker, true);
        } else {
            area->addSpeaker(speaker);
        }
    });
}

void StartViewController::onEndSpeech(const SpeakerInfoRef& speaker) {
    // A control request of a participant who lost the floor is withdrawn.
    if (auto sharer = apShareServer()) sharer->checkOperatorRequester(speaker->userId(), speaker->userName());
    mainQueue().async(this, [this, speaker] {
        MainViewController* area = mainViewController();
        if (area == nullptr || !area->isInitialized()) return;
        if (speaker->isScheduler()) {
            area->updateSpeakerForScheduleUser(speaker, false);
        } else {
            area->leaveSpeaker(speaker);
        }
    });
}

void StartViewController::onStartManySpeech(const SpeakerInfoRef& speaker) {
    mainQueue().async(this, [this, speaker] {
        if (MainViewController* area = mainViewController()) area->startSpeechInManyMode(speaker);
    });
}

void StartViewController::onEndManySpeech(const SpeakerInfoRef& speaker) {
    mainQueue().async(this, [this, speaker] {
        if (MainViewController* area = mainViewController()) area->stopSpeechInManyMode(speaker);
    });
}

void StartViewController::onChangeOwner(const QString& ownerId, const QString&) {
    mainQueue().async(this, [this, ownerId] {
        MainViewController* area = mainViewController();
        if (area == nullptr || mLoginManager == nullptr) return;
        const UserInfoRef me = mLoginManager->myInfo();
        area->updateOwner(ownerId, me != nullptr && me->userId() == ownerId);
    });
}

void StartViewController::updateVideo(int clientNo, const QImage& image, const QString& name) {
    const std::lock_guard<std::mutex> lock(videoAreaMutex_);
    if (auto* area = dynamic_cast<MainViewController*>(mMainViewController.get()))
        area->updateVideo(clientNo, image, name);
}

void StartViewController::onAudioVolume(int clientNo, int volume) {
    const std::lock_guard<std::mutex> lock(videoAreaMutex_);
    if (auto* area = dynamic_cast<MainViewController*>(mMainViewController.get()))
        area->updateAudioVolume(clientNo, volume);
}

#include "conference/MainViewController.h"

#include <QEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "conference/FullSizeView.h"
#include "conference/MVHeaderView.h"
#include "media/AudioDeviceNotificator.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "platform/View.h"
#include "platform/Window.h"
#include "ui/DummyView.h"

namespace {

const QString kClientViewId = QStringLiteral("aav_id_client");
const QString kSeminarSpeakerViewId = QStringLiteral("aav_id_seminar_spekaer");
const QString kListAreaId = QStringLiteral("dfID_listArea");
constexpr double kTileWidth = 320, kTileHeight = 240;
constexpr int kGridMargin = 3, kGridInterval = 3;
constexpr float kDefaultVolume = 0.65f;

void setBlackBackground(QWidget* view) {
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, Qt::black);
    view->setPalette(palette);
}

// Starts viewDidAppear when the area is shown.
class AppearWatcher : public QObject {
public:
    AppearWatcher(MainViewController* controller, QObject* parent)
        : QObject(parent), controller_(controller) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) controller_->viewDidAppear();
        return false;
    }

private:
    MainViewController* controller_;
};

// The option buttons a tile offers (the sliders go with their buttons).
void showSpeakerButton(VideoView* view, bool on) {
    view->setShowSpeaker(on);
    view->setShowSpeakerSlider(on);
}

}  // namespace

MainViewController::MainViewController(const Params& params, QObject* parent)
    : QObject(parent),
      miRoomCategory(params.roomCategory),
      miMaxParticipants(params.maxParticipants),
      mOwnerUserIdStr(params.ownerUserId),
      mMyVideo(params.myVideoInfo),
      mIsWebinar(params.isWebinar),
      mWebinarDefaultViewSize(params.modeFullSize),
      mfSubNameSize(params.subNameSize),
      mfAllBarHeight(params.allBarHeight),
      mbRecordingFunc(params.isRecording),
      mbManyMtgRecOneUser(params.isManyMtgRecOneUser),
      initialMicVol_(params.micVol),
      initialSpeakerVol_(params.speakerVol) {
    mHeaderView = params.headerView;
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) mManySpeakerVideoListArry.emplace();
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR) mPopupVideoSeminarSpeakerArry.emplace();
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr) {
        VideoView* own = mMyVideo->video();
        own->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
        own->changeOptionLevel(VIDEO_OPTION_MIC, initialMicVol_);
        own->changeOptionLevel(VIDEO_OPTION_SPEAKER, initialSpeakerVol_);
    }
}

MainViewController::~MainViewController() {
    // Every popped-out tile goes back before the grids go.
    endPopupVideo(nullptr);
    {
        // No other thread reaches a tile from here on.
        const std::lock_guard<std::mutex> lock(routeMutex_);
        routes_.clear();
        pendingLevels_.clear();
    }
    if (mAudioNotificator) mAudioNotificator->setDelegate(nullptr);
    if (mMyVideo != nullptr) {
        if (mMyVideo->delegate() == this) mMyVideo->setDelegate(nullptr);
        // The own tile belongs to the window controller: it leaves our views.
        VideoView* own = mMyVideo->video();
        if (own != nullptr && view_ != nullptr && view_->isAncestorOf(own)) own->setParent(nullptr);
    }
    for (AutoAlignmentView* grid :
         {mClientView.data(), mSeminarSpeakerView.data(), mManyMtgSpeakerView.data()})
        if (grid != nullptr) grid->setDelegate(nullptr);
    if (mClientView != nullptr && mClientView->parentWidget() == nullptr) delete mClientView.data();
    delete view_.data();
}

// --- sizes ------------------------------------------------------------------

QSizeF MainViewController::calcMyVideoViewSize(int roomCategory, int maxParticipants, double screenWidth) {
    const int n = roomCategory == ROOM_CATEGORY_SEMINAR ? 70 : maxParticipants;
    const double sw = screenWidth;
    double w;
    if (n <= 3) {
        w = sw / 8;
    } else if (n <= 9) {
        w = sw / 10;
    } else if (n <= 29) {
        w = sw / 12;
    } else if (n <= 69) {
        w = sw / 14;
    } else if (n <= 99) {
        w = sw / 16;
    } else {
        w = sw / 18;
    }
    return QSizeF(w, 3 * w * 0.25);
}

QSizeF MainViewController::calcMainViewSize(int roomCategory, int maxParticipants, double screenWidth) {
    const double w = calcMyVideoViewSize(roomCategory, maxParticipants, screenWidth).width();
    if (roomCategory == ROOM_CATEGORY_SEMINAR) return QSizeF(6 * w, 4.5 * w - 32);
    const int n = maxParticipants;
    const auto ceilDiv = [](int a, int b) { return (a + b - 1) / b; };
    int columns, rows;
    if (n < 4) {
        columns = n, rows = 1;
    } else if (n <= 9) {
        columns = ceilDiv(n, 2), rows = 2;
    } else if (n <= 29) {
        columns = 5, rows = ceilDiv(n, 5);
    } else if (n <= 49) {
        columns = ceilDiv(n, 5), rows = 5;
    } else if (n <= 99) {
        columns = 10, rows = ceilDiv(n, 10);
    } else {
        columns = ceilDiv(n, 10), rows = 10;
    }
    return QSizeF(columns * w + 97, rows * 3 * w / 4 + 20);
}

QSizeF MainViewController::calcMyVideoViewSize(int roomCategory, int maxParticipants) {
    return calcMyVideoViewSize(roomCategory, maxParticipants, Window::mainScreenFrame().width());
}

QSizeF MainViewController::calcMainViewSize(int roomCategory, int maxParticipants) {
    return calcMainViewSize(roomCategory, maxParticipants, Window::mainScreenFrame().width());
}

// --- view life cycle --------------------------------------------------------

View* MainViewController::view() {
    if (view_ == nullptr) {
        loadView();
        viewDidLoad();
    }
    return view_;
}

void MainViewController::loadView() {
    if (view_ != nullptr) return;
    view_ = new View(QRectF(0, 0, 0, 0), nullptr);
    view_->setObjectName(QStringLiteral("videoArea"));
    view_->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    if (!mIsWebinar) setBlackBackground(view_);
    view_->installEventFilter(new AppearWatcher(this, view_));
}

void MainViewController::viewDidLoad() {
    isFirstPreview = true;
    QSizeF size;
    if (mIsWebinar) {
        size = mWebinarDefaultViewSize.isNull() ? calcMainViewSize(ROOM_CATEGORY_MANYMTG, 90)
                                                : mWebinarDefaultViewSize;
        mWebinarDefaultViewSize = calcMainViewSize(ROOM_CATEGORY_MANYMTG, 90);
    } else {
        size = calcMainViewSize(miRoomCategory, miMaxParticipants);
    }
    view_->setFrame(QRectF(QPointF(0, 0), size));
    initVideoDispArea();
    initVideoView();
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar) makeSeminarListBtn();
    applyStoredDeviceState();
    mAudioNotificator =
        std::make_unique<AudioDeviceNotificatorDispatcher>(&AudioDeviceNotificator::sharedNotificator());
    mAudioNotificator->setDelegate(this);
    isInitialized_ = true;
}

void MainViewController::initVideoDispArea() {
    const QRectF frame(QPointF(0, 0), view_->frame().size());
    VideoView* own = mMyVideo != nullptr ? mMyVideo->video() : nullptr;
    auto* client = new AutoAlignmentView(frame, true, own, nullptr);
    setBlackBackground(client);
    client->setDelegate(this);
    client->setMode(TILE_VIEW_MODE_FILL);
    client->setIdentifier(kClientViewId);
    client->setAlignRect(frame);
    client->setMergin(kGridMargin);
    client->setInterval(kGridInterval);
    mClientView = client;

    if (mIsWebinar) return;  // the webinar layout places it in a pane
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR) {
        auto* base = new View(frame, nullptr);
        base->setObjectName(QStringLiteral("seminarBaseView"));
        base->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
        view_->addSubview(base);
        mSeminarBaseView = base;
        base->addSubview(client);
        adjustBaseViewForSeminarMode(0);
        return;
    }
    view_->addSubview(client);
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
        client->setMinItemSizeForManyMtg(QSizeF(40, 30));
        changeStyleManyMtgView(0, 0);
    }
}

void MainViewController::initVideoView() {
    if (mMyVideo == nullptr || mMyVideo->video() == nullptr) return;
    VideoView* own = mMyVideo->video();
    View::setFrameOf(own, QRectF(0, 0, kTileWidth, kTileHeight));
    own->setDetail(mfSubNameSize);
    own->changeStatusMark(VIDEO_STATUS_MARK_NONE);
    own->changeAudioMeterStatus(mIsMicOn ? VIDEO_METER_DEFAULT : VIDEO_METER_MIC_OFF);
    own->setFrameAccentColor(videoFrameAccentColor_);
    own->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    mMyVideo->setDelegate(this);
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar && myUserId() != mOwnerUserIdStr)
        addMyVideoViewForSeminar();
}

void MainViewController::applyStoredDeviceState() {
    const UserDefaults& defaults = UserDefaults::standard();
    mIsMicOn = miRoomCategory != ROOM_CATEGORY_MANYMTG &&
               defaults.integerForKey(QStringLiteral("SettingView_micsetting")) != 1;
    mIsSpeakerOn = true;
    const auto volume = [&](const QString& key) {
        return defaults.objectForKey(key).isValid() ? defaults.floatForKey(key) : kDefaultVolume;
    };
    setAudioInputState(mIsMicOn);
    setAudioInputVolume(volume(QStringLiteral("KeyMicrophoneVolume")));
    setAudioOutputState(true);
    setAudioOutputVolume(volume(QStringLiteral("KeySpeakerVolume")));
    if (mMyVideo == nullptr || mMyVideo->video() == nullptr) return;
    VideoView* own = mMyVideo->video();
    own->changeOptionStatus(VIDEO_OPTION_MIC, mIsMicOn);
    own->changeOptionLevel(VIDEO_OPTION_MIC, volume(QStringLiteral("KeyMicrophoneVolume")));
    own->changeOptionLevel(VIDEO_OPTION_SPEAKER, volume(QStringLiteral("KeySpeakerVolume")));
    if (!mIsMicOn) own->changeAudioMeterStatus(VIDEO_METER_MIC_OFF);
}

void MainViewController::viewDidAppear() {
    if (!isFirstPreview) return;
    isFirstPreview = false;
    if (delegate_ != nullptr) delegate_->finishedCreateView();
    if (mIsWebinar && myUserId() != mOwnerUserIdStr && findTileByUserId(mOwnerUserIdStr) == nullptr) {
        makeNotStartWebinarView(true);
    }
}

void MainViewController::resizeMainView() {
    if (view_ == nullptr) return;
    QWidget* super = view_->parentWidget();
    if (super != nullptr) {
        const QRectF frame = view_->frame();
        view_->setFrame(QRectF(frame.x(), frame.y(), super->width(), frame.height()));
    }
    const QRectF bounds = view_->bounds();
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar) {
        const QWidget* list = view_->findChild<QWidget*>(kListAreaId, Qt::FindDirectChildrenOnly);
        adjustBaseViewForSeminarMode(list != nullptr && list->isVisible() ? list->width() : 0);
        if (mHiddenVideoViewBtn != nullptr) setOriginHiddenBtn();
    } else if (miRoomCategory == ROOM_CATEGORY_NORMAL && !mIsWebinar && mClientView != nullptr) {
        // The grid fills the area: the bars above and below it are the
        // window's, so a grid as high as the window would hide its top row.
        mClientView->setFrame(bounds);
    } else if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
        changeStyleManyMtgView(0, 0);
    }
}

void MainViewController::resetVideoArea() {
    isInitialized_ = false;
    if (mIsWebinar) makeNotStartWebinarView(false);
    for (VideoInfo* tile : mVideoListArry) {
        tile->setSpeakerInfo(nullptr);
        if (VideoView* v = tile->video()) mainQueue().async(v, [v] { v->clearLayerImage(); });
        if (miRoomCategory == ROOM_CATEGORY_MANYMTG && tile->dummy() != nullptr)
            tile->dummy()->setParent(nullptr);
    }
    if (mMyVideo != nullptr && mMyVideo->video() != nullptr) {
        VideoView* own = mMyVideo->video();
        mainQueue().async(own, [own] { own->clearLayerImage(); });
    }
    endPopupVideo(nullptr);
    rebuildRoutes();
}

VideoView* MainViewController::getRecordingTargetView(const QString& userId) const {
    VideoInfo* tile = findTileByUserId(userId);
    return tile != nullptr ? tile->video() : nullptr;
}

// --- participants -----------------------------------------------------------

QString MainViewController::myUserId() const {
    if (mMyVideo == nullptr) return QString();
    const SpeakerInfoRef own = mMyVideo->speaker();
    return own != nullptr ? own->userId() : QString();
}

bool MainViewController::isOwnParticipant(const SpeakerInfoRef& speaker) const {
    if (speaker == nullptr) return false;
    if (speaker->clientNo() == CLIENT_NO_SELF) return true;
    const SpeakerInfoRef own = mMyVideo != nullptr ? mMyVideo->speaker() : nullptr;
    return own != nullptr && own->userId() == speaker->userId();
}

int MainViewController::ownerMarkFor(const SpeakerInfoRef& speaker, bool own) const {
    const bool iAmOwner = myUserId() == mOwnerUserIdStr;
    if (own) return iAmOwner ? VIDEO_STATUS_MARK_SPECIAL : VIDEO_STATUS_MARK_INVALID;
    if (iAmOwner) return VIDEO_STATUS_MARK_NORMAL;
    return speaker != nullptr && speaker->userId() == mOwnerUserIdStr ? VIDEO_STATUS_MARK_SPECIAL
                                                                      : VIDEO_STATUS_MARK_INVALID;
}

VideoInfo* MainViewController::findTileByUserId(const QString& userId) const {
    for (VideoInfo* tile : mVideoListArry) {
        const SpeakerInfoRef speaker = tile->speaker();
        if (speaker != nullptr && speaker->userId() == userId) return tile;
    }
    return nullptr;
}

VideoInfo* MainViewController::makeTile(const SpeakerInfoRef& speaker) {
    auto* view = new VideoView(QRectF(0, 0, kTileWidth, kTileHeight));
    auto* tile = new VideoInfo(view, false, true, false, mbRecordingFunc, this);
    tile->setDelegate(this);
    view->setDetail(mfSubNameSize);
    view->setFrameAccentColor(videoFrameAccentColor_);
    if (speaker != nullptr) view->changeOptionLevel(VIDEO_OPTION_SPEAKER, speaker->speakerVol());
    return tile;
}

AutoAlignmentView* MainViewController::areaFor(const SpeakerInfoRef& speaker) const {
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar && speaker != nullptr &&
        speaker->userId() != mOwnerUserIdStr) {
        return mSeminarSpeakerView;
    }
    return mClientView;
}

void MainViewController::setTileAutoRecMode(VideoInfo* tile, int mode) {
    if (tile->video() != nullptr) tile->video()->setAutoRecMode(mode);
    const std::lock_guard<std::mutex> lock(routeMutex_);
    for (Route& route : routes_)
        if (route.tile == tile) route.autoRecMode = mode;
}

void MainViewController::addSpeakerForVideoList(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr) return;
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && int(mVideoListArry.size()) >= kMaxSeminarTiles) return;
    const bool own = isOwnParticipant(speaker);
    VideoInfo* tile;
    int meter;
    if (own) {
        tile = mMyVideo;
        // One widget cannot hold two slots of a grid.
        if (tile == nullptr || tile->video() == nullptr ||
            std::find(mVideoListArry.begin(), mVideoListArry.end(), tile) != mVideoListArry.end()) {
            return;
        }
        meter = mIsMicOn ? VIDEO_METER_DEFAULT : VIDEO_METER_HIDDEN;
        tile->video()->changeOptionLevel(VIDEO_OPTION_SPEAKER, speaker->speakerVol());
    } else {
        tile = makeTile(speaker);
        meter = mIsSpeakerOn ? VIDEO_METER_DEFAULT : VIDEO_METER_SPEAKER_OFF;
    }
    const bool markless = miRoomCategory == ROOM_CATEGORY_SEMINAR || miRoomCategory == ROOM_CATEGORY_MANYMTG;
    VideoView* view = tile->video();
    view->changeStatusMark(markless ? VIDEO_STATUS_MARK_NONE : ownerMarkFor(speaker, own));
    view->changeAudioMeterStatus(meter);
    tile->setSpeakerInfo(speaker);
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
        // Buttons and meter come with many-meeting speech.
        view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
        view->setShowMic(false);
        view->setShowMicSlider(false);
        showSpeakerButton(view, false);
        view->setShowCamera(false);
        view->setShowRecord(false);
        view->setNeedsDisplay();
    }
    mVideoListArry.push_back(tile);
    rebuildRoutes();
    if (mbRecordingFunc && !own && miRoomCategory != ROOM_CATEGORY_MANYMTG)
        setTileAutoRecMode(tile, delegate_ != nullptr ? delegate_->checkIsAutoRecVideo(speaker) : 0);
    changeElementAutoAlignment(tile, true, areaFor(speaker));
}

void MainViewController::leaveSpeakerForVideoList(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr) return;
    VideoInfo* tile = findTileByUserId(speaker->userId());
    if (tile == nullptr) return;
    if (mIsWebinar && speaker->userId() == mOwnerUserIdStr) makeNotStartWebinarView(true);
    closePopupsOf(speaker->userId());
    if (mManySpeakerVideoListArry) {
        auto& many = *mManySpeakerVideoListArry;
        const auto it = std::find_if(many.begin(), many.end(), [&](VideoInfo* t) {
            const SpeakerInfoRef s = t->speaker();
            return s != nullptr && s->userId() == speaker->userId();
        });
        if (it != many.end()) {
            changeElementAutoAlignment(*it, false, mManyMtgSpeakerView);
            many.erase(it);
        }
    }
    const bool own = tile == mMyVideo;
    VideoView* view = tile->video();
    if (!own) {
        if (view != nullptr) view->clearLayerImage();
        tile->setSpeakerInfo(nullptr);
    }
    if (view != nullptr) {
        view->changeStatusMark(VIDEO_STATUS_MARK_NONE);
        view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
    }
    // Out of the routes before the tile goes.
    mVideoListArry.erase(std::find(mVideoListArry.begin(), mVideoListArry.end(), tile));
    rebuildRoutes();
    // The grid the tile sits in (the own user's may differ from the rule's
    // when the owner changed meanwhile).
    AutoAlignmentView* area = areaFor(speaker);
    if (view != nullptr && view->parentWidget() != area) {
        if (auto* holder = qobject_cast<AutoAlignmentView*>(view->parentWidget())) area = holder;
    }
    changeElementAutoAlignment(tile, false, area);
    if (!own) tile->deleteLater();
}

void MainViewController::setScheduleUserVideo(const std::vector<SpeakerInfoRef>& schedule) {
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR) return;
    for (const SpeakerInfoRef& speaker : schedule) {
        if (speaker == nullptr) continue;
        VideoInfo* tile = makeTile(speaker);
        VideoView* view = tile->video();
        tile->setSpeakerInfo(speaker);
        view->changeStatusMark(VIDEO_STATUS_MARK_NONE);
        view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
        view->setIsShowAudioMeter(false);
        showSpeakerButton(view, false);
        view->setUserName(speaker->userName());
        view->changeOriginUserName(true);
        mVideoListArry.push_back(tile);
        changeElementAutoAlignment(tile, true, mClientView);
    }
    rebuildRoutes();
}

void MainViewController::updateSpeakerForScheduleUser(const SpeakerInfoRef& speaker, bool isEnter) {
    if (speaker == nullptr) return;
    // Losing the floor closes the participant's popup window.
    if (!isEnter) {
        for (FullSizeView* popup : mPopupVideoListArry) {
            const SpeakerInfoRef shown = popup->videoInfo() ? popup->videoInfo()->speaker() : nullptr;
            if (shown != nullptr && shown->userId() == speaker->userId()) {
                endPopupVideo(popup);
                break;
            }
        }
    }
    VideoInfo* tile = findTileByUserId(speaker->userId());
    if (tile == nullptr || tile->video() == nullptr) return;
    VideoView* view = tile->video();
    view->setIsShowAudioMeter(isEnter);
    showSpeakerButton(view, isEnter);
    if (isEnter) {
        view->changeAudioMeterStatus(mIsSpeakerOn ? VIDEO_METER_DEFAULT : VIDEO_METER_SPEAKER_OFF);
        tile->setSpeakerInfo(speaker);
        view->changeOriginUserName(false);
        view->changeOptionLevel(VIDEO_OPTION_SPEAKER, speaker->speakerVol());
        if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
            view->setIsShowAudioMeter(false);
            showSpeakerButton(view, false);
            view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
        } else {
            view->changeStatusMark(ownerMarkFor(speaker, false));
        }
    } else {
        view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
        view->clearLayerImage();
        view->setUserName(speaker->userName());
        view->changeOriginUserName(true);
        view->changeStatusMark(VIDEO_STATUS_MARK_NONE);
    }
    view->setNeedsDisplay();
    rebuildRoutes();
}

void MainViewController::setSpeakerVideo(const std::vector<SpeakerInfoRef>& speakers) {
    const bool seminar = miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar;
    for (const SpeakerInfoRef& speaker : speakers) {
        if (speaker == nullptr) continue;
        if (seminar && speaker->userId() != mOwnerUserIdStr && mSeminarSpeakerView == nullptr) {
            makeVideoAreaForSeminarSpeakers(true);
            if (myUserId() != mOwnerUserIdStr) addMyVideoViewForSeminar();
        }
        addSpeakerForVideoList(speaker);
        if (mIsWebinar && myUserId() != mOwnerUserIdStr) makeNotStartWebinarView(false);
    }
}

void MainViewController::addSpeaker(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr) return;
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar) {
        if (speaker->userId() != mOwnerUserIdStr && mSeminarSpeakerView == nullptr) {
            makeVideoAreaForSeminarSpeakers(true);
            if (myUserId() != mOwnerUserIdStr) addMyVideoViewForSeminar();
        }
        // The lists' and popups' part of the own floor belongs to the seminar
        // lists and the popup windows.
        if (isOwnParticipant(speaker)) {
            if (mHiddenVideoViewBtn != nullptr) mHiddenVideoViewBtn->hide();
            if (mMyVideo != nullptr && mMyVideo->video() != nullptr) mMyVideo->video()->show();
            mIsSpeaker = true;
        }
    }
    addSpeakerForVideoList(speaker);
}

void MainViewController::leaveSpeaker(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr) return;
    leaveSpeakerForVideoList(speaker);
    if (miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar) {
        if (speaker->userId() != mOwnerUserIdStr && mSeminarSpeakerView != nullptr &&
            mSeminarSpeakerView->itemCount() == 0) {
            makeVideoAreaForSeminarSpeakers(false);
        }
        if (isOwnParticipant(speaker)) {
            mIsSpeaker = false;
            endPopupMyVideoForSeminar();
        }
    }
}

void MainViewController::makeVideoAreaForSeminarSpeakers(bool make) {
    if (mSeminarBaseView == nullptr || mClientView == nullptr) return;
    const QRectF base = mSeminarBaseView->bounds();
    const QRectF client = mClientView->frame();
    if (make) {
        if (mSeminarSpeakerView != nullptr) return;
        mClientView->setItemAlignMode(TILE_ALIGN_RIGHT);
        const double clientWidth = base.width() * 4 / 5;
        mClientView->setFrame(QRectF(client.x(), client.y(), clientWidth, client.height()));
        const QRectF rect(client.x() + clientWidth, client.y(), base.width() - clientWidth, client.height());
        VideoView* own = mMyVideo != nullptr ? mMyVideo->video() : nullptr;
        auto* area = new AutoAlignmentView(rect, false, own, nullptr);
        area->setIdentifier(kSeminarSpeakerViewId);
        setBlackBackground(area);
        area->setDelegate(this);
        area->setMode(TILE_VIEW_MODE_FILL);
        area->setAlignRect(rect);
        area->setMergin(kGridMargin);
        area->setInterval(kGridInterval);
        area->setItemAlignMode(TILE_ALIGN_LEFT);
        mSeminarBaseView->addSubview(area);
        mSeminarSpeakerView = area;
        updateChildViewSize();
    } else {
        if (mSeminarSpeakerView == nullptr) return;
        AutoAlignmentView* area = mSeminarSpeakerView;
        mSeminarSpeakerView = nullptr;
        area->setDelegate(nullptr);
        area->setParent(nullptr);
        area->deleteLater();
        mClientView->setItemAlignMode(TILE_ALIGN_CENTER);
        mClientView->setFrame(QRectF(client.x(), client.y(), base.width(), client.height()));
    }
}

void MainViewController::updateOwner(const QString& ownerId, bool isOwner) {
    mOwnerUserIdStr = ownerId;
    if (captainFree_) return;
    const auto remark = [&](VideoInfo* tile, bool keepPlaceholders) {
        const SpeakerInfoRef speaker = tile->speaker();
        VideoView* view = tile->video();
        if (view == nullptr) return;
        if (speaker != nullptr && speaker->userId() == ownerId) {
            view->changeStatusMark(VIDEO_STATUS_MARK_SPECIAL);
        } else if (speaker != nullptr && !(keepPlaceholders && speaker->isScheduler() &&
                                           speaker->clientNo() == CLIENT_NO_SCHEDULED)) {
            view->changeStatusMark(isOwner ? VIDEO_STATUS_MARK_NORMAL : VIDEO_STATUS_MARK_INVALID);
        }
    };
    if (miRoomCategory == ROOM_CATEGORY_MANYMTG) {
        for (VideoInfo* tile : *mManySpeakerVideoListArry) remark(tile, false);
    } else {
        for (VideoInfo* tile : mVideoListArry) remark(tile, true);
    }
}

void MainViewController::setSpeakerListInManyMode(const std::vector<SpeakerInfoRef>& speakers) {
    for (const SpeakerInfoRef& speaker : speakers) startSpeechInManyMode(speaker);
}

void MainViewController::startSpeechInManyMode(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr || !mManySpeakerVideoListArry) return;
    VideoInfo* tile = findTileByUserId(speaker->userId());
    if (tile == nullptr || tile->video() == nullptr) return;
    VideoView* view = tile->video();
    const SpeakerInfoRef bound = tile->speaker();
    int meter, mark;
    if (bound != nullptr && bound->clientNo() == CLIENT_NO_SELF) {
        meter = mIsMicOn ? VIDEO_METER_DEFAULT : VIDEO_METER_MIC_OFF;
        view->setShowMic(true);
        view->setShowMicSlider(true);
        showSpeakerButton(view, true);
        view->setShowCamera(true);
        view->setShowRecord(mbRecordingFunc);
        mark = ownerMarkFor(bound, true);
    } else {
        meter = mIsSpeakerOn ? VIDEO_METER_DEFAULT : VIDEO_METER_SPEAKER_OFF;
        showSpeakerButton(view, true);
        if (mbManyMtgRecOneUser && mbRecordingFunc) {
            view->setShowRecord(true);
            setTileAutoRecMode(tile, delegate_ != nullptr ? delegate_->checkIsAutoRecVideo(bound) : 0);
        }
        mark = ownerMarkFor(bound, false);
    }
    view->changeStatusMark(mark);
    view->changeAudioMeterStatus(meter);
    view->setNeedsDisplay();
    changeElementAutoAlignment(tile, true, mManyMtgSpeakerView);
    mManySpeakerVideoListArry->push_back(tile);
}

void MainViewController::stopSpeechInManyMode(const SpeakerInfoRef& speaker) {
    if (speaker == nullptr || !mManySpeakerVideoListArry) return;
    auto& many = *mManySpeakerVideoListArry;
    const auto it = std::find_if(many.begin(), many.end(), [&](VideoInfo* t) {
        const SpeakerInfoRef s = t->speaker();
        return s != nullptr && s->userId() == speaker->userId();
    });
    if (it == many.end()) return;
    VideoInfo* tile = *it;
    if (VideoView* view = tile->video()) {
        const SpeakerInfoRef bound = tile->speaker();
        if (bound != nullptr && bound->clientNo() == CLIENT_NO_SELF) {
            view->setShowMic(false);
            view->setShowMicSlider(false);
            showSpeakerButton(view, false);
            view->setShowCamera(false);
            view->setShowRecord(false);
        } else {
            view->changeAudioMeterStatus(VIDEO_METER_HIDDEN);
            showSpeakerButton(view, false);
        }
        view->changeStatusMark(VIDEO_STATUS_MARK_NONE);
        view->setNeedsDisplay();
    }
    changeElementAutoAlignment(tile, false, mManyMtgSpeakerView);
    many.erase(it);
}

// --- frames and levels ------------------------------------------------------

void MainViewController::rebuildRoutes() {
    std::vector<Route> routes;
    routes.reserve(mVideoListArry.size());
    const std::lock_guard<std::mutex> lock(routeMutex_);
    for (VideoInfo* tile : mVideoListArry) {
        Route route;
        route.speaker = tile->speaker();
        route.view = tile->video();
        route.tile = tile;
        if (route.speaker == nullptr || route.view == nullptr) continue;
        route.autoRecMode = route.view->autoRecMode();
        // A mode already taken by a frame stays taken.
        for (const Route& old : routes_)
            if (old.tile == tile) route.autoRecMode = old.autoRecMode;
        routes.push_back(std::move(route));
    }
    routes_ = std::move(routes);
}

void MainViewController::updateVideo(int clientNo, const QImage& image, const QString&) {
    int mode = 0;
    QPointer<VideoInfo> tile;
    {
        const std::lock_guard<std::mutex> lock(routeMutex_);
        const auto it = std::find_if(routes_.begin(), routes_.end(),
                                     [&](const Route& r) { return r.speaker->clientNo() == clientNo; });
        if (it == routes_.end()) return;
        // The tile keeps it latest-wins and paints it on its own timer.
        it->view->setLayerImage(image);
        std::swap(mode, it->autoRecMode);
        tile = it->tile;
    }
    if (mode != 0) {
        const QSize pixels = image.size();
        if (mainQueue().isCurrent()) {
            startAutoRecording(tile, mode, pixels);
        } else {
            mainQueue().async(this, [this, tile, mode, pixels] { startAutoRecording(tile, mode, pixels); });
        }
    }
}

void MainViewController::startAutoRecording(VideoInfo* tile, int mode, QSize pixels) {
    if (tile == nullptr) return;
    if (tile->video() != nullptr) tile->video()->setAutoRecMode(0);
    if (delegate_ != nullptr)
        delegate_->onStartAutoSaveRecordingOfOtherVideo(mode, tile->speaker(), pixels.width(),
                                                        pixels.height());
}

void MainViewController::updateAudioVolume(int clientNo, int level) {
    if (mainQueue().isCurrent()) {
        applyAudioLevel(clientNo, level);
        return;
    }
    const std::lock_guard<std::mutex> lock(routeMutex_);
    pendingLevels_[clientNo] = level;
    if (!levelFlushQueued_) {
        levelFlushQueued_ = true;
        mainQueue().async(this, [this] { flushAudioLevels(); });
    }
}

void MainViewController::flushAudioLevels() {
    std::map<int, int> levels;
    {
        const std::lock_guard<std::mutex> lock(routeMutex_);
        levels.swap(pendingLevels_);
        levelFlushQueued_ = false;
    }
    for (const auto& [clientNo, level] : levels) applyAudioLevel(clientNo, level);
}

void MainViewController::applyAudioLevel(int clientNo, int level) {
    if (clientNo == CLIENT_NO_SELF) {
        if (mMyVideo != nullptr && mMyVideo->video() != nullptr) mMyVideo->video()->changeAudioMeter(level);
        return;
    }
    VideoView* view = nullptr;
    {
        const std::lock_guard<std::mutex> lock(routeMutex_);
        for (const Route& r : routes_) {
            // A participant whose playback is muted here shows no level.
            if (r.speaker->clientNo() == clientNo && r.speaker->isSpeakerOn()) {
                view = r.view;
                break;
            }
        }
    }
    if (view != nullptr) view->changeAudioMeter(level);
}

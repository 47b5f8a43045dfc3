#pragma once

// The video area of the conference window: the own tile, a tile for every
// participant who has the floor, placeholder tiles for the room's schedule,
// and the grids that arrange them (the participants' grid, in seminar rooms
// the seminar speakers' grid beside it). The window controller creates one per
// login, feeds it the floor, owner, frame and level events and is its
// delegate; the area never talks to the login or the core itself.
//
// Threads: everything on the main thread, except updateVideo and
// updateAudioVolume, which any thread may call. A frame goes straight to its
// tile, which keeps the latest one under its lock and paints it on its own
// timer; a level from another thread is kept latest-wins per client number
// and handed to the meters by one queued main-thread step for all the levels
// that arrived meanwhile (never one task per level). Tiles are found for
// them through a route table (client number to tile) that the main thread
// rebuilds under its lock whenever a tile changes hands.
//
// Geometry is bottom-up (origin at the lower left of the parent).

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "conference/AutoAlignmentView.h"
#include "conference/ConferenceVideoArea.h"
#include "conference/SpeakerListView.h"
#include "conference/WaitingListView.h"
#include "media/AudioDeviceNotificatorDispatcher.h"
#include "model/SpeakerInfo.h"
#include "model/UserListInfo.h"
#include "tiles/VideoInfo.h"

class FullSizeView;
class Menu;
class MVHeaderView;
class SpeakerListView;
class View;
class WaitingListView;

// What the video area asks of the conference window (all required).
class MainViewControllerDelegate {
public:
    virtual ~MainViewControllerDelegate() = default;
    virtual void finishedCreateView() = 0;
    virtual void changeMicOnOff(int clientNo) = 0;
    virtual void changeMicVolume(int clientNo, float value) = 0;
    virtual void changeSpeakerOnOff(int clientNo) = 0;
    virtual void changeSpeakerVolume(int clientNo, float value) = 0;
    virtual void changeCameraOnOff() = 0;
    virtual void dispRecordingMenu(const SpeakerInfoRef& speaker) = 0;
    virtual void onClickVideoStatus(const SpeakerInfoRef& speaker) = 0;
    virtual Menu* makePopupSpeakerMenu(const SpeakerInfoRef& speaker) = 0;
    virtual Menu* makePopupReserverMenu(const UserInfoRef& user) = 0;
    virtual void changeReserveState(bool permit, const UserInfoRef& user) = 0;
    virtual void reserveSpeech(bool cancel) = 0;
    virtual void stopSpeech() = 0;
    virtual void endSpeech(const SpeakerInfoRef& speaker) = 0;
    virtual void hideMyVideoForSeminar(bool hidden) = 0;
    virtual void onClickShowSeminarList() = 0;
    virtual void changeHideCameraFlag(bool hidden) = 0;
    virtual void onMyVideo(const QImage& picture) = 0;
    virtual void onOtherVideo(const QImage& picture, const QString& userId) = 0;
    // The automatic-recording mode of a new tile of another participant.
    virtual int checkIsAutoRecVideo(const SpeakerInfoRef& speaker) = 0;
    virtual void onStartAutoSaveRecordingOfOtherVideo(int mode, const SpeakerInfoRef& speaker, int width,
                                                      int height) = 0;
};

class MainViewController : public QObject,
                           public ConferenceVideoArea,
                           public VideoInfoDelegate,
                           public AutoAlignmentDelegate,
                           public AudioDeviceNotificatorDispatcherDelegate,
                           public WaitingListViewDelegate,
                           public SpeakerListViewDelegate {
    Q_OBJECT

public:
    static constexpr int kMaxSeminarTiles = 6;

    struct Params {
        int roomCategory = ROOM_CATEGORY_NORMAL;
        int maxParticipants = 0;
        QString ownerUserId;
        float micVol = 0.65f;
        float speakerVol = 0.65f;
        // The own tile (a CameraView bound to the own SpeakerInfo); shared with
        // the window controller, which keeps it.
        VideoInfo* myVideoInfo = nullptr;
        bool isWebinar = false;
        QSizeF modeFullSize;  // the webinar's default video size
        double subNameSize = 0;
        double allBarHeight = 0;
        bool isRecording = false;
        bool isManyMtgRecOneUser = false;
        // The header bar whose device buttons mirror the own devices (none: no header).
        MVHeaderView* headerView = nullptr;
    };

    explicit MainViewController(const Params& params, QObject* parent = nullptr);
    ~MainViewController() override;

    // The size of one tile and of the whole area for a room. The first two
    // read the main screen's width (0 without a screen).
    static QSizeF calcMyVideoViewSize(int roomCategory, int maxParticipants);
    static QSizeF calcMainViewSize(int roomCategory, int maxParticipants);
    static QSizeF calcMyVideoViewSize(int roomCategory, int maxParticipants, double screenWidth);
    static QSizeF calcMainViewSize(int roomCategory, int maxParticipants, double screenWidth);

    // The root view (created and loaded on first use).
    View* view() override;
    void loadView();
    void viewDidLoad();
    void viewDidAppear();
    bool isInitialized() const { return isInitialized_; }
    bool isViewLoaded() const { return view_ != nullptr; }

    void resetVideoArea() override;
    void resizeMainView() override;
    VideoView* getRecordingTargetView(const QString& userId) const;
    AutoAlignmentView* getWebinarVideoView() const { return mClientView; }

    // Placing participants.
    void setScheduleUserVideo(const std::vector<SpeakerInfoRef>& schedule);
    // `speakers` is a snapshot of the speaker list taken under its lock.
    void setSpeakerVideo(const std::vector<SpeakerInfoRef>& speakers);
    void addSpeaker(const SpeakerInfoRef& speaker);
    void leaveSpeaker(const SpeakerInfoRef& speaker);
    void updateSpeakerForScheduleUser(const SpeakerInfoRef& speaker, bool isEnter);
    void updateOwner(const QString& ownerId, bool isOwner);
    void setSpeakerListInManyMode(const std::vector<SpeakerInfoRef>& speakers);
    void startSpeechInManyMode(const SpeakerInfoRef& speaker);
    void stopSpeechInManyMode(const SpeakerInfoRef& speaker);

    // Frames and levels by client number; any thread.
    void updateVideo(int clientNo, const QImage& image, const QString& name = QString());
    void updateAudioVolume(int clientNo, int level);
    // Hands the levels kept since the last step to the meters (main thread;
    // queued by updateAudioVolume from another thread).
    void flushAudioLevels();

    // Internal steps, public for the arrangement that builds on them.
    void addSpeakerForVideoList(const SpeakerInfoRef& speaker);
    void leaveSpeakerForVideoList(const SpeakerInfoRef& speaker);
    void makeVideoAreaForSeminarSpeakers(bool make);
    // Adds a tile to, or removes it from, a grid.
    void changeElementAutoAlignment(VideoInfo* tile, bool isAdd, AutoAlignmentView* target);

    // State.
    int roomCategory() const { return miRoomCategory; }
    QString ownerUserId() const { return mOwnerUserIdStr; }
    VideoInfo* myVideo() const { return mMyVideo; }
    const std::vector<VideoInfo*>& videoList() const { return mVideoListArry; }
    const std::optional<std::vector<VideoInfo*>>& manySpeakerVideoList() const {
        return mManySpeakerVideoListArry;
    }
    AutoAlignmentView* clientView() const { return mClientView; }
    AutoAlignmentView* seminarSpeakerView() const { return mSeminarSpeakerView; }
    View* seminarBaseView() const { return mSeminarBaseView; }
    bool isMicOn() const { return mIsMicOn; }
    bool isSpeakerOn() const { return mIsSpeakerOn; }
    bool isSpeaker() const { return mIsSpeaker; }
    QSizeF webinarDefaultViewSize() const { return mWebinarDefaultViewSize; }

    MainViewControllerDelegate* delegate() const { return delegate_; }
    // Held weakly; whoever sets it clears it before going away.
    void setDelegate(MainViewControllerDelegate* delegate) { delegate_ = delegate; }
    QColor videoFrameAccentColor() const { return videoFrameAccentColor_; }
    void setVideoFrameAccentColor(const QColor& color) { videoFrameAccentColor_ = color; }
    int videoAccentThreshold() const { return videoAccentThreshold_; }
    void setVideoAccentThreshold(int level) { videoAccentThreshold_ = level; }
    bool captainFree() const { return captainFree_; }
    void setCaptainFree(bool on) { captainFree_ = on; }

    // ---- Device state on the header and the tiles (MainViewControllerDevices.cpp) ----
    // What the window controller applied; the area only shows it.
    void changeMicOnOff(bool on);
    void setMicVolume(float volume);
    // CLIENT_NO_SELF: the own output; another number: that participant's playback.
    void changeSpeakerOnOff(int clientNo, bool on);
    void setSpeakerVolume(int clientNo, float volume);
    void changeCameraOnOff(bool on);
    void setHeaderBtnEnable(bool enable);
    void setAudioInputState(bool on);
    void setAudioInputVolume(float volume);
    void setAudioOutputState(bool on);
    void setAudioOutputVolume(float volume);
    MVHeaderView* headerView() const;
    // Volume changes made outside the application (main queue).
    void didChangeInputVolume(AudioDeviceNotificatorDispatcher*, float volume) override;
    void didChangeOutputVolume(AudioDeviceNotificatorDispatcher*, float volume) override;
    // The tiles' option buttons and sliders, as requests to the delegate.
    void videoOptionClick(const SpeakerInfoRef& speaker, int option) override;
    void videoOptionSlide(const SpeakerInfoRef& speaker, int option, float value) override;

    // ---- Arrangement (MainViewControllerArrangement.cpp) ----
    // A grid whose minimum exceeds its size grows the window (one step per
    // report); in a normal room a grid that fits sets the window's minimum.
    void updateAligmentViewSize(QSizeF viewSize, QSizeF minViewSize, const QString& viewId) override;

    // The webinar's panes: the left content, the right content or none, the
    // text box's view or none. Panes that are not used are removed.
    void setMainViewLayout(QWidget* left, QWidget* right, QWidget* bottom);
    void makeLeftView(bool alone, QWidget* content);
    void makeRightView(bool alone, QWidget* content);
    void makeBottomView(bool alone, QWidget* textBox);
    // Removes the pane's subviews and the pane; answers none for the field.
    View* deleteWebinarView(View* pane);
    static void removeSubview(QWidget* view);
    // The waiting picture of a webinar whose presenter has not started.
    void makeNotStartWebinarView(bool show);
    View* leftViewForWebinar() const { return mLeftViewForWebinar; }
    View* rightViewForWebinar() const { return mRightViewForWebinar; }
    View* bottomViewForWebinar() const { return mBottomViewForWebinar; }
    View* notStartWebinarView() const { return mNotStartWebinarView; }

    // Seminar: the base box right of the list area, its two grids, the own
    // tile in the corner with its hide button, the list button.
    void adjustBaseViewForSeminarMode(double listWidth);
    void updateChildViewSize();
    void addMyVideoViewForSeminar();
    void onClickViewHideBtn();
    void setImageHiddenVideoViewBtn();
    void setOriginHiddenBtn();
    void endPopupMyVideoForSeminar();
    void makeSeminarListBtn();
    void onClickSeminarListBtn();
    QPushButton* hiddenVideoViewBtn() const { return mHiddenVideoViewBtn; }
    QPushButton* seminarListBtn() const { return mSeminarListBtn; }

    // Many-meeting styles (a later part); the participants' grid fills the area.
    void changeStyleManyMtgView(int style, int oldStyle);

    // ---- Tile actions and popup windows (MainViewControllerPopup.cpp) ----
    enum PopupMode : int { POPUP_MODE_WINDOW = 0, POPUP_MODE_PIXEL_SIZE = 1, POPUP_MODE_FULL_SCREEN = 2 };
    void videoDoubleClick(const SpeakerInfoRef& speaker) override;
    void videoStatusClick(const SpeakerInfoRef& speaker) override;
    Menu* makePopupVideoMenu(const SpeakerInfoRef& speaker) override;
    void onMyVideo(const QImage& picture) override;
    void onOtherVideo(const QImage& picture, const QString& userId) override;
    // Pops every tile out (not in many-meeting rooms) or closes every popup.
    void popupAllVideo(bool popup);
    // Pops the participant's tile out in `mode`, or switches its popup.
    void resizeVideo(int mode, const QString& userId);
    // True when the participant's tile is shown in a popup window.
    bool checkPopupVideo(const SpeakerInfoRef& speaker) const;
    bool checkPopupVideo(const QString& userId) const;
    void popupVideo(VideoInfo* tile, int mode);
    FullSizeView* makePopupVideo(VideoInfo* tile, int mode);
    // Returns one popup's tile to its grid, or (none) every tile.
    void endPopupVideo(FullSizeView* popup);
    void deleteAllPopupVideo(std::vector<FullSizeView*>& popups);
    const std::vector<FullSizeView*>& popupVideoList() const { return mPopupVideoListArry; }
    const std::optional<std::vector<FullSizeView*>>& popupVideoSeminarSpeakerList() const {
        return mPopupVideoSeminarSpeakerArry;
    }

    // ---- The seminar list pane (MainViewControllerFloorLists.cpp) ----
    void showSeminarList();
    // Lists handed in are snapshots; dropped while the pane is hidden.
    void setSpeakerList(const std::vector<SpeakerInfoRef>& speakers);
    void setReserveList(const std::vector<UserInfoRef>& reservers);
    void changeReserveState(bool reserved);
    void hideMyVideo(bool hidden);
    WaitingListView* waitingListView() const { return mWaitingListView; }
    SpeakerListView* speakerListView() const { return mSpeakerListView; }
    // WaitingListViewDelegate, SpeakerListViewDelegate
    Menu* makePopupReserverMenu(const UserInfoRef& user) override;
    void permitSpeech(const UserInfoRef& user) override;
    void rejectSpeechReserve(const UserInfoRef& user) override;
    void reserveSpeech() override;
    void cancelReserveSpeech() override;
    Menu* makePopupSpeakerMenu(const SpeakerInfoRef& speaker) override;
    void stopSpeech() override;
    void endSpeech(const SpeakerInfoRef& speaker) override;

private:
    bool isSeminarNotWebinar() const { return miRoomCategory == ROOM_CATEGORY_SEMINAR && !mIsWebinar; }
    std::vector<FullSizeView*>* popupListFor(VideoInfo* tile);
    void givePopupList(const std::vector<FullSizeView*>* popups);
    FullSizeView* findPopup(const QString& userId, std::vector<FullSizeView*>** list = nullptr) const;
    void returnTile(FullSizeView* popup);
    void closePopupsOf(const QString& userId);
    bool isOwnParticipant(const SpeakerInfoRef& speaker) const;
    QString myUserId() const;
    int ownerMarkFor(const SpeakerInfoRef& speaker, bool own) const;
    VideoInfo* makeTile(const SpeakerInfoRef& speaker);
    VideoInfo* findTileByUserId(const QString& userId) const;
    AutoAlignmentView* areaFor(const SpeakerInfoRef& speaker) const;
    void initVideoDispArea();
    void initVideoView();
    void applyStoredDeviceState();
    void setTileAutoRecMode(VideoInfo* tile, int mode);
    void rebuildRoutes();
    void applyAudioLevel(int clientNo, int level);
    void startAutoRecording(VideoInfo* tile, int mode, QSize pixels);

    const int miRoomCategory;
    const int miMaxParticipants;
    QString mOwnerUserIdStr;
    QPointer<VideoInfo> mMyVideo;
    std::vector<VideoInfo*> mVideoListArry;
    std::optional<std::vector<VideoInfo*>> mManySpeakerVideoListArry;
    QPointer<AutoAlignmentView> mClientView;
    QPointer<AutoAlignmentView> mSeminarSpeakerView;
    QPointer<AutoAlignmentView> mManyMtgSpeakerView;  // built by the many-meeting styles
    QPointer<View> mSeminarBaseView;
    QPointer<View> view_;
    QPointer<View> mLeftViewForWebinar, mRightViewForWebinar, mBottomViewForWebinar;
    QPointer<View> mNotStartWebinarView;
    QPointer<QPushButton> mHiddenVideoViewBtn;
    QPointer<QPushButton> mSeminarListBtn;
    // The window's minimum width before the grids raised it (the bars' own).
    std::optional<double> baseMinWindowWidth_;
    // The last growth step: the grid size it answered and the frame it set.
    struct Growth {
        QSizeF gridSize;
        QRectF window;
    };
    std::optional<Growth> lastGrowth_;
    QPointer<MVHeaderView> mHeaderView;
    std::unique_ptr<AudioDeviceNotificatorDispatcher> mAudioNotificator;
    bool mIsMicOn = true;
    bool mIsSpeakerOn = true;
    const bool mIsWebinar;
    bool mIsSpeaker = false;
    bool isFirstPreview = false;
    QSizeF mWebinarDefaultViewSize;
    const double mfSubNameSize;
    const double mfAllBarHeight;
    const bool mbRecordingFunc;
    const bool mbManyMtgRecOneUser;
    const float initialMicVol_, initialSpeakerVol_;

    std::vector<FullSizeView*> mPopupVideoListArry;
    std::optional<std::vector<FullSizeView*>> mPopupVideoSeminarSpeakerArry;
    QPointer<WaitingListView> mWaitingListView;
    QPointer<SpeakerListView> mSpeakerListView;

    MainViewControllerDelegate* delegate_ = nullptr;
    QColor videoFrameAccentColor_ = QColor::fromRgbF(0.9f, 0.0f, 0.0f, 1.0f);
    int videoAccentThreshold_ = 15;
    bool captainFree_ = false;
    bool isInitialized_ = false;

    // Route table: the tiles by the participant bound to them, in video-list
    // order (the own tile as well), read by any thread under routeMutex_.
    struct Route {
        SpeakerInfoRef speaker;
        VideoView* view = nullptr;
        VideoInfo* tile = nullptr;
        int autoRecMode = 0;  // pending until the tile's first frame
    };
    mutable std::mutex routeMutex_;
    std::vector<Route> routes_;
    std::map<int, int> pendingLevels_;  // latest level per client number
    bool levelFlushQueued_ = false;
};

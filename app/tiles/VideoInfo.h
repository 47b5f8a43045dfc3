#pragma once

// The controller of one video tile: pairs a VideoView with the participant
// shown in it and turns the tile's clicks, option buttons, sliders and
// recorded pictures into requests about that participant to its delegate (the
// video area). A tile is reused for another participant by giving it new
// speaker information; without one the tile is empty.
//
// Threads: main thread, except setSpeakerInfo (any thread: the tile's changes
// go to the main queue) and the two picture forwards, which run on the thread
// the picture came on.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <atomic>
#include <mutex>

#include "model/SpeakerInfo.h"
#include "tiles/VideoView.h"

class DummyView;
class Menu;

// Every method is optional; none is called while no delegate is set.
class VideoInfoDelegate {
public:
    virtual ~VideoInfoDelegate() = default;
    virtual void videoDoubleClick(const SpeakerInfoRef& speaker) { (void)speaker; }
    virtual void videoOptionClick(const SpeakerInfoRef& speaker, int option) { (void)speaker, (void)option; }
    virtual void videoOptionSlide(const SpeakerInfoRef& speaker, int option, float value) {
        (void)speaker, (void)option, (void)value;
    }
    virtual void videoStatusClick(const SpeakerInfoRef& speaker) { (void)speaker; }
    // The participant's context menu (kept by the delegate), or none.
    virtual Menu* makePopupVideoMenu(const SpeakerInfoRef& speaker) {
        (void)speaker;
        return nullptr;
    }
    virtual void onMyVideo(const QImage& picture) { (void)picture; }
    virtual void onOtherVideo(const QImage& picture, const QString& userId) { (void)picture, (void)userId; }
};

class VideoInfo : public QObject, public VideoViewDelegate {
    Q_OBJECT

public:
    // Binds `view` (which the controller deletes with itself unless the view
    // has been placed in a parent by then) with no participant.
    VideoInfo(VideoView* view, bool isChangeMic, bool isChangeSpeaker, bool isChangeCamera,
              bool isChangeRecord, QObject* parent = nullptr);
    ~VideoInfo() override;

    SpeakerInfoRef speaker() const;
    void setSpeakerInfo(const SpeakerInfoRef& speaker);
    void resetInfo();

    VideoView* video() const { return video_; }
    void setVideoView(VideoView* view);

    VideoInfoDelegate* delegate() const { return delegate_.load(); }
    // Held weakly; whoever sets it clears it before going away.
    void setDelegate(VideoInfoDelegate* delegate) { delegate_.store(delegate); }

    QRectF saveRect() const { return saveRect_; }
    void setSaveRect(const QRectF& rect) { saveRect_ = rect; }
    DummyView* dummy() const { return dummy_; }
    void setDummy(DummyView* dummy) { dummy_ = dummy; }

    bool canChangeMic() const { return bCanChangeMic_; }
    bool canChangeSpeaker() const { return bCanChangeSpeaker_; }
    bool canChangeCamera() const { return bCanChangeCamera_; }
    bool canChangeRecord() const { return bCanChangeRecord_; }

    // Tile events.
    void doubleClickAction(QMouseEvent* event, VideoView* view) override;
    void rightClickAction(QMouseEvent* event, VideoView* view) override;
    void optionClickAction(VideoView* view, int option) override;
    void optionSliderAction(VideoView* view, int option, PopupSliderButton* slider) override;
    void statusClickAction(VideoView* view) override;
    void onMyVideo(const QImage& picture) override;
    void onOtherVideo(const QImage& picture) override;

private:
    void applySpeaker(const SpeakerInfoRef& speaker);

    mutable std::mutex speakerMutex_;
    SpeakerInfoRef speaker_;
    QPointer<VideoView> video_;
    bool bCanChangeMic_, bCanChangeSpeaker_, bCanChangeCamera_, bCanChangeRecord_;
    std::atomic<VideoInfoDelegate*> delegate_{nullptr};
    QRectF saveRect_;
    QPointer<DummyView> dummy_;
};

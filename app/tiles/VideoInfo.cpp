#include "tiles/VideoInfo.h"

#include <QMouseEvent>

#include "platform/Dispatch.h"
#include "platform/Menu.h"
#include "ui/DummyView.h"
#include "ui/PopupSliderButton.h"

VideoInfo::VideoInfo(VideoView* view, bool isChangeMic, bool isChangeSpeaker, bool isChangeCamera,
                     bool isChangeRecord, QObject* parent)
    : QObject(parent),
      video_(view),
      bCanChangeMic_(isChangeMic),
      bCanChangeSpeaker_(isChangeSpeaker),
      bCanChangeCamera_(isChangeCamera),
      bCanChangeRecord_(isChangeRecord) {
    if (view != nullptr) {
        view->setDelegate(this);
    }
}

VideoInfo::~VideoInfo() {
    if (video_ != nullptr) {
        if (video_->delegate() == this) {
            video_->setDelegate(nullptr);
        }
        if (video_->parentWidget() == nullptr) {
            delete video_.data();
        }
    }
}

SpeakerInfoRef VideoInfo::speaker() const {
    const std::lock_guard<std::mutex> lock(speakerMutex_);
    return speaker_;
}

void VideoInfo::setVideoView(VideoView* view) {
    if (view == video_) {
        return;
    }
    if (video_ != nullptr) {
        if (video_->delegate() == this) {
            video_->setDelegate(nullptr);
        }
        if (video_->parentWidget() == nullptr) {
            delete video_.data();
        }
    }
    video_ = view;
    if (view == nullptr) {
        return;
    }
    view->setShowMic(bCanChangeMic_);
    view->setShowSpeaker(bCanChangeSpeaker_);
    view->setShowCamera(bCanChangeCamera_);
    view->setShowRecord(bCanChangeRecord_);
    view->setDelegate(this);
    if (const SpeakerInfoRef current = speaker()) {
        view->setUserName(current->userName());
    }
}

void VideoInfo::setSpeakerInfo(const SpeakerInfoRef& speaker) {
    {
        const std::lock_guard<std::mutex> lock(speakerMutex_);
        speaker_ = speaker;
    }
    if (mainQueue().isCurrent()) {
        applySpeaker(speaker);
    } else {
        mainQueue().async(this, [this, speaker] { applySpeaker(speaker); });
    }
}

// Main thread: the tile follows the participant (or empties).
void VideoInfo::applySpeaker(const SpeakerInfoRef& speaker) {
    VideoView* view = video_;
    if (view == nullptr) {
        return;
    }
    const bool has = speaker != nullptr;
    view->setShowMic(has && bCanChangeMic_);
    view->setShowMicSlider(has && bCanChangeMic_);
    view->setShowSpeaker(has && bCanChangeSpeaker_);
    view->setShowSpeakerSlider(has && bCanChangeSpeaker_);
    view->setShowCamera(has && bCanChangeCamera_);
    view->setShowRecord(has && bCanChangeRecord_);

    const QString name = has ? speaker->userName() : QString();
    mainQueue().async(view, [view, name] { view->setUserName(name); });

    if (has) {
        // The buttons exist from the tile's first layout with the options shown.
        view->setNeedsDisplay();
        view->changeOptionStatus(VIDEO_OPTION_SPEAKER, speaker->isSpeakerOn());
        view->changeOptionLevel(VIDEO_OPTION_SPEAKER, speaker->speakerVol());
    } else {
        view->changeStatusMark(VIDEO_STATUS_MARK_NONE);
        view->changeAudioMeterStatus(VIDEO_METER_STATUS_HIDDEN);
        // The last participant's picture goes with them.
        view->clearLayerImage();
    }
    mainQueue().async(view, [view] { view->setNeedsDisplay(); });
}

void VideoInfo::resetInfo() {
    setSpeakerInfo(nullptr);
    saveRect_ = QRectF();
    dummy_ = nullptr;
}

void VideoInfo::doubleClickAction(QMouseEvent*, VideoView*) {
    if (VideoInfoDelegate* delegate = delegate_.load()) {
        delegate->videoDoubleClick(speaker());
    }
}

void VideoInfo::rightClickAction(QMouseEvent* event, VideoView*) {
    VideoInfoDelegate* delegate = delegate_.load();
    if (delegate == nullptr) {
        return;
    }
    Menu* menu = delegate->makePopupVideoMenu(speaker());
    if (menu != nullptr) {
        menu->popup(event != nullptr ? event->globalPosition().toPoint() : QCursor::pos());
    }
}

void VideoInfo::optionClickAction(VideoView*, int option) {
    if (VideoInfoDelegate* delegate = delegate_.load()) {
        delegate->videoOptionClick(speaker(), option);
    }
}

void VideoInfo::optionSliderAction(VideoView*, int option, PopupSliderButton* slider) {
    VideoInfoDelegate* delegate = delegate_.load();
    if (delegate != nullptr && slider != nullptr) {
        delegate->videoOptionSlide(speaker(), option, slider->sliderValue());
    }
}

void VideoInfo::statusClickAction(VideoView*) {
    if (VideoInfoDelegate* delegate = delegate_.load()) {
        delegate->videoStatusClick(speaker());
    }
}

void VideoInfo::onMyVideo(const QImage& picture) {
    if (VideoInfoDelegate* delegate = delegate_.load()) {
        delegate->onMyVideo(picture);
    }
}

void VideoInfo::onOtherVideo(const QImage& picture) {
    VideoInfoDelegate* delegate = delegate_.load();
    const SpeakerInfoRef current = speaker();
    // A picture that arrives after the participant left belongs to no one.
    if (delegate != nullptr && current != nullptr) {
        delegate->onOtherVideo(picture, current->userId());
    }
}

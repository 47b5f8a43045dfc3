#pragma once

// One video tile of the conference window: the participant's picture (aspect
// fit on black), the name along the top, a status mark at the top left, the
// level meter with its icon at the top right, and up to four round option
// buttons (camera, microphone, speaker along the bottom left, record at the
// bottom right) that appear while the mouse is over the tile. While the level
// stays above the threshold the tile gets a coloured frame.
//
// Threads: everything on the main thread, except
// - setLayerImage, which any thread may call: the picture is kept latest-wins
//   under a lock and taken over by the tile's own paint timer, which repaints
//   only when a new picture arrived (no copy: QImage shares the pixels the
//   bridge copied once; a picture must own its pixels);
// - onMyVideo, which the own camera calls on its capture thread.
// While the tile is recorded (startedRecord) both hand the picture to the
// delegate on the calling thread.
//
// Geometry is bottom-up (origin at the lower left of the tile).

#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "tiles/AudioPeakMeter.h"
#include "platform/View.h"
#include "ui/DummyView.h"

class PopupSliderButton;
class QLabel;
class QMouseEvent;
class QPushButton;
class QTimer;
class VideoView;

// Option buttons.
enum : int {
    VIDEO_OPTION_MIC = 0,
    VIDEO_OPTION_SPEAKER = 1,
    VIDEO_OPTION_CAMERA = 2,
    VIDEO_OPTION_RECORD = 3
};
// Status marks; any other value shows no mark.
enum : int {
    VIDEO_STATUS_MARK_NORMAL = 0,
    VIDEO_STATUS_MARK_SPECIAL = 1,  // the chair
    VIDEO_STATUS_MARK_INVALID = 2,
    VIDEO_STATUS_MARK_NONE = 3,
};
// Meter statuses (the conference window's short names alongside).
enum : int {
    VIDEO_METER_STATUS_ACTIVE = 0,
    VIDEO_METER_STATUS_DEFAULT = 1,
    VIDEO_METER_STATUS_SPEAKER_OFF = 2,
    VIDEO_METER_STATUS_MIC_OFF = 3,
    VIDEO_METER_STATUS_HIDDEN = 4,
    VIDEO_METER_ACTIVE = VIDEO_METER_STATUS_ACTIVE,
    VIDEO_METER_DEFAULT = VIDEO_METER_STATUS_DEFAULT,
    VIDEO_METER_SPEAKER_OFF = VIDEO_METER_STATUS_SPEAKER_OFF,
    VIDEO_METER_MIC_OFF = VIDEO_METER_STATUS_MIC_OFF,
    VIDEO_METER_HIDDEN = VIDEO_METER_STATUS_HIDDEN,
};

// What the tile reports; every method is optional, and none is called while no
// delegate is set.
class VideoViewDelegate {
public:
    virtual ~VideoViewDelegate() = default;
    virtual void doubleClickAction(QMouseEvent* event, VideoView* view) { (void)event, (void)view; }
    virtual void rightClickAction(QMouseEvent* event, VideoView* view) { (void)event, (void)view; }
    virtual void optionClickAction(VideoView* view, int option) { (void)view, (void)option; }
    virtual void optionSliderAction(VideoView* view, int option, PopupSliderButton* slider) {
        (void)view, (void)option, (void)slider;
    }
    virtual void statusClickAction(VideoView* view) { (void)view; }
    virtual void onMyVideo(const QImage& picture) { (void)picture; }
    virtual void onOtherVideo(const QImage& picture) { (void)picture; }
};

// Where the tile's parts go, for a tile of the given bounds (pure).
struct VideoViewLayout {
    double markSize = 0;
    double iconSize = 0;
    double meterWidth = 0;
    double nameBarHeight = 0;
    int nameFontSize = 0;
    QRectF statusRect, iconRect, meterRect, nameRect;
    double optionSize = 0;
    double optionGap = 0;
    std::array<QRectF, 4> optionRects;  // by option index; empty when not shown
};

class VideoView : public View, public AudioPeakMeterDelegate, public DummyViewDelegate {
    Q_OBJECT

public:
    static constexpr int kFrameAccentMs = 2000;
    static constexpr int kHideRetryMs = 500;
    static constexpr int kPaintTimerMs = 15;

    explicit VideoView(const QRectF& frame, QWidget* parent = nullptr);
    ~VideoView() override;

    static VideoViewLayout layoutFor(const QRectF& bounds, bool markShown, bool iconShown, bool showMic,
                                     bool showSpeaker, bool showCamera, bool showRecord);
    // The image resource names ("micon2", "video_mark_special", ...); empty for none.
    static QString optionImageName(int option, bool on);
    static QString statusMarkImageName(int mark);
    static QString meterIconImageName(int status);

    void setDetail(double subNameSize);

    // Pictures.
    void setLayerImage(const QImage& picture);
    void clearLayerImage();
    QSize getPixelSize() const;
    // Takes over a newly set picture and repaints when there is one (the paint
    // timer's step).
    virtual void refreshLayerImage();
    void onMyVideo(const QImage& picture);

    // Name.
    void setUserName(const QString& name);  // a null text shows nothing
    QString userName() const { return userName_; }
    void changeOriginUserName(bool centred);
    void setSubName();

    // Options.
    void changeOptionStatus(int option, bool on);
    void changeOptionSliderStatus(int option, bool on);
    void changeOptionLevel(int option, float value);
    void showOptionButton();
    void hideOptionButton();
    void forceHideOptionButton();

    // Status mark and meter.
    void changeStatusMark(int mark);
    void setStatusMark(int mark);
    void changeAudioMeter(int level);
    void changeAudioMeterStatus(int status);
    void setAudioMeterIcon(int status);

    // Frame accent.
    void onExceedStandardLevel() override;
    void onFallDownLevel(int32_t level) override;
    void startFrameAccentTimer();
    void stopFrameAccentTimer();
    bool isFrameAccented() const { return frameAccented_; }

    // Mouse.
    void mouseEntered();
    void mouseExited();
    void doubleClickActionFromDummyView(QMouseEvent* event) override;
    void rightClickActionFromDummyView(QMouseEvent* event) override;

    // Lays the parts out for the current bounds and asks for a repaint.
    void setNeedsDisplay();

    // Properties.
    bool showMic() const { return showMic_; }
    void setShowMic(bool on) { showMic_ = on; }
    bool showSpeaker() const { return showSpeaker_; }
    void setShowSpeaker(bool on) { showSpeaker_ = on; }
    bool showCamera() const { return showCamera_; }
    void setShowCamera(bool on) { showCamera_ = on; }
    bool showRecord() const { return showRecord_; }
    void setShowRecord(bool on) { showRecord_ = on; }
    bool showMicSlider() const { return showMicSlider_; }
    void setShowMicSlider(bool on) { showMicSlider_ = on; }
    bool showSpeakerSlider() const { return showSpeakerSlider_; }
    void setShowSpeakerSlider(bool on) { showSpeakerSlider_ = on; }
    bool startedRecord() const { return startedRecord_.load(); }
    void setStartedRecord(bool on) { startedRecord_.store(on); }
    int statusMark() const { return statusMark_; }
    int audioMeterStatus() const { return audioMeterStatus_; }
    QColor frameAccentColor() const { return frameAccentColor_; }
    void setFrameAccentColor(const QColor& color) { frameAccentColor_ = color; }
    int audioMeterThreshold() const { return audioMeterThreshold_; }
    void setAudioMeterThreshold(int level);
    bool isShowAudioMeter() const { return isShowAudioMeter_; }
    void setIsShowAudioMeter(bool on) { isShowAudioMeter_ = on; }
    int autoRecMode() const { return autoRecMode_; }
    void setAutoRecMode(int mode) { autoRecMode_ = mode; }
    bool isMouseOver() const { return mIsMouseOver_; }
    // Held weakly; whoever sets it clears it before going away.
    void setDelegate(VideoViewDelegate* delegate) { delegate_.store(delegate); }
    VideoViewDelegate* delegate() const { return delegate_.load(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    // The picture shown now (main thread).
    const QImage& shownPicture() const { return shown_; }
    // Shows a picture without passing it to the delegate (the own camera's
    // display).
    void showPicture(const QImage& picture);

private:
    PopupSliderButton* optionButton(int option) const { return optionButtons_[size_t(option)]; }
    PopupSliderButton* makeOptionButton(int option, const QRectF& frame);
    void applyOptionImage(int option);
    void layoutSubviews();
    bool optionShown(int option) const;
    bool iconShown() const;
    void setAccent(bool on);
    void onClickOption(int option);
    void onChangeSliderValue(int option);
    void onClickStatusMark();

    // Picture slot (latest wins), written by any thread.
    mutable std::mutex pictureMutex_;
    QImage pending_;
    uint64_t pendingSerial_ = 0;
    std::atomic<bool> hasPictureLayer_{false};
    // Main thread.
    QImage shown_;
    uint64_t shownSerial_ = 0;
    QTimer* paintTimer_;

    QLabel* mNameLabel_ = nullptr;
    QLabel* mSubNameView_ = nullptr;
    double mfSubNameSize_ = 0;
    QPushButton* mStatusButton_ = nullptr;
    QLabel* mAudioIcon_ = nullptr;
    AudioPeakMeter* mAudioMeter_ = nullptr;
    std::array<PopupSliderButton*, 4> optionButtons_{};
    std::array<bool, 4> optionOn_{true, true, true, true};
    int iconImage_ = VIDEO_METER_STATUS_DEFAULT;
    QString userName_;

    bool mIsMouseOver_ = false;
    bool frameAccented_ = false;
    uint64_t accentGeneration_ = 0;
    bool accentTimerPending_ = false;

    bool showMic_ = false, showSpeaker_ = false, showCamera_ = false, showRecord_ = false;
    bool showMicSlider_ = false, showSpeakerSlider_ = false;
    std::atomic<bool> startedRecord_{false};
    int statusMark_ = VIDEO_STATUS_MARK_NONE;
    int audioMeterStatus_ = VIDEO_METER_STATUS_HIDDEN;
    QColor frameAccentColor_ = QColor::fromRgbF(0.9f, 0.0f, 0.0f, 1.0f);
    int audioMeterThreshold_ = 15;
    bool isShowAudioMeter_ = true;
    int autoRecMode_ = 0;
    std::atomic<VideoViewDelegate*> delegate_{nullptr};
};

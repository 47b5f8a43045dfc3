#include "tiles/VideoView.h"

#include <QEnterEvent>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/MainBundle.h"
#include "ui/PopupSliderButton.h"

namespace {

double limited(double value, double low, double high) {
    return std::clamp(value, low, high);
}

int nameFontSizeFor(double barHeight) {
    if (barHeight > 72) return 20;
    if (barHeight > 48) return 16;
    if (barHeight > 23) return 14;
    if (barHeight > 11) return 12;
    return 8;
}

QPixmap resourcePixmap(const QString& name) {
    if (name.isEmpty()) {
        return QPixmap();
    }
    const std::optional<QString> path = MainBundle::pathForResource(name, QStringLiteral("png"));
    return path ? QPixmap(*path) : QPixmap();
}

// Sets a widget's image and remembers the image's name on it.
void setImageName(QWidget* widget, const QString& name) {
    widget->setProperty("imageName", name);
}

// The name along the top: white, with a black shadow one point down and to
// the right, cut with an ellipsis at its end when too long.
class NameLabel : public QLabel {
public:
    explicit NameLabel(QWidget* parent) : QLabel(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(font());
        const QRect area = contentsRect();
        const QString shown = painter.fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        const int flags = int(alignment());
        painter.setPen(QColor(0, 0, 0, 200));
        painter.drawText(area.translated(1, 1), flags, shown);
        painter.setPen(Qt::white);
        painter.drawText(area, flags, shown);
    }
};

}  // namespace

VideoView::VideoView(const QRectF& frame, QWidget* parent)
    : View(frame, parent), paintTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("videoView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    paintTimer_->setInterval(kPaintTimerMs);
    connect(paintTimer_, &QTimer::timeout, this, &VideoView::refreshLayerImage);
}

VideoView::~VideoView() {
    ++accentGeneration_;
    if (mAudioMeter_ != nullptr) {
        mAudioMeter_->setDelegate(nullptr);
    }
}

// --- geometry -------------------------------------------------------------

VideoViewLayout VideoView::layoutFor(const QRectF& bounds, bool markShown, bool iconShown, bool showMic,
                                     bool showSpeaker, bool showCamera, bool showRecord) {
    VideoViewLayout l;
    const double x0 = bounds.x();
    const double W = bounds.width();
    const double H = bounds.height();
    l.markSize = markShown ? limited(W / 20, 8, 14) : 0;
    l.iconSize = iconShown ? limited(W / 18, 10, 20) : 0;
    l.meterWidth = iconShown ? limited(W / 10, 16, 32) : 0;
    const double I = limited(W / 18, 10, 20);  // the meter keeps the icon's height
    l.nameBarHeight = limited(H / 4, 18, 80);
    l.nameFontSize = nameFontSizeFor(l.nameBarHeight);
    const double M = l.markSize;
    l.statusRect = QRectF(2, H - 4 - M, M, M);
    l.iconRect = QRectF(W - (l.iconSize + l.meterWidth + 2), H - 4 - l.iconSize, l.iconSize, l.iconSize);
    l.meterRect = QRectF(W - l.meterWidth - 2, H - 4 - (iconShown ? l.iconSize : I), l.meterWidth,
                         iconShown ? l.iconSize : I);
    l.nameRect =
        QRectF(x0 + M + 4, H - l.nameBarHeight - 2, W - 10 - M - l.iconSize - l.meterWidth, l.nameBarHeight);

    const double S = limited(W / 10, 20, 40);
    const bool allFour = showMic && showSpeaker && showCamera && showRecord;
    const double G = (allFour && std::floor(W) <= 100) ? 0 : S / 5;
    l.optionSize = S;
    l.optionGap = G;
    int n = 0;
    for (int option : {VIDEO_OPTION_CAMERA, VIDEO_OPTION_MIC, VIDEO_OPTION_SPEAKER}) {
        const bool shown = option == VIDEO_OPTION_CAMERA ? showCamera
                           : option == VIDEO_OPTION_MIC  ? showMic
                                                         : showSpeaker;
        if (shown) {
            ++n;
            l.optionRects[size_t(option)] = QRectF((n - 1) * (S + G) + G, G, S, S);
        }
    }
    if (showRecord) {
        l.optionRects[VIDEO_OPTION_RECORD] = QRectF(W - S - G, G, S, S);
    }
    return l;
}

QString VideoView::optionImageName(int option, bool on) {
    switch (option) {
        case VIDEO_OPTION_MIC:
            return on ? QStringLiteral("micon2") : QStringLiteral("micoff2");
        case VIDEO_OPTION_SPEAKER:
            return on ? QStringLiteral("tool_speaker_on") : QStringLiteral("tool_speaker_off");
        case VIDEO_OPTION_CAMERA:
            return on ? QStringLiteral("cameraon2") : QStringLiteral("cameraoff2");
        case VIDEO_OPTION_RECORD:
            return on ? QStringLiteral("rec") : QStringLiteral("recstop");
        default:
            return QString();
    }
}

QString VideoView::statusMarkImageName(int mark) {
    switch (mark) {
        case VIDEO_STATUS_MARK_NORMAL:
            return QStringLiteral("video_mark_normal");
        case VIDEO_STATUS_MARK_SPECIAL:
            return QStringLiteral("video_mark_special");
        case VIDEO_STATUS_MARK_INVALID:
            return QStringLiteral("video_mark_invalid");
        default:
            return QString();
    }
}

QString VideoView::meterIconImageName(int status) {
    switch (status) {
        case VIDEO_METER_STATUS_ACTIVE:
            return QStringLiteral("video_spk_active");
        case VIDEO_METER_STATUS_DEFAULT:
            return QStringLiteral("video_spk_default");
        case VIDEO_METER_STATUS_SPEAKER_OFF:
            return QStringLiteral("video_spk_off");
        case VIDEO_METER_STATUS_MIC_OFF:
            return QStringLiteral("video_mic_off");
        default:
            return QString();
    }
}

bool VideoView::optionShown(int option) const {
    switch (option) {
        case VIDEO_OPTION_MIC:
            return showMic_;
        case VIDEO_OPTION_SPEAKER:
            return showSpeaker_;
        case VIDEO_OPTION_CAMERA:
            return showCamera_;
        case VIDEO_OPTION_RECORD:
            return showRecord_;
        default:
            return false;
    }
}

bool VideoView::iconShown() const {
    return isShowAudioMeter_ && !meterIconImageName(iconImage_).isEmpty();
}

// --- building and layout ----------------------------------------------------

void VideoView::setDetail(double subNameSize) {
    mfSubNameSize_ = subNameSize;
    {
        const std::lock_guard<std::mutex> lock(pictureMutex_);
        pending_ = QImage();
        ++pendingSerial_;
    }
    shown_ = QImage();
    shownSerial_ = 0;
    hasPictureLayer_.store(true);

    // A second call replaces the parts of the first.
    delete mStatusButton_;
    delete mAudioIcon_;
    delete mAudioMeter_;
    delete mNameLabel_;

    const VideoViewLayout l = layoutFor(bounds(), false, true, false, false, false, false);

    mStatusButton_ = new QPushButton(this);
    mStatusButton_->setObjectName(QStringLiteral("videoStatusButton"));
    mStatusButton_->setFlat(true);
    mStatusButton_->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    mStatusButton_->setFocusPolicy(Qt::NoFocus);
    connect(mStatusButton_, &QPushButton::clicked, this, [this] { onClickStatusMark(); });
    View::setFrameOf(mStatusButton_, l.statusRect);
    mStatusButton_->hide();

    mAudioIcon_ = new QLabel(this);
    mAudioIcon_->setObjectName(QStringLiteral("videoAudioIcon"));
    mAudioIcon_->setScaledContents(true);
    mAudioIcon_->setAttribute(Qt::WA_TransparentForMouseEvents);
    iconImage_ = VIDEO_METER_STATUS_DEFAULT;
    View::setFrameOf(mAudioIcon_, l.iconRect);
    mAudioIcon_->hide();

    mAudioMeter_ = new AudioPeakMeter(l.meterRect, this);
    mAudioMeter_->setObjectName(QStringLiteral("videoAudioMeter"));
    mAudioMeter_->setDelegate(this);
    mAudioMeter_->setStandardLevel(audioMeterThreshold_);
    mAudioMeter_->setAttribute(Qt::WA_TransparentForMouseEvents);
    mAudioMeter_->hide();

    mNameLabel_ = new NameLabel(this);
    mNameLabel_->setObjectName(QStringLiteral("videoNameLabel"));
    mNameLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mNameLabel_->setText(userName_);
    View::setFrameOf(mNameLabel_, l.nameRect);

    setNeedsDisplay();
}

PopupSliderButton* VideoView::makeOptionButton(int option, const QRectF& frame) {
    auto* button = new PopupSliderButton(this);
    static const char* const kNames[] = {"videoMicButton", "videoSpeakerButton", "videoCameraButton",
                                         "videoRecordButton"};
    button->setObjectName(QLatin1String(kNames[option]));
    button->setFocusPolicy(Qt::NoFocus);
    switch (option) {
        case VIDEO_OPTION_MIC:
            button->setToolTip(LocalizedString("dfMIC_ONOFF"));
            break;
        case VIDEO_OPTION_SPEAKER:
            button->setToolTip(LocalizedString("dfSPK_ONOFF"));
            break;
        case VIDEO_OPTION_CAMERA:
            button->setToolTip(LocalizedString("dfCAMERA_ONOFF"));
            break;
        default:
            button->setToolTip(LocalizedString("dfRECORD_START"));
            break;
    }
    connect(button, &QPushButton::clicked, this, [this, option] { onClickOption(option); });
    if (option == VIDEO_OPTION_MIC || option == VIDEO_OPTION_SPEAKER) {
        button->setSliderAction(this, [this, option](float) { onChangeSliderValue(option); });
    }
    optionButtons_[size_t(option)] = button;
    optionOn_[size_t(option)] = true;
    View::setFrameOf(button, frame);
    return button;
}

void VideoView::applyOptionImage(int option) {
    PopupSliderButton* button = optionButton(option);
    if (button == nullptr) {
        return;
    }
    const double w = button->width();
    const double h = button->height();
    const QString name = optionImageName(option, optionOn_[size_t(option)]);
    button->setIcon(QIcon(resourcePixmap(name)));
    button->setIconSize(QSize(int(std::lround(w - w / 3)), int(std::lround(h - w / 3))));
    setImageName(button, name);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: rgb(250, 250, 250); border: none;"
                                         " border-radius: %1px; }")
                              .arg(h / 2));
}

void VideoView::setNeedsDisplay() {
    layoutSubviews();
    update();
}

void VideoView::layoutSubviews() {
    const bool markShown = !statusMarkImageName(statusMark_).isEmpty();
    const VideoViewLayout l =
        layoutFor(bounds(), markShown, iconShown(), showMic_, showSpeaker_, showCamera_, showRecord_);

    for (int option : {VIDEO_OPTION_CAMERA, VIDEO_OPTION_MIC, VIDEO_OPTION_SPEAKER, VIDEO_OPTION_RECORD}) {
        if (!optionShown(option)) {
            continue;
        }
        const QRectF frame = l.optionRects[size_t(option)];
        PopupSliderButton* button = optionButton(option);
        if (button == nullptr) {
            button = makeOptionButton(option, frame);
        } else {
            View::setFrameOf(button, frame);
        }
        applyOptionImage(option);
        if (!mIsMouseOver_) {
            button->hide();
        }
        if (option == VIDEO_OPTION_MIC) {
            button->setShowSlider(showMicSlider_);
        } else if (option == VIDEO_OPTION_SPEAKER) {
            button->setShowSlider(showSpeakerSlider_);
        }
    }
    if (mStatusButton_ != nullptr) {
        View::setFrameOf(mStatusButton_, l.statusRect);
        mStatusButton_->setIconSize(QSize(int(l.markSize), int(l.markSize)));
    }
    if (mAudioIcon_ != nullptr) {
        View::setFrameOf(mAudioIcon_, l.iconRect);
        mAudioIcon_->setVisible(iconShown());
    }
    if (mAudioMeter_ != nullptr) {
        View::setFrameOf(mAudioMeter_, l.meterRect);
        mAudioMeter_->setVisible(isShowAudioMeter_ && audioMeterStatus_ != VIDEO_METER_STATUS_HIDDEN);
    }
    if (mNameLabel_ != nullptr) {
        View::setFrameOf(mNameLabel_, l.nameRect);
        QFont font = mNameLabel_->font();
        font.setPointSizeF(l.nameFontSize);
        mNameLabel_->setFont(font);
    }
    if (mSubNameView_ != nullptr) {
        View::setFrameOf(mSubNameView_, QRectF(0, height() / 2.0 - 15, width(), 30));
        QFont font = mSubNameView_->font();
        font.setPointSizeF(mfSubNameSize_ > 0 ? mfSubNameSize_ : font.pointSizeF());
        mSubNameView_->setFont(font);
    }
}

void VideoView::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    layoutSubviews();
}

// --- pictures ---------------------------------------------------------------

void VideoView::setLayerImage(const QImage& picture) {
    if (!hasPictureLayer_.load()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(pictureMutex_);
        pending_ = picture;
        ++pendingSerial_;
    }
    if (startedRecord_.load()) {
        if (VideoViewDelegate* delegate = delegate_.load()) {
            delegate->onOtherVideo(picture);
        }
    }
}

void VideoView::showPicture(const QImage& picture) {
    {
        const std::lock_guard<std::mutex> lock(pictureMutex_);
        pending_ = picture;
        ++pendingSerial_;
    }
    VideoView::refreshLayerImage();
}

void VideoView::clearLayerImage() {
    {
        const std::lock_guard<std::mutex> lock(pictureMutex_);
        pending_ = QImage();
        shownSerial_ = ++pendingSerial_;
    }
    shown_ = QImage();
    update();
    for (PopupSliderButton* button : optionButtons_) {
        if (button != nullptr) {
            button->hideButton(true);
        }
    }
}

void VideoView::refreshLayerImage() {
    {
        const std::lock_guard<std::mutex> lock(pictureMutex_);
        if (pendingSerial_ == shownSerial_) {
            return;
        }
        shownSerial_ = pendingSerial_;
        shown_ = pending_;
    }
    update();
}

QSize VideoView::getPixelSize() const {
    const std::lock_guard<std::mutex> lock(pictureMutex_);
    return pending_.isNull() ? QSize(0, 0) : pending_.size();
}

void VideoView::onMyVideo(const QImage& picture) {
    if (!startedRecord_.load()) {
        return;
    }
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->onMyVideo(picture);
    }
}

void VideoView::showEvent(QShowEvent* event) {
    View::showEvent(event);
    paintTimer_->start();
}

void VideoView::hideEvent(QHideEvent* event) {
    paintTimer_->stop();
    View::hideEvent(event);
}

void VideoView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect all = rect();
    if (shown_.isNull()) {
        painter.fillRect(all, Qt::black);
    } else {
        // Aspect fit: the picture as large as it fits, centred, black around.
        QSizeF fitted = QSizeF(shown_.size()).scaled(QSizeF(all.size()), Qt::KeepAspectRatio);
        const QRectF target((all.width() - fitted.width()) / 2, (all.height() - fitted.height()) / 2,
                            fitted.width(), fitted.height());
        const QRegion around = QRegion(all).subtracted(QRegion(target.toAlignedRect()));
        for (const QRect& r : around) {
            painter.fillRect(r, Qt::black);
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, shown_);
    }
    if (frameAccented_) {
        painter.setPen(QPen(frameAccentColor_, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(all).adjusted(1, 1, -1, -1));
    }
}

// --- name ---------------------------------------------------------------------

void VideoView::setUserName(const QString& name) {
    userName_ = name.isNull() ? QString() : name;
    if (mNameLabel_ != nullptr) {
        mNameLabel_->setText(userName_);
    }
    if (mSubNameView_ != nullptr) {
        setSubName();
    }
}

void VideoView::changeOriginUserName(bool centred) {
    if (centred) {
        if (mNameLabel_ != nullptr) {
            mNameLabel_->hide();
        }
        setSubName();
    } else {
        if (mNameLabel_ != nullptr) {
            mNameLabel_->show();
        }
        delete mSubNameView_;
        mSubNameView_ = nullptr;
    }
}

void VideoView::setSubName() {
    if (mSubNameView_ == nullptr) {
        mSubNameView_ = new NameLabel(this);
        mSubNameView_->setObjectName(QStringLiteral("videoSubNameView"));
        mSubNameView_->setAlignment(Qt::AlignCenter);
    }
    mSubNameView_->setText(userName_);
    QFont font = mSubNameView_->font();
    if (mfSubNameSize_ > 0) {
        font.setPointSizeF(mfSubNameSize_);
    }
    mSubNameView_->setFont(font);
    View::setFrameOf(mSubNameView_, QRectF(0, height() / 2.0 - 15, width(), 30));
    mSubNameView_->show();
    mSubNameView_->raise();
}

// --- options ----------------------------------------------------------------

void VideoView::changeOptionStatus(int option, bool on) {
    if (option < VIDEO_OPTION_MIC || option > VIDEO_OPTION_RECORD || optionButton(option) == nullptr) {
        return;
    }
    optionOn_[size_t(option)] = on;
    applyOptionImage(option);
    if (option == VIDEO_OPTION_RECORD) {
        optionButton(option)->setToolTip(on ? LocalizedString("dfRECORD_START")
                                            : LocalizedString("dfRECORD_STOP"));
    }
}

void VideoView::changeOptionSliderStatus(int option, bool on) {
    if ((option == VIDEO_OPTION_MIC || option == VIDEO_OPTION_SPEAKER) && optionButton(option) != nullptr) {
        optionButton(option)->setShowSlider(on);
    }
}

void VideoView::changeOptionLevel(int option, float value) {
    if ((option == VIDEO_OPTION_MIC || option == VIDEO_OPTION_SPEAKER) && optionButton(option) != nullptr) {
        optionButton(option)->setSliderValue(value);
    }
}

void VideoView::showOptionButton() {
    for (int option = VIDEO_OPTION_MIC; option <= VIDEO_OPTION_RECORD; ++option) {
        if (optionShown(option) && optionButton(option) != nullptr) {
            optionButton(option)->showButton(false);
        }
    }
}

void VideoView::hideOptionButton() {
    if (mIsMouseOver_) {
        return;
    }
    const auto sliderOpen = [this](int option) {
        return optionButton(option) != nullptr && optionButton(option)->showingSlider();
    };
    if (sliderOpen(VIDEO_OPTION_MIC) || sliderOpen(VIDEO_OPTION_SPEAKER)) {
        mainQueue().after(std::chrono::milliseconds(kHideRetryMs), this, [this] { hideOptionButton(); });
        return;
    }
    for (PopupSliderButton* button : optionButtons_) {
        if (button != nullptr) {
            button->hideButton(true);
        }
    }
}

void VideoView::forceHideOptionButton() {
    mIsMouseOver_ = false;
    for (PopupSliderButton* button : optionButtons_) {
        if (button != nullptr) {
            button->hideButton(true);
        }
    }
}

void VideoView::onClickOption(int option) {
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->optionClickAction(this, option);
    }
}

void VideoView::onChangeSliderValue(int option) {
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->optionSliderAction(this, option, optionButton(option));
    }
}

void VideoView::onClickStatusMark() {
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->statusClickAction(this);
    }
}

// --- status mark and meter ----------------------------------------------------

void VideoView::changeStatusMark(int mark) {
    setStatusMark(mark);
}

void VideoView::setStatusMark(int mark) {
    statusMark_ = mark;
    if (mStatusButton_ != nullptr) {
        const QString name = statusMarkImageName(mark);
        if (name.isEmpty()) {
            mStatusButton_->setIcon(QIcon());
            mStatusButton_->hide();
        } else {
            mStatusButton_->setIcon(QIcon(resourcePixmap(name)));
            mStatusButton_->show();
        }
        setImageName(mStatusButton_, name);
    }
    setNeedsDisplay();
}

void VideoView::changeAudioMeter(int level) {
    if (audioMeterStatus_ == VIDEO_METER_STATUS_SPEAKER_OFF ||
        audioMeterStatus_ == VIDEO_METER_STATUS_MIC_OFF || audioMeterStatus_ == VIDEO_METER_STATUS_HIDDEN) {
        return;
    }
    if (mAudioMeter_ != nullptr) {
        mAudioMeter_->setData(level);
    }
    if (iconImage_ != VIDEO_METER_STATUS_ACTIVE) {
        setAudioMeterIcon(VIDEO_METER_STATUS_ACTIVE);
    }
}

void VideoView::changeAudioMeterStatus(int status) {
    audioMeterStatus_ = status;
    if (mAudioMeter_ != nullptr) {
        mAudioMeter_->setVisible(isShowAudioMeter_ && status != VIDEO_METER_STATUS_HIDDEN);
        if (status == VIDEO_METER_STATUS_SPEAKER_OFF || status == VIDEO_METER_STATUS_MIC_OFF) {
            mAudioMeter_->resetMeter();
        }
    }
    setAudioMeterIcon(status);
    setNeedsDisplay();
}

void VideoView::setAudioMeterIcon(int status) {
    const QString name = meterIconImageName(status);
    const bool layoutChanges = iconShown() != (isShowAudioMeter_ && !name.isEmpty());
    iconImage_ = status;
    if (mAudioIcon_ != nullptr) {
        mAudioIcon_->setPixmap(resourcePixmap(name));
        setImageName(mAudioIcon_, name);
        mAudioIcon_->setVisible(iconShown());
    }
    if (layoutChanges) {
        layoutSubviews();
    }
}

void VideoView::setAudioMeterThreshold(int level) {
    audioMeterThreshold_ = level;
    if (mAudioMeter_ != nullptr) {
        mAudioMeter_->setStandardLevel(level);
    }
}

// --- frame accent -------------------------------------------------------------

void VideoView::setAccent(bool on) {
    if (frameAccented_ != on) {
        frameAccented_ = on;
        update();
    }
}

void VideoView::onExceedStandardLevel() {
    setAccent(true);
    startFrameAccentTimer();
}

void VideoView::onFallDownLevel(int32_t level) {
    if (mAudioMeter_ != nullptr && level >= mAudioMeter_->standardLevel()) {
        return;
    }
    setAccent(false);
    if (level == 0 && audioMeterStatus_ != VIDEO_METER_STATUS_HIDDEN) {
        changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    }
}

void VideoView::startFrameAccentTimer() {
    const uint64_t generation = ++accentGeneration_;
    accentTimerPending_ = true;
    mainQueue().after(std::chrono::milliseconds(kFrameAccentMs), this, [this, generation] {
        if (generation != accentGeneration_) {
            return;
        }
        accentTimerPending_ = false;
        if (mAudioMeter_ != nullptr && mAudioMeter_->isOverStandardLevel()) {
            startFrameAccentTimer();
        } else {
            setAccent(false);
        }
    });
}

void VideoView::stopFrameAccentTimer() {
    ++accentGeneration_;
    accentTimerPending_ = false;
}

// --- mouse ----------------------------------------------------------------------

void VideoView::mouseEntered() {
    mIsMouseOver_ = true;
    showOptionButton();
}

void VideoView::mouseExited() {
    mIsMouseOver_ = false;
    hideOptionButton();
}

void VideoView::enterEvent(QEnterEvent* event) {
    View::enterEvent(event);
    mouseEntered();
}

void VideoView::leaveEvent(QEvent* event) {
    View::leaveEvent(event);
    mouseExited();
}

void VideoView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        if (VideoViewDelegate* delegate = delegate_.load()) {
            delegate->rightClickAction(event, this);
        }
    }
    View::mousePressEvent(event);
}

void VideoView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        if (VideoViewDelegate* delegate = delegate_.load()) {
            delegate->doubleClickAction(event, this);
        }
    }
    View::mouseDoubleClickEvent(event);
}

void VideoView::doubleClickActionFromDummyView(QMouseEvent* event) {
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->doubleClickAction(event, this);
    }
}

void VideoView::rightClickActionFromDummyView(QMouseEvent* event) {
    if (VideoViewDelegate* delegate = delegate_.load()) {
        delegate->rightClickAction(event, this);
    }
}

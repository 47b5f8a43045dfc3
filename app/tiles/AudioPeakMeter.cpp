#include "tiles/AudioPeakMeter.h"

#include <QPainter>
#include <algorithm>
#include <chrono>

#include "platform/Dispatch.h"

namespace {
const QColor kUnlitColor(211, 211, 211);

int32_t unitsPerBand(int32_t scale, int32_t maxRange, int32_t minRange) {
    return scale > 0 ? (maxRange - minRange) / scale : 0;
}
}  // namespace

AudioPeakMeter::AudioPeakMeter(const QRectF& frame, QWidget* parent)
    : AudioPeakMeter(frame, 10, 100, 0, parent) {}

AudioPeakMeter::AudioPeakMeter(const QRectF& frame, int32_t scale, int32_t maxRange, int32_t minRange,
                               QWidget* parent)
    : View(frame, parent),
      mMeterScaleCnt_(scale),
      mMeterMaxRange_(maxRange),
      mMeterMinRange_(minRange),
      mOneScaleValue_(unitsPerBand(scale, maxRange, minRange)) {
    rebuildBands();
}

AudioPeakMeter::~AudioPeakMeter() {
    stopFallDownTimer();
}

QVector<QRectF> AudioPeakMeter::bandFrames(const QRectF& rect, int32_t count, bool vertical) {
    QVector<QRectF> frames;
    if (count < 1) {
        return frames;
    }
    frames.reserve(count);
    if (vertical) {
        const double h = rect.height() / (2.0 * count);
        for (int32_t i = 0; i < count; ++i) {
            frames.append(QRectF(0, 2.0 * i * h, rect.width(), h));
        }
    } else {
        const double w = rect.width() / (2.0 * count);
        for (int32_t i = 0; i < count; ++i) {
            frames.append(QRectF(2.0 * i * w, 0, w, rect.height()));
        }
    }
    return frames;
}

double AudioPeakMeter::bandAlpha(int32_t index, int32_t count) {
    const double alpha = (index + 2) * (double(0.7f) / count) + double(0.3f);
    return std::min(alpha, 1.0);
}

void AudioPeakMeter::setData(int32_t level) {
    stopFallDownTimer();
    // A meter without units per band (more bands than levels) lights nothing
    // rather than dividing by zero.
    const int32_t lit = mOneScaleValue_ > 0 ? level / mOneScaleValue_ : 0;
    for (int32_t i = 0; i < mMeterBands_.size(); ++i) {
        mMeterBands_[i].status = i < lit;
    }
    const bool exceeds = mCurrentScale_ < standardLevel_ && level >= standardLevel_;
    mCurrentScale_ = lit;
    updateAllMeter();
    startFallDownTimer(kHoldMs);
    if (exceeds && delegate_ != nullptr) {
        delegate_->onExceedStandardLevel();
    }
}

void AudioPeakMeter::resetMeter() {
    stopFallDownTimer();
    mCurrentScale_ = 0;
    for (AudioPeakMeterData& band : mMeterBands_) {
        band.status = false;
    }
    updateAllMeter();
}

void AudioPeakMeter::setMeterScale(int32_t scale, int32_t maxRange, int32_t minRange) {
    mMeterScaleCnt_ = scale;
    mMeterMaxRange_ = maxRange;
    mMeterMinRange_ = minRange;
    mOneScaleValue_ = unitsPerBand(scale, maxRange, minRange);
    mainQueue().async(this, [this] {
        rebuildBands();
        update();
    });
}

void AudioPeakMeter::setIsVertical(bool on) {
    isVertical_ = on;
    rebuildBands();
    update();
}

void AudioPeakMeter::setAudioMeterColor(const QColor& color) {
    audioMeterColor_ = color;
    rebuildBands();
    update();
}

void AudioPeakMeter::rebuildBands() {
    bandsSize_ = size();
    const QVector<QRectF> frames = bandFrames(bounds(), mMeterScaleCnt_, isVertical_);
    mMeterBands_.clear();
    mMeterBands_.reserve(frames.size());
    for (int32_t i = 0; i < frames.size(); ++i) {
        AudioPeakMeterData band;
        band.frame = frames[i];
        band.status = i < mCurrentScale_;
        band.accentColor = audioMeterColor_;
        band.accentColor.setAlphaF(float(bandAlpha(i, mMeterScaleCnt_)));
        mMeterBands_.append(band);
    }
}

void AudioPeakMeter::updateAllMeter() {
    update();
}

void AudioPeakMeter::fallDownMeter() {
    timerPending_ = false;
    if (mCurrentScale_ > 0) {
        const int32_t before = mCurrentScale_;
        if (before - 1 < mMeterBands_.size()) {
            mMeterBands_[before - 1].status = false;
        }
        mCurrentScale_ = before - 1;
        update();
        if (before > 1) {
            startFallDownTimer(kFallStepMs);
        }
    }
    if (delegate_ != nullptr) {
        delegate_->onFallDownLevel(mCurrentScale_);
    }
}

void AudioPeakMeter::startFallDownTimer(int ms) {
    const uint64_t generation = ++timerGeneration_;
    timerPending_ = true;
    mainQueue().after(std::chrono::milliseconds(ms), this, [this, generation] {
        if (generation == timerGeneration_ && timerPending_) {
            fallDownMeter();
        }
    });
}

void AudioPeakMeter::stopFallDownTimer() {
    ++timerGeneration_;
    timerPending_ = false;
}

void AudioPeakMeter::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    rebuildBands();
}

void AudioPeakMeter::paintEvent(QPaintEvent*) {
    if (bandsSize_ != size()) {
        rebuildBands();
    }
    QPainter painter(this);
    const double flip = height();
    for (const AudioPeakMeterData& band : mMeterBands_) {
        const QRectF r = band.frame;
        painter.fillRect(QRectF(r.x(), flip - r.y() - r.height(), r.width(), r.height()),
                         band.status ? band.accentColor : kUnlitColor);
    }
}

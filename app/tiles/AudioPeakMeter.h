#pragma once

// The small level meter in the corner of a video tile: a row (or column) of
// bands that light up to the participant's level, hold for 2 s and then go out
// one band every 0.1 s. It tells its delegate (the tile) when a level reaches
// the standard level and each time the lit bands fall.
//
// Main thread only; the hold and fall timers run on the main queue, so tests
// drive them with a ManualDispatcher. A level change only recolours bands; the
// band rectangles are rebuilt when the meter's size or scale changes, and a
// rebuild keeps the lit bands lit.

#include <QColor>
#include <QRectF>
#include <QVector>
#include <cstdint>

#include "platform/View.h"

class AudioPeakMeterDelegate {
public:
    virtual ~AudioPeakMeterDelegate() = default;
    virtual void onExceedStandardLevel() {}
    virtual void onFallDownLevel(int32_t level) { (void)level; }
};

// One band.
struct AudioPeakMeterData {
    bool status = false;  // lit
    QRectF frame;         // bottom-up, in the meter
    QColor accentColor;   // colour when lit
};

class AudioPeakMeter : public View {
    Q_OBJECT

public:
    static constexpr int kHoldMs = 2000;
    static constexpr int kFallStepMs = 100;

    // 10 bands over levels 0 to 100.
    explicit AudioPeakMeter(const QRectF& frame, QWidget* parent = nullptr);
    AudioPeakMeter(const QRectF& frame, int32_t scale, int32_t maxRange, int32_t minRange,
                   QWidget* parent = nullptr);
    ~AudioPeakMeter() override;

    // Band geometry, pure: frames of `count` bands of equal width (or height)
    // with gaps of the same size, band 0 at the left (or bottom); none when
    // count is below 1.
    static QVector<QRectF> bandFrames(const QRectF& rect, int32_t count, bool vertical);
    // The lit colour's alpha of band `index` among `count`.
    static double bandAlpha(int32_t index, int32_t count);

    void setData(int32_t level);
    void resetMeter();
    bool isOverStandardLevel() const { return mCurrentScale_ >= standardLevel_; }
    void setMeterScale(int32_t scale, int32_t maxRange, int32_t minRange);

    int32_t currentScale() const { return mCurrentScale_; }
    const QVector<AudioPeakMeterData>& bands() const { return mMeterBands_; }
    // A fall or hold step is pending.
    bool isFallDownTimerRunning() const { return timerPending_; }

    bool isVertical() const { return isVertical_; }
    void setIsVertical(bool on);
    int32_t standardLevel() const { return standardLevel_; }
    void setStandardLevel(int32_t level) { standardLevel_ = level; }
    QColor audioMeterColor() const { return audioMeterColor_; }
    void setAudioMeterColor(const QColor& color);
    void setDelegate(AudioPeakMeterDelegate* delegate) { delegate_ = delegate; }
    AudioPeakMeterDelegate* delegate() const { return delegate_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuildBands();
    void updateAllMeter();
    void fallDownMeter();
    void startFallDownTimer(int ms);
    void stopFallDownTimer();

    int32_t mMeterScaleCnt_;
    int32_t mMeterMaxRange_;
    int32_t mMeterMinRange_;
    int32_t mOneScaleValue_;
    int32_t mCurrentScale_ = 0;
    QVector<AudioPeakMeterData> mMeterBands_;
    QSize bandsSize_;  // the size the bands were built for
    bool isVertical_ = false;
    int32_t standardLevel_ = 15;
    QColor audioMeterColor_ = QColor(255, 0, 0);
    AudioPeakMeterDelegate* delegate_ = nullptr;
    // A pending timer task runs only while its generation is the current one,
    // so stopping the timer is a counter step.
    uint64_t timerGeneration_ = 0;
    bool timerPending_ = false;
};

#include "platform/AudioUnit.h"

AudioUnit::AudioUnit(AudioHardware& hardware, AudioHardware::CaptureCallback capture)
    : hardware_(hardware), capture_(std::move(capture)) {}

AudioUnit::AudioUnit(AudioHardware& hardware, AudioHardware::RenderCallback render)
    : hardware_(hardware), render_(std::move(render)) {}

AudioUnit::~AudioUnit() { stop(); }

bool AudioUnit::setCurrentDevice(const QString& uid, int rate) {
    std::unique_ptr<AudioHardwareStream> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(stream_);
        device_.clear();
        rate_ = 0;
    }
    old.reset();  // stops it outside our lock
    if (uid.isEmpty() || rate <= 0) return false;
    std::unique_ptr<AudioHardwareStream> stream = capture_ ? hardware_.createCaptureStream(uid, rate, capture_)
                                                           : hardware_.createPlaybackStream(uid, rate, render_);
    if (!stream) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    stream_ = std::move(stream);
    device_ = uid;
    rate_ = rate;
    return true;
}

bool AudioUnit::moveTo(const QString& uid) {
    QString device;
    int rate = 0;
    bool running = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stream_ || uid == device_) return stream_ != nullptr;
        rate = rate_;
        running = stream_->isRunning();
    }
    if (!setCurrentDevice(uid, rate)) return false;
    return !running || start();
}

QString AudioUnit::currentDevice() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return device_;
}

int AudioUnit::rate() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rate_;
}

bool AudioUnit::start() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stream_ && stream_->start();
}

void AudioUnit::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stream_) stream_->stop();
}

bool AudioUnit::isRunning() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stream_ && stream_->isRunning();
}

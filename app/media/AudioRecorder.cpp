#include "media/AudioRecorder.h"

#include <QStringList>
#include <chrono>

#include "media/AudioChunks.h"
#include "media/AudioDeviceManager.h"
#include "platform/AudioUnit.h"
#include "platform/Dispatch.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

constexpr int kLogError = 0;
constexpr int kLogInfo = 2;

AudioDeviceManager& devices() { return AudioDeviceManager::sharedInstance(); }

std::int64_t hostClockNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

AudioRecorder::AudioRecorder() = default;

AudioRecorder::~AudioRecorder() { resetRecorder(); }

QString AudioRecorder::currentDeviceUid() const {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    return currentDeviceUid_;
}

std::int64_t AudioRecorder::setupRecorder(std::int64_t mode, std::uint32_t sampleRate,
                                          const std::optional<QString>& defaultDevUid,
                                          const std::optional<QString>& forceDevKeyword, bool /*isRetry*/,
                                          std::uint32_t captureInterval, Callback callbackFunc, void* userData,
                                          bool isModeOpus) {
    const std::int64_t previous = status_.load();
    resetRecorder();
    mode_.store(mode);
    sampleRate_ = sampleRate;
    captureInterval_ = captureInterval;
    callback_ = callbackFunc;
    userData_ = userData;
    isModeOpus_ = isModeOpus;

    if (!setupAudioUnit(mode, sampleRate, defaultDevUid, forceDevKeyword)) {
        unit_.reset();
        deviceSampleRate_.store(-1.0);
        recordSampleRate_.store(-1.0);
        return AUDIO_SETUP_ERR_UNIT;
    }

    const double rate = recordSampleRate_.load();
    if (isModeOpus) {
        chunkBytes_ = std::uint32_t(rate * 60 / 1000 * 2);
    } else {
        // An interval above a second would divide by zero: one chunk per second at most.
        std::uint32_t perSecond = captureInterval > 0 ? 1000 / captureInterval : 0;
        chunkBytes_ = std::uint32_t(rate * 2 / std::max<std::uint32_t>(perSecond, 1));
    }
    chunkBytes_ &= ~std::uint32_t(1);
    chunk_.clear();
    chunk_.reserve(int(chunkBytes_));
    delivery_ = DispatchQueue::createSerial("audio_recorder");
    generation_ = std::make_shared<std::atomic<std::uint64_t>>(0);
    pending_ = std::make_shared<std::atomic<int>>(0);
    status_.store(kSetUp);

    std::int64_t answer = 0;
    if (previous == kRunning && start() != 0) answer = AUDIO_SETUP_ERR_START;
    LogFileManager::write(StringWithFormat(kLogMsgAudioSettingSuccessInput, int(mode)), kLogInfo, false);
    return answer;
}

bool AudioRecorder::setupAudioUnit(std::int64_t mode, std::uint32_t sampleRate, const std::optional<QString>& device,
                                   const std::optional<QString>& keyword) {
    unit_ = std::make_unique<AudioUnit>(devices().hardware(),
                                        AudioHardware::CaptureCallback([this](const std::uint8_t* pcm,
                                                                              std::size_t bytes) {
                                            recordingCallback(pcm, bytes);
                                        }));
    // The others are those of the last input list, even for a device chosen by the user.
    auto binding = devices().bindPreferred(*unit_, false, keyword, device, sampleRate, devices().inputDeviceList());
    std::optional<QString> bound;
    if (binding) {
        bound = binding->uid;
        recordSampleRate_.store(binding->rate);
    }
    if (!bound) {
        LogFileManager::write(QString::fromUtf8(kLogMsgAudioDeviceNotFound), kLogError, false);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        currentDeviceUid_ = *bound;
    }
    deviceSampleRate_.store(devices().getDeviceSampleRate(false, *bound));
    LogFileManager::write(StringWithFormat(kLogMsgAudioSettingInput, devices().getDeviceName(*bound).value_or(*bound),
                                           int(recordSampleRate_.load())),
                          kLogInfo, false);

    coreEcho_ = false;
    if (mode == 1) {
        if (std::optional<QString> filtered = devices().startEchoCancel(*bound)) {
            if (unit_->setCurrentDevice(*filtered, int(recordSampleRate_.load()))) {
                echoPair_ = EchoPair{*filtered, QString()};
            } else {
                devices().stopEchoCancel();
                if (!unit_->setCurrentDevice(*bound, int(recordSampleRate_.load()))) {
                    LogFileManager::write(StringWithFormat(kLogMsgAudioInitErrRecorder, -1), kLogError, false);
                    return false;
                }
            }
        }
        coreEcho_ = !echoPair_ && echo_.valid();
    }
    return true;
}

std::int64_t AudioRecorder::start() {
    if (status_.load() == kNotSetUp || !unit_) return 1;
    if (status_.load() == kRunning) return 0;
    if (!unit_->start()) {
        LogFileManager::write(StringWithFormat(kLogMsgAudioInitErrRecorder, -1), kLogError, false);
        return AUDIO_SETUP_ERR_START;
    }
    status_.store(kRunning);
    return 0;
}

void AudioRecorder::stop() {
    if (status_.load() != kRunning) return;
    unit_->stop();  // no capture cycle runs after this
    generation_->fetch_add(1);  // undelivered chunks are dropped
    chunk_.clear();
    status_.store(kStopped);
}

void AudioRecorder::resetRecorder() {
    if (status_.load() == kNotSetUp && !unit_) return;
    stop();
    unit_.reset();
    if (echoPair_) {
        devices().stopEchoCancel();
        echoPair_.reset();
    }
    if (delivery_) {
        // When this returns no chunk callback is running any more.
        delivery_->sync([] {});
        delivery_.reset();
    }
    chunk_.clear();
    chunkBytes_ = 0;
    coreEcho_ = false;
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        currentDeviceUid_.clear();
    }
    deviceSampleRate_.store(-1.0);
    recordSampleRate_.store(-1.0);
    status_.store(kNotSetUp);
    mode_.store(1);
    startRecording_.store(false);
}

std::int64_t AudioRecorder::changeRecorderMode(std::int64_t mode) {
    return setupRecorder(mode, sampleRate_, devices().inputDeviceUid(), std::nullopt, false, captureInterval_,
                         callback_, userData_, isModeOpus_);
}

void AudioRecorder::recordingCallback(const std::uint8_t* pcm, std::size_t bytes) {
    if (callback_ == nullptr || chunkBytes_ == 0 || !delivery_) return;
    const std::size_t n = bytes & ~std::size_t(1);  // whole samples
    appendInChunks(chunk_, chunkBytes_, pcm, n, [this](QByteArray full) { deliver(std::move(full)); });
    if (startRecording_.load()) {
        if (AudioRecorderDelegate* d = delegate_.load()) {
            d->audioRecoderSampleBuffer(QByteArray(reinterpret_cast<const char*>(pcm), qsizetype(n)),
                                        recordSampleRate_.load(), hostClockNs());
        }
    }
}

void AudioRecorder::deliver(QByteArray chunk) {
    if (pending_->load() >= kMaxPendingChunks) return;  // the consumer stalls: newest audio is dropped
    pending_->fetch_add(1);
    delivery_->async([generation = generation_, expected = generation_->load(), pending = pending_,
                      callback = callback_, user = userData_, echo = coreEcho_ ? echo_ : AudioEchoFunctions{},
                      chunk = std::move(chunk)]() mutable {
        pending->fetch_sub(1);
        if (generation->load() != expected) return;
        if (echo.valid()) echo.capture(reinterpret_cast<std::int16_t*>(chunk.data()), int(chunk.size() / 2), echo.user);
        callback(reinterpret_cast<const std::uint8_t*>(chunk.constData()), int(chunk.size()), user);
    });
}

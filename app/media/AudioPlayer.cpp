#include "media/AudioPlayer.h"

#include <QStringList>
#include <chrono>
#include <cstring>

#include "media/AudioChunks.h"
#include "media/AudioDeviceManager.h"
#include "platform/AudioUnit.h"
#include "platform/StringFormat.h"
#include "services/LogFileManager.h"
#include "services/LogMessage.h"

namespace {

constexpr int kLogError = 0;
constexpr int kLogInfo = 2;

AudioDeviceManager& devices() { return AudioDeviceManager::sharedInstance(); }

}  // namespace

AudioPlayer::AudioPlayer() = default;

AudioPlayer::~AudioPlayer() { resetPlayer(); }

QString AudioPlayer::currentDeviceUid() const {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    return currentDeviceUid_;
}

std::size_t AudioPlayer::queuedCount() const {
    std::lock_guard<std::mutex> lock(listMutex_);
    return list_.size();
}

std::int64_t AudioPlayer::setupPlayer(std::uint32_t sampleRate, const std::optional<QString>& defaultDevUid,
                                      const std::optional<QString>& forceDevKeyword, bool isRetry,
                                      std::uint32_t captureInterval) {
    const std::int64_t previous = status_.load();
    resetPlayer();
    sampleRate_ = sampleRate;
    // An interval above a second would divide by zero: one chunk per second at most.
    std::uint32_t perSecond = captureInterval > 0 ? 1000 / captureInterval : 0;
    chunkBytes_ = std::uint32_t(std::uint64_t(sampleRate) * 2 / std::max<std::uint32_t>(perSecond, 1));
    if (sampleRate == 11025) chunkBytes_ += 1;
    filling_.clear();
    postCount_.store(0);
    fetchCount_.store(0);

    if (!setupAudioUnit(sampleRate, defaultDevUid, forceDevKeyword, isRetry)) return 2;
    status_.store(kSetUp);
    if (previous == kRunning && start() != 0) return 3;
    LogFileManager::write(QString::fromUtf8(kLogMsgAudioSettingSuccessOutput), kLogInfo, false);
    return 0;
}

bool AudioPlayer::setupAudioUnit(std::uint32_t sampleRate, const std::optional<QString>& device,
                                 const std::optional<QString>& keyword, bool isRetry) {
    unit_ = std::make_unique<AudioUnit>(devices().hardware(),
                                        AudioHardware::RenderCallback([this](std::uint8_t* out, std::size_t bytes) {
                                            render(out, bytes);
                                        }));
    devices().setPlaybackUnit(unit_.get());
    auto binding = devices().bindPreferred(*unit_, true, keyword, device, sampleRate,
                                           isRetry ? std::optional<QStringList>(devices().getOutputDevices())
                                                   : std::nullopt);
    std::optional<QString> bound;
    if (binding) {
        bound = binding->uid;
        playSampleRate_.store(binding->rate);
    }
    if (!bound) {
        LogFileManager::write(StringWithFormat(kLogMsgAudioInitErrPlayer, 0), kLogError, false);
        devices().setPlaybackUnit(nullptr);
        unit_.reset();
        playSampleRate_.store(-1.0);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        currentDeviceUid_ = *bound;
    }
    LogFileManager::write(StringWithFormat(kLogMsgAudioSettingOutput, devices().getDeviceName(*bound).value_or(*bound),
                                           int(playSampleRate_.load())),
                          kLogInfo, false);
    return true;
}

std::int64_t AudioPlayer::start() {
    if (status_.load() == kNotSetUp || !unit_) return 1;
    if (status_.load() == kRunning) return 0;
    if (!unit_->start()) return 3;
    status_.store(kRunning);
    return 0;
}

void AudioPlayer::stop() {
    if (status_.load() != kRunning) return;
    unit_->stop();  // no render cycle runs after this
    status_.store(kStopped);
    clearBuffer();
}

void AudioPlayer::resetPlayer() {
    if (status_.load() == kNotSetUp && !unit_) return;
    stop();
    if (unit_) {
        devices().setPlaybackUnit(nullptr);
        unit_.reset();
    }
    clearBuffer();
    filling_.clear();
    postCount_.store(0);
    fetchCount_.store(0);
    {
        std::lock_guard<std::mutex> lock(deviceMutex_);
        currentDeviceUid_.clear();
    }
    playSampleRate_.store(-1.0);
    startRecording_.store(false);
    status_.store(kNotSetUp);
}

void AudioPlayer::clearBuffer() {
    std::lock_guard<std::mutex> lock(listMutex_);
    playing_.reset();
    list_.clear();
}

void AudioPlayer::setBuffer(const std::uint8_t* pcm, std::uint32_t size) {
    if (status_.load() != kRunning || size == 0 || pcm == nullptr || chunkBytes_ == 0) return;
    // A refused chunk is simply freed.
    appendInChunks(filling_, chunkBytes_, pcm, size, [this](QByteArray full) { postPlayBuffer(std::move(full)); });
}

bool AudioPlayer::isPlayBufferDestroyLocked() const {
    const std::size_t queued = list_.size();
    return queued > kDropAllAbove || (queued > kDropSomeAbove && postCount_.load() % kDropEvery == 0);
}

bool AudioPlayer::postPlayBuffer(QByteArray chunk) {
    postCount_.fetch_add(1);
    auto record = std::make_unique<PlayBuff>();
    record->data = std::move(chunk);
    std::lock_guard<std::mutex> lock(listMutex_);
    if (isPlayBufferDestroyLocked()) return false;
    list_.push_back(std::move(record));
    return true;
}

std::unique_ptr<AudioPlayer::PlayBuff> AudioPlayer::getOverlapPlayBufferLocked() {
    const std::uint32_t count = fetchCount_.fetch_add(1) + 1;
    if (list_.size() <= kRepeatAtMost && count % kRepeatEvery == 0) {
        return std::make_unique<PlayBuff>(*list_.front());
    }
    return nullptr;
}

void AudioPlayer::render(std::uint8_t* out, std::size_t bytes) {
    std::uint8_t* const begin = out;
    std::size_t n = bytes;
    while (n > 0) {
        if (!playing_) {
            std::lock_guard<std::mutex> lock(listMutex_);
            if (!list_.empty()) {
                playing_ = getOverlapPlayBufferLocked();
                if (!playing_) {
                    playing_ = std::move(list_.front());
                    list_.pop_front();
                }
            }
        }
        if (!playing_) {
            std::memset(out, 0, n);
            break;
        }
        std::size_t take = std::min(std::size_t(playing_->data.size() - playing_->pos), n);
        std::memcpy(out, playing_->data.constData() + playing_->pos, take);
        playing_->pos += int(take);
        out += take;
        n -= take;
        if (playing_->pos >= playing_->data.size()) playing_.reset();
    }
    if (echoActive_.load() && echo_.valid()) echo_.playback(reinterpret_cast<const std::int16_t*>(begin), int(bytes / 2), echo_.user);
    if (startRecording_.load()) {
        if (AudioPlayerDelegate* d = delegate_.load()) {
            auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
            d->audioPlayerSampleBuffer(QByteArray(reinterpret_cast<const char*>(begin), qsizetype(bytes)),
                                       playSampleRate_.load(), ns);
        }
    }
}

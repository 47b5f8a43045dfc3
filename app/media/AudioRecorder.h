#pragma once

// Captures the microphone as 16-bit mono PCM, cuts it into fixed chunks (60 ms
// when the room runs Opus, the capture interval otherwise) and hands each
// chunk, on a delivery thread of its own, to a plain callback.
//
// Mode 1 asks for echo cancelling: the server's echo-cancel filter when it
// offers one (capture then runs on the filtered device), otherwise the
// conference core's echo control through the echo functions when given.
// Mode 0 captures the device plainly.
//
// Threads: set-up, start, stop and reset on the caller's thread (one at a
// time); the capture cycle on the server's audio thread (it alone touches the
// chunk being filled); the callback on the delivery thread. `status`, `mode`,
// the device and the rates may be read from any thread.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "media/AudioEcho.h"

class AudioUnit;
class DispatchQueue;

inline constexpr std::int64_t AUDIO_SETUP_ERR_UNIT = 2;
inline constexpr std::int64_t AUDIO_SETUP_ERR_START = 3;

class AudioRecorderDelegate {
public:
    virtual ~AudioRecorderDelegate() = default;
    // A copy of captured audio while local recording runs (audio thread).
    virtual void audioRecoderSampleBuffer(const QByteArray& /*pcm*/, double /*sampleRate*/,
                                          std::int64_t /*presentationNs*/) {}
};

class AudioRecorder {
public:
    using Callback = void (*)(const std::uint8_t* pcm, int size, void* user);

    enum Status : std::int64_t { kNotSetUp = 0, kSetUp = 1, kRunning = 2, kStopped = 3 };
    // Chunks waiting for delivery beyond this are dropped (a stalled consumer).
    static constexpr int kMaxPendingChunks = 50;

    AudioRecorder();
    ~AudioRecorder();
    AudioRecorder(const AudioRecorder&) = delete;
    AudioRecorder& operator=(const AudioRecorder&) = delete;

    // 0 set up (and running again if it ran), 2 no unit or device, 3 set up but the restart failed.
    std::int64_t setupRecorder(std::int64_t mode, std::uint32_t sampleRate, const std::optional<QString>& defaultDevUid,
                               const std::optional<QString>& forceDevKeyword, bool isRetry,
                               std::uint32_t captureInterval, Callback callbackFunc, void* userData, bool isModeOpus);
    // 1 when not set up, 3 when the device refused to start, 0 running.
    std::int64_t start();
    void stop();
    void resetRecorder();
    // Set up again with another mode on the device last bound for input.
    std::int64_t changeRecorderMode(std::int64_t mode);

    void setEchoFunctions(const AudioEchoFunctions& functions) { echo_ = functions; }
    void setDelegate(AudioRecorderDelegate* delegate) { delegate_.store(delegate); }
    AudioRecorderDelegate* delegate() const { return delegate_.load(); }

    std::int64_t status() const { return status_.load(); }
    std::int64_t mode() const { return mode_.load(); }
    QString currentDeviceUid() const;
    double deviceSampleRate() const { return deviceSampleRate_.load(); }
    double recordSampleRate() const { return recordSampleRate_.load(); }
    bool startRecording() const { return startRecording_.load(); }
    void setStartRecording(bool on) { startRecording_.store(on); }
    bool isModeOpus() const { return isModeOpus_; }
    // Bytes per delivered chunk (0 when not set up).
    std::uint32_t chunkBytes() const { return chunkBytes_; }
    // Whether echo is cancelled by the server's filter (true) or not (false).
    bool usesServerEchoCancel() const { return echoPair_.has_value(); }
    // Whether captured chunks pass through the core's echo control.
    bool usesCoreEchoCancel() const { return coreEcho_; }

private:
    bool setupAudioUnit(std::int64_t mode, std::uint32_t sampleRate, const std::optional<QString>& device,
                        const std::optional<QString>& keyword);
    void recordingCallback(const std::uint8_t* pcm, std::size_t bytes);
    void deliver(QByteArray chunk);

    std::unique_ptr<AudioUnit> unit_;
    std::shared_ptr<DispatchQueue> delivery_;
    // Delivery generation: chunks queued before a stop carry an older one and are dropped.
    std::shared_ptr<std::atomic<std::uint64_t>> generation_;
    std::shared_ptr<std::atomic<int>> pending_;

    std::uint32_t sampleRate_ = 0;
    std::uint32_t captureInterval_ = 200;
    std::uint32_t chunkBytes_ = 0;
    Callback callback_ = nullptr;
    void* userData_ = nullptr;
    bool isModeOpus_ = false;
    AudioEchoFunctions echo_;
    bool coreEcho_ = false;  // mode 1 without the server's filter: the core's echo control
    struct EchoPair {
        QString captureUid, playbackUid;
    };
    std::optional<EchoPair> echoPair_;

    QByteArray chunk_;  // the chunk being filled: capture cycle only while running

    std::atomic<std::int64_t> status_{kNotSetUp};
    std::atomic<std::int64_t> mode_{1};
    std::atomic<double> deviceSampleRate_{-1.0};
    std::atomic<double> recordSampleRate_{-1.0};
    std::atomic<bool> startRecording_{false};
    std::atomic<AudioRecorderDelegate*> delegate_{nullptr};
    mutable std::mutex deviceMutex_;
    QString currentDeviceUid_;
};

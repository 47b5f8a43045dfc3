#pragma once

// Plays the conference's mixed 16-bit mono PCM on the chosen output device.
// Incoming PCM is cut into chunks of 1/50 s at the room rate and queued; the
// server's audio thread pulls them in its render cycle. The queue keeps its
// own length in check: above 50 queued chunks every new one is dropped,
// between 26 and 50 every 25th offered one; with 14 or fewer queued, every
// 15th fetch plays the head chunk twice.
//
// Threads: `setBuffer` on the thread that delivers the mix (it alone touches
// the chunk being filled); the render cycle on the audio thread (it alone
// touches the chunk being played); set-up, start, stop and reset on the
// caller's thread. The queue is guarded by its lock, held only to append or
// take one chunk, never while bytes are copied.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "media/AudioEcho.h"

class AudioUnit;

class AudioPlayerDelegate {
public:
    virtual ~AudioPlayerDelegate() = default;
    // A copy of played audio while local recording runs (audio thread).
    virtual void audioPlayerSampleBuffer(const QByteArray& /*pcm*/, double /*sampleRate*/,
                                         std::int64_t /*presentationNs*/) {}
};

class AudioPlayer {
public:
    enum Status : std::int64_t { kNotSetUp = 0, kSetUp = 1, kRunning = 2, kStopped = 3 };
    static constexpr std::size_t kDropAllAbove = 50;
    static constexpr std::size_t kDropSomeAbove = 25;
    static constexpr std::uint32_t kDropEvery = 25;
    static constexpr std::size_t kRepeatAtMost = 14;
    static constexpr std::uint32_t kRepeatEvery = 15;

    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // 0 set up (and running again if it ran), 2 no unit or device, 3 set up but the restart failed.
    std::int64_t setupPlayer(std::uint32_t sampleRate, const std::optional<QString>& defaultDevUid,
                             const std::optional<QString>& forceDevKeyword, bool isRetry, std::uint32_t captureInterval);
    std::int64_t start();
    void stop();
    void resetPlayer();
    // Mixed PCM at `playSampleRate`; dropped unless running.
    void setBuffer(const std::uint8_t* pcm, std::uint32_t size);
    void clearBuffer();
    // One render cycle: fills all of `out` (silence where nothing is queued).
    void render(std::uint8_t* out, std::size_t bytes);

    // Set before set-up; the played audio goes to `playback` while echo is active.
    void setEchoFunctions(const AudioEchoFunctions& functions) { echo_ = functions; }
    void setEchoActive(bool active) { echoActive_.store(active); }
    void setDelegate(AudioPlayerDelegate* delegate) { delegate_.store(delegate); }
    AudioPlayerDelegate* delegate() const { return delegate_.load(); }
    std::int64_t status() const { return status_.load(); }
    QString currentDeviceUid() const;
    double playSampleRate() const { return playSampleRate_.load(); }
    bool startRecording() const { return startRecording_.load(); }
    void setStartRecording(bool on) { startRecording_.store(on); }

    std::uint32_t chunkBytes() const { return chunkBytes_; }
    std::size_t queuedCount() const;
    std::uint32_t postCount() const { return postCount_.load(); }
    std::uint32_t fetchCount() const { return fetchCount_.load(); }

private:
    struct PlayBuff {
        QByteArray data;
        int pos = 0;
    };
    bool setupAudioUnit(std::uint32_t sampleRate, const std::optional<QString>& device,
                        const std::optional<QString>& keyword, bool isRetry);
    bool postPlayBuffer(QByteArray chunk);
    bool isPlayBufferDestroyLocked() const;
    std::unique_ptr<PlayBuff> getOverlapPlayBufferLocked();

    std::unique_ptr<AudioUnit> unit_;
    std::uint32_t sampleRate_ = 0;
    std::uint32_t chunkBytes_ = 0;
    QByteArray filling_;  // the chunk being filled (mix thread)
    std::unique_ptr<PlayBuff> playing_;  // the chunk being played (audio thread)
    mutable std::mutex listMutex_;
    std::deque<std::unique_ptr<PlayBuff>> list_;
    std::atomic<std::uint32_t> postCount_{0};
    std::atomic<std::uint32_t> fetchCount_{0};
    AudioEchoFunctions echo_;
    std::atomic<bool> echoActive_{false};

    std::atomic<std::int64_t> status_{kNotSetUp};
    std::atomic<double> playSampleRate_{-1.0};
    std::atomic<bool> startRecording_{false};
    std::atomic<AudioPlayerDelegate*> delegate_{nullptr};
    mutable std::mutex deviceMutex_;
    QString currentDeviceUid_;
};

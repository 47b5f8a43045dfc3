#pragma once

// The application's view of the sound server: the devices that capture and
// play, their names, kinds, nominal rates and volumes, and streams bound to
// one of them. `AudioDeviceManager` is the only caller; the PulseAudio layer
// (`PulseAudioHardware`) implements it, tests put a fake in its place.
//
// Threads: every query may be called from any thread except a stream's own
// callback thread, and answers after the server replied (or failed). Stream
// callbacks run on the server's audio thread: they must copy and return,
// never wait for the main thread.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// How a device is attached, as far as the server tells.
enum class AudioTransport { USB = 0, HDMI = 1, BuiltIn = 2, Bluetooth = 3, Unknown = 4, Other = 5 };

struct AudioHardwareDevice {
    QString uid;   // stable unique id (the server's device name)
    QString name;  // the description shown to users
    AudioTransport transport = AudioTransport::Other;
    double nominalRate = 0;  // Hz
};

// A capture or playback stream of 16-bit mono PCM at a fixed rate on one device.
class AudioHardwareStream {
public:
    virtual ~AudioHardwareStream() = default;
    // Starts delivering (capture) or pulling (playback); false when the server refuses.
    virtual bool start() = 0;
    // Stops; when it returns no callback is running or will run until the next start.
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

class AudioHardware {
public:
    // Capture: `bytes` of PCM just recorded (valid during the call only).
    using CaptureCallback = std::function<void(const std::uint8_t* pcm, std::size_t bytes)>;
    // Playback: fill all `bytes` of `out` (silence when there is nothing to play).
    using RenderCallback = std::function<void(std::uint8_t* out, std::size_t bytes)>;

    virtual ~AudioHardware() = default;

    // Devices a user can choose, in the server's order (no monitors of outputs,
    // no filter devices built on top of others); none when the server did not
    // answer, which is not the same as a server without devices.
    virtual std::optional<std::vector<AudioHardwareDevice>> devices(bool output) = 0;
    // The server's default device; none when there is none or the server is gone.
    virtual std::optional<QString> defaultDevice(bool output) = 0;
    // Volume 0.0..1.0; -1 when the device is unknown or has no volume.
    virtual float volume(bool output, const QString& uid) = 0;
    virtual bool setVolume(bool output, const QString& uid, float volume) = 0;
    virtual bool setMute(bool output, const QString& uid, bool mute) = 0;
    // Changes the device's nominal rate; false when the server cannot.
    virtual bool setNominalRate(bool output, const QString& uid, double rate) = 0;

    // A stream on the device at `rate`; none when the device is unknown.
    virtual std::unique_ptr<AudioHardwareStream> createCaptureStream(const QString& uid, int rate,
                                                                     CaptureCallback callback) = 0;
    virtual std::unique_ptr<AudioHardwareStream> createPlaybackStream(const QString& uid, int rate,
                                                                      RenderCallback callback) = 0;

    // Echo cancelling in the server: a capture device that hears `inputUid`
    // with what is played on `outputUid` removed, and the playback device
    // that feeds it. None when the server offers no such filter.
    struct EchoCancelPair {
        QString captureUid;
        QString playbackUid;
    };
    virtual std::optional<EchoCancelPair> createEchoCancel(const QString& inputUid, const QString& outputUid) = 0;
    virtual void removeEchoCancel(const EchoCancelPair& pair) = 0;
};

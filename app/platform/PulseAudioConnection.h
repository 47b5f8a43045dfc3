#pragma once

// The one owner of the PulseAudio threaded main loop and its context, and
// every helper that takes the loop's lock, starts a server operation and
// waits for its answer. Nothing else in the application touches the lock
// except the stream layer (`PulseAudioStream`), which creates and ends its
// streams under it.
//
// Every helper is called WITHOUT holding the lock and never from the loop's
// own thread (it would wait for itself): such calls fail at once. A lost
// server is reconnected by the next helper call. The server is the one
// libpulse finds (PULSE_SERVER, the user's runtime folder); none is spawned.

#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_operation;

struct PulseAudioDeviceInfo {
    std::uint32_t index = 0;
    QString name;         // unique id
    QString description;  // shown name
    std::uint32_t rate = 0;
    std::uint8_t channels = 0;
    float volume = -1;  // average of the channels, 0.0..1.0 (1.0 = normal)
    bool isMonitor = false;
    QString deviceClass;  // "sound", "monitor", "filter", "abstract", ...
    QString bus;          // "usb", "pci", "bluetooth", ...
    QString formFactor;
    QString profileName;
    QString busPath;
};

class PulseAudioConnection {
public:
    static PulseAudioConnection& shared();

    PulseAudioConnection(const PulseAudioConnection&) = delete;
    PulseAudioConnection& operator=(const PulseAudioConnection&) = delete;

    // False when no server answers.
    bool connected();

    std::optional<std::vector<PulseAudioDeviceInfo>> sinks();
    std::optional<std::vector<PulseAudioDeviceInfo>> sources();
    std::optional<PulseAudioDeviceInfo> sink(const QString& name);
    std::optional<PulseAudioDeviceInfo> source(const QString& name);
    // Default sink and source names; none when the server is gone or has none.
    std::optional<std::pair<QString, QString>> defaults();

    bool setVolume(bool sink, const QString& name, std::uint8_t channels, float volume);
    bool setMute(bool sink, const QString& name, bool mute);
    // Index of the loaded module, none when the server refused it.
    std::optional<std::uint32_t> loadModule(const QString& name, const QString& arguments);
    bool unloadModule(std::uint32_t index);

    // For the stream layer: runs `work` with the lock held and a ready
    // context, false when there is no server. `work` may wait for its own
    // stream with pa_threaded_mainloop_wait, never for anything else.
    bool withLock(const std::function<void(pa_context*)>& work);
    // The lock, for code that creates streams and waits for their state.
    pa_threaded_mainloop* mainloop() const { return mainloop_; }
    bool inLoopThread() const;

private:
    PulseAudioConnection();
    ~PulseAudioConnection();

    // With the lock held: a ready context (connecting when there is none).
    bool ensureReadyLocked();
    void dropContextLocked();
    // With the lock held: waits until `op` is done, then unrefs it.
    bool waitLocked(pa_operation* op);
    // Takes the lock, makes sure the context is ready and runs `start`, which
    // answers the operation to wait for (or null when it could not start).
    bool run(const std::function<pa_operation*(pa_context*)>& start);

    std::mutex startMutex_;  // guards creating the loop
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
};

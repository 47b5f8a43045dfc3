#pragma once

// Sound hardware in memory: devices, defaults and volumes the test sets, and
// streams that count their starts and deliver or pull audio only when the
// test asks.

#include <QHash>
#include <algorithm>
#include <mutex>

#include "platform/AudioHardware.h"

class FakeAudioHardware : public AudioHardware {
public:
    struct Stream : AudioHardwareStream {
        FakeAudioHardware* owner;
        bool output;
        QString uid;
        int rate;
        CaptureCallback capture;
        RenderCallback render;
        bool running = false;
        bool start() override {
            if (!owner->refuseStart.contains(uid)) running = true;
            ++owner->starts;
            return running;
        }
        void stop() override { running = false; }
        bool isRunning() const override { return running; }
        ~Stream() override {
            auto& list = owner->streams;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
    };

    std::vector<AudioHardwareDevice> inputs, outputs;
    std::optional<QString> defaultInput, defaultOutput;
    QHash<QString, float> volumes;  // by uid; missing: no volume
    QStringList refuseStart;
    std::vector<Stream*> streams;
    int created = 0;
    int starts = 0;
    bool offerEchoCancel = false;
    int echoCancels = 0;

    static AudioHardwareDevice device(const QString& uid, const QString& name, AudioTransport t,
                                      double rate) {
        return {uid, name, t, rate};
    }

    bool listsFail = false;  // the server does not answer list queries
    std::optional<std::vector<AudioHardwareDevice>> devices(bool output) override {
        if (listsFail) return std::nullopt;
        return output ? outputs : inputs;
    }
    std::optional<QString> defaultDevice(bool output) override {
        return output ? defaultOutput : defaultInput;
    }
    float volume(bool, const QString& uid) override { return volumes.value(uid, -1.0f); }
    bool setVolume(bool, const QString& uid, float v) override {
        if (!volumes.contains(uid)) return false;
        volumes[uid] = v;
        return true;
    }
    bool setMute(bool, const QString&, bool) override { return true; }
    QStringList rateRequests;  // devices asked to switch their rate (the fake never can)
    bool setNominalRate(bool, const QString& uid, double) override {
        rateRequests << uid;
        return false;
    }

    bool has(bool output, const QString& uid) const {
        const auto& list = output ? outputs : inputs;
        return std::any_of(list.begin(), list.end(),
                           [&](const AudioHardwareDevice& d) { return d.uid == uid; });
    }
    std::unique_ptr<AudioHardwareStream> make(bool output, const QString& uid, int rate, CaptureCallback c,
                                              RenderCallback r) {
        if (!has(output, uid) && !uid.startsWith(QLatin1String("ec:"))) return nullptr;
        auto s = std::make_unique<Stream>();
        s->owner = this;
        s->output = output;
        s->uid = uid;
        s->rate = rate;
        s->capture = std::move(c);
        s->render = std::move(r);
        streams.push_back(s.get());
        ++created;
        return s;
    }
    std::unique_ptr<AudioHardwareStream> createCaptureStream(const QString& uid, int rate,
                                                             CaptureCallback c) override {
        return make(false, uid, rate, std::move(c), nullptr);
    }
    std::unique_ptr<AudioHardwareStream> createPlaybackStream(const QString& uid, int rate,
                                                              RenderCallback r) override {
        return make(true, uid, rate, nullptr, std::move(r));
    }
    std::optional<EchoCancelPair> createEchoCancel(const QString& in, const QString& out) override {
        if (!offerEchoCancel) return std::nullopt;
        ++echoCancels;
        return EchoCancelPair{"ec:" + in, "ec:" + out};
    }
    void removeEchoCancel(const EchoCancelPair&) override { --echoCancels; }

    // The running capture stream, or null.
    Stream* capture() const {
        for (Stream* s : streams)
            if (!s->output && s->running) return s;
        return nullptr;
    }
    Stream* playback() const {
        for (Stream* s : streams)
            if (s->output) return s;
        return nullptr;
    }
};

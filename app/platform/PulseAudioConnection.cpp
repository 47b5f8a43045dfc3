#include "platform/PulseAudioConnection.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>

namespace {

// How long a connection attempt may take before the server counts as absent.
constexpr int kConnectWaitMs = 3000;

QString propText(pa_proplist* props, const char* key) {
    const char* value = props != nullptr ? pa_proplist_gets(props, key) : nullptr;
    return value != nullptr ? QString::fromUtf8(value) : QString();
}

template <typename Info>
PulseAudioDeviceInfo fill(const Info* info, bool isMonitor) {
    PulseAudioDeviceInfo d;
    d.index = info->index;
    d.name = QString::fromUtf8(info->name != nullptr ? info->name : "");
    d.description = QString::fromUtf8(info->description != nullptr ? info->description : "");
    d.rate = info->sample_spec.rate;
    d.channels = info->sample_spec.channels;
    d.volume = info->volume.channels > 0 ? float(double(pa_cvolume_avg(&info->volume)) / PA_VOLUME_NORM) : -1.0f;
    d.isMonitor = isMonitor;
    d.deviceClass = propText(info->proplist, PA_PROP_DEVICE_CLASS);
    d.bus = propText(info->proplist, PA_PROP_DEVICE_BUS);
    d.formFactor = propText(info->proplist, PA_PROP_DEVICE_FORM_FACTOR);
    d.profileName = propText(info->proplist, PA_PROP_DEVICE_PROFILE_NAME);
    d.busPath = propText(info->proplist, PA_PROP_DEVICE_BUS_PATH);
    return d;
}

// What a list or info callback collects; the loop thread writes it while the
// waiting thread sleeps in pa_threaded_mainloop_wait, so the lock orders both.
struct DeviceCollect {
    pa_threaded_mainloop* loop;
    std::vector<PulseAudioDeviceInfo> devices;
    bool failed = false;
};

void sinkInfo(pa_context*, const pa_sink_info* info, int eol, void* user) {
    auto* c = static_cast<DeviceCollect*>(user);
    if (eol < 0) c->failed = true;
    if (eol == 0 && info != nullptr) c->devices.push_back(fill(info, false));
    pa_threaded_mainloop_signal(c->loop, 0);
}

void sourceInfo(pa_context*, const pa_source_info* info, int eol, void* user) {
    auto* c = static_cast<DeviceCollect*>(user);
    if (eol < 0) c->failed = true;
    if (eol == 0 && info != nullptr) c->devices.push_back(fill(info, info->monitor_of_sink != PA_INVALID_INDEX));
    pa_threaded_mainloop_signal(c->loop, 0);
}

struct SuccessCollect {
    pa_threaded_mainloop* loop;
    bool success = false;
};

void successCallback(pa_context*, int success, void* user) {
    auto* c = static_cast<SuccessCollect*>(user);
    c->success = success != 0;
    pa_threaded_mainloop_signal(c->loop, 0);
}

struct IndexCollect {
    pa_threaded_mainloop* loop;
    std::uint32_t index = PA_INVALID_INDEX;
};

void indexCallback(pa_context*, std::uint32_t index, void* user) {
    auto* c = static_cast<IndexCollect*>(user);
    c->index = index;
    pa_threaded_mainloop_signal(c->loop, 0);
}

struct ServerCollect {
    pa_threaded_mainloop* loop;
    std::optional<std::pair<QString, QString>> names;
};

void serverInfo(pa_context*, const pa_server_info* info, void* user) {
    auto* c = static_cast<ServerCollect*>(user);
    if (info != nullptr) {
        c->names = std::make_pair(QString::fromUtf8(info->default_sink_name ? info->default_sink_name : ""),
                                  QString::fromUtf8(info->default_source_name ? info->default_source_name : ""));
    }
    pa_threaded_mainloop_signal(c->loop, 0);
}

void contextState(pa_context*, void* user) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(user), 0);
}

}  // namespace

PulseAudioConnection& PulseAudioConnection::shared() {
    static PulseAudioConnection connection;
    return connection;
}

PulseAudioConnection::PulseAudioConnection() {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_set_name(mainloop_, "pulseaudio");
        if (pa_threaded_mainloop_start(mainloop_) < 0) {
            pa_threaded_mainloop_free(mainloop_);
            mainloop_ = nullptr;
        }
    }
}

PulseAudioConnection::~PulseAudioConnection() {
    if (mainloop_ == nullptr) return;
    pa_threaded_mainloop_lock(mainloop_);
    dropContextLocked();
    pa_threaded_mainloop_unlock(mainloop_);
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
}

bool PulseAudioConnection::inLoopThread() const {
    return mainloop_ != nullptr && pa_threaded_mainloop_in_thread(mainloop_) != 0;
}

void PulseAudioConnection::dropContextLocked() {
    if (context_ == nullptr) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

bool PulseAudioConnection::ensureReadyLocked() {
    if (context_ != nullptr) {
        pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) return true;
        if (PA_CONTEXT_IS_GOOD(state)) {
            // Another caller is connecting right now; fall through to wait.
        } else {
            dropContextLocked();
        }
    }
    if (context_ == nullptr) {
        context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Quorix");
        if (context_ == nullptr) return false;
        pa_context_set_state_callback(context_, contextState, mainloop_);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            dropContextLocked();
            return false;
        }
    }
    // Wait with a deadline: a timer event of the loop wakes us when the server stays silent.
    bool timedOut = false;
    struct Wake {
        pa_threaded_mainloop* loop;
        bool* flag;
    } wake{mainloop_, &timedOut};
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop_);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(kConnectWaitMs) * PA_USEC_PER_MSEC);
    pa_time_event* timer = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
            auto* w = static_cast<Wake*>(user);
            *w->flag = true;
            pa_threaded_mainloop_signal(w->loop, 0);
        },
        &wake);
    pa_context* mine = context_;
    for (;;) {
        if (context_ != mine) {  // another caller gave up on it meanwhile
            api->time_free(timer);
            return false;
        }
        pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(state) || timedOut) {
            api->time_free(timer);
            dropContextLocked();
            return false;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    api->time_free(timer);
    return true;
}

bool PulseAudioConnection::waitLocked(pa_operation* op) {
    if (op == nullptr) return false;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
        if (context_ == nullptr || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
            pa_operation_cancel(op);
            break;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    pa_operation_unref(op);
    return done;
}

bool PulseAudioConnection::run(const std::function<pa_operation*(pa_context*)>& start) {
    if (mainloop_ == nullptr || inLoopThread()) return false;
    pa_threaded_mainloop_lock(mainloop_);
    bool ok = ensureReadyLocked() && waitLocked(start(context_));
    pa_threaded_mainloop_unlock(mainloop_);
    return ok;
}

bool PulseAudioConnection::withLock(const std::function<void(pa_context*)>& work) {
    if (mainloop_ == nullptr || inLoopThread()) return false;
    pa_threaded_mainloop_lock(mainloop_);
    bool ok = ensureReadyLocked();
    if (ok) work(context_);
    pa_threaded_mainloop_unlock(mainloop_);
    return ok;
}

bool PulseAudioConnection::connected() {
    return withLock([](pa_context*) {});
}

std::optional<std::vector<PulseAudioDeviceInfo>> PulseAudioConnection::sinks() {
    DeviceCollect c{mainloop_, {}, false};
    if (!run([&](pa_context* ctx) { return pa_context_get_sink_info_list(ctx, sinkInfo, &c); }) || c.failed)
        return std::nullopt;
    return c.devices;
}

std::optional<std::vector<PulseAudioDeviceInfo>> PulseAudioConnection::sources() {
    DeviceCollect c{mainloop_, {}, false};
    if (!run([&](pa_context* ctx) { return pa_context_get_source_info_list(ctx, sourceInfo, &c); }) || c.failed)
        return std::nullopt;
    return c.devices;
}

std::optional<PulseAudioDeviceInfo> PulseAudioConnection::sink(const QString& name) {
    DeviceCollect c{mainloop_, {}, false};
    QByteArray n = name.toUtf8();
    if (!run([&](pa_context* ctx) { return pa_context_get_sink_info_by_name(ctx, n.constData(), sinkInfo, &c); }) ||
        c.failed || c.devices.empty())
        return std::nullopt;
    return c.devices.front();
}

std::optional<PulseAudioDeviceInfo> PulseAudioConnection::source(const QString& name) {
    DeviceCollect c{mainloop_, {}, false};
    QByteArray n = name.toUtf8();
    if (!run([&](pa_context* ctx) {
            return pa_context_get_source_info_by_name(ctx, n.constData(), sourceInfo, &c);
        }) ||
        c.failed || c.devices.empty())
        return std::nullopt;
    return c.devices.front();
}

std::optional<std::pair<QString, QString>> PulseAudioConnection::defaults() {
    ServerCollect c{mainloop_, std::nullopt};
    if (!run([&](pa_context* ctx) { return pa_context_get_server_info(ctx, serverInfo, &c); })) return std::nullopt;
    return c.names;
}

bool PulseAudioConnection::setVolume(bool sink, const QString& name, std::uint8_t channels, float volume) {
    if (!std::isfinite(volume) || channels == 0 || channels > PA_CHANNELS_MAX) return false;
    double clamped = std::clamp(double(volume), 0.0, 1.0);
    pa_cvolume cv;
    pa_cvolume_set(&cv, channels, pa_volume_t(std::lround(clamped * PA_VOLUME_NORM)));
    SuccessCollect c{mainloop_, false};
    QByteArray n = name.toUtf8();
    bool ran = run([&](pa_context* ctx) {
        return sink ? pa_context_set_sink_volume_by_name(ctx, n.constData(), &cv, successCallback, &c)
                    : pa_context_set_source_volume_by_name(ctx, n.constData(), &cv, successCallback, &c);
    });
    return ran && c.success;
}

bool PulseAudioConnection::setMute(bool sink, const QString& name, bool mute) {
    SuccessCollect c{mainloop_, false};
    QByteArray n = name.toUtf8();
    bool ran = run([&](pa_context* ctx) {
        return sink ? pa_context_set_sink_mute_by_name(ctx, n.constData(), mute, successCallback, &c)
                    : pa_context_set_source_mute_by_name(ctx, n.constData(), mute, successCallback, &c);
    });
    return ran && c.success;
}

std::optional<std::uint32_t> PulseAudioConnection::loadModule(const QString& name, const QString& arguments) {
    IndexCollect c{mainloop_, PA_INVALID_INDEX};
    QByteArray n = name.toUtf8();
    QByteArray a = arguments.toUtf8();
    bool ran = run([&](pa_context* ctx) {
        return pa_context_load_module(ctx, n.constData(), a.constData(), indexCallback, &c);
    });
    if (!ran || c.index == PA_INVALID_INDEX) return std::nullopt;
    return c.index;
}

bool PulseAudioConnection::unloadModule(std::uint32_t index) {
    SuccessCollect c{mainloop_, false};
    bool ran = run([&](pa_context* ctx) { return pa_context_unload_module(ctx, index, successCallback, &c); });
    return ran && c.success;
}

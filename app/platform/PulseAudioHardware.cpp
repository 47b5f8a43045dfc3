#include "platform/PulseAudioHardware.h"

#include <unistd.h>

#include <QHash>
#include <atomic>
#include <mutex>

#include "platform/PulseAudioConnection.h"
#include "platform/PulseAudioStream.h"

namespace {

// Echo-cancel modules this process loaded, by the capture device they offer.
std::mutex& echoMutex() {
    static std::mutex mutex;
    return mutex;
}
QHash<QString, std::uint32_t>& echoModules() {
    static QHash<QString, std::uint32_t> modules;
    return modules;
}

}  // namespace

PulseAudioHardware::PulseAudioHardware() : connection_(PulseAudioConnection::shared()) {}

PulseAudioHardware::PulseAudioHardware(PulseAudioConnection& connection) : connection_(connection) {}

AudioTransport PulseAudioHardware::transportOf(const PulseAudioDeviceInfo& info) {
    if (info.bus == QLatin1String("usb")) return AudioTransport::USB;
    if (info.bus == QLatin1String("bluetooth")) return AudioTransport::Bluetooth;
    if (info.profileName.contains(QLatin1String("hdmi"), Qt::CaseInsensitive) ||
        info.name.contains(QLatin1String("hdmi"), Qt::CaseInsensitive))
        return AudioTransport::HDMI;
    if (info.bus == QLatin1String("pci") || info.bus == QLatin1String("isa") ||
        info.bus == QLatin1String("platform") || info.formFactor == QLatin1String("internal"))
        return AudioTransport::BuiltIn;
    // A sound card whose attachment the server does not tell.
    if (info.deviceClass == QLatin1String("sound") && info.bus.isEmpty()) return AudioTransport::Unknown;
    return AudioTransport::Other;  // virtual and network devices
}

bool PulseAudioHardware::isSelectable(const PulseAudioDeviceInfo& info) {
    return !info.isMonitor && info.deviceClass != QLatin1String("monitor") &&
           info.deviceClass != QLatin1String("filter");
}

std::optional<std::vector<AudioHardwareDevice>> PulseAudioHardware::devices(bool output) {
    auto list = output ? connection_.sinks() : connection_.sources();
    if (!list) return std::nullopt;
    std::vector<AudioHardwareDevice> result;
    for (const PulseAudioDeviceInfo& info : *list) {
        if (!isSelectable(info)) continue;
        result.push_back({info.name, info.description, transportOf(info), double(info.rate)});
    }
    return result;
}

std::optional<QString> PulseAudioHardware::defaultDevice(bool output) {
    auto names = connection_.defaults();
    if (!names) return std::nullopt;
    QString name = output ? names->first : names->second;
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<PulseAudioDeviceInfo> PulseAudioHardware::find(bool output, const QString& uid) {
    if (uid.isEmpty()) return std::nullopt;
    return output ? connection_.sink(uid) : connection_.source(uid);
}

float PulseAudioHardware::volume(bool output, const QString& uid) {
    auto info = find(output, uid);
    if (!info || info->volume < 0) return -1.0f;
    return std::min(info->volume, 1.0f);
}

bool PulseAudioHardware::setVolume(bool output, const QString& uid, float volume) {
    auto info = find(output, uid);
    return info && connection_.setVolume(output, uid, info->channels, volume);
}

bool PulseAudioHardware::setMute(bool output, const QString& uid, bool mute) {
    return !uid.isEmpty() && connection_.setMute(output, uid, mute);
}

bool PulseAudioHardware::setNominalRate(bool, const QString&, double) {
    // The server picks its device rates itself and resamples every stream.
    return false;
}

std::unique_ptr<AudioHardwareStream> PulseAudioHardware::createCaptureStream(const QString& uid, int rate,
                                                                             CaptureCallback callback) {
    if (!find(false, uid)) return nullptr;
    return std::make_unique<PulseAudioStream>(connection_, uid, rate, std::move(callback), nullptr);
}

std::unique_ptr<AudioHardwareStream> PulseAudioHardware::createPlaybackStream(const QString& uid, int rate,
                                                                              RenderCallback callback) {
    if (!find(true, uid)) return nullptr;
    return std::make_unique<PulseAudioStream>(connection_, uid, rate, nullptr, std::move(callback));
}

std::optional<AudioHardware::EchoCancelPair> PulseAudioHardware::createEchoCancel(const QString& inputUid,
                                                                                  const QString& outputUid) {
    if (!find(false, inputUid) || !find(true, outputUid)) return std::nullopt;
    static std::atomic<int> serial{0};
    const QString tag = QStringLiteral("quorix_ec_%1_%2").arg(getpid()).arg(++serial);
    EchoCancelPair pair{tag + QStringLiteral("_source"), tag + QStringLiteral("_sink")};
    const QString args =
        QStringLiteral("source_master=%1 sink_master=%2 source_name=%3 sink_name=%4 use_master_format=1")
            .arg(inputUid, outputUid, pair.captureUid, pair.playbackUid);
    auto index = connection_.loadModule(QStringLiteral("module-echo-cancel"), args);
    if (!index) return std::nullopt;
    std::lock_guard<std::mutex> lock(echoMutex());
    echoModules().insert(pair.captureUid, *index);
    return pair;
}

void PulseAudioHardware::removeEchoCancel(const EchoCancelPair& pair) {
    std::optional<std::uint32_t> index;
    {
        std::lock_guard<std::mutex> lock(echoMutex());
        auto it = echoModules().find(pair.captureUid);
        if (it == echoModules().end()) return;
        index = it.value();
        echoModules().erase(it);
    }
    connection_.unloadModule(*index);
}

#include <gtest/gtest.h>

#include "FakeAudioHardware.h"
#include "PulseAudioTestEnvironment.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/AudioDeviceManager.h"
#include "platform/AudioUnit.h"
#include "platform/PulseAudioConnection.h"
#include "platform/PulseAudioHardware.h"
#include "services/LogFileManager.h"

#include <QFile>

namespace {

AudioDeviceManager& manager() { return AudioDeviceManager::sharedInstance(); }

class AudioDeviceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        server_ = PulseAudioTestServer::get();
        ASSERT_NE(server_, nullptr) << "the test PulseAudio server did not start";
        manager().setHardware(nullptr);
        manager().terminate();
    }
    void TearDown() override { manager().terminate(); }

    PulseAudioTestServer* server_ = nullptr;
};

}  // namespace

TEST_F(AudioDeviceManagerTest, ListsTheServersDevicesWithNamesAndKindsButNoMonitors) {
    const QStringList inputs = manager().getInputDevices();
    const QStringList outputs = manager().getOutputDevices();
    EXPECT_TRUE(inputs.contains(PulseAudioTestServer::kPipeInput)) << inputs.join(",").toStdString();
    EXPECT_TRUE(inputs.contains(PulseAudioTestServer::kNullInput));
    EXPECT_EQ(outputs, QStringList{PulseAudioTestServer::kOutput});
    for (const QString& uid : inputs) EXPECT_FALSE(uid.endsWith(".monitor")) << uid.toStdString();
    EXPECT_EQ(manager().inputDeviceList(), inputs);

    EXPECT_EQ(manager().getDeviceName(PulseAudioTestServer::kOutput), QString(PulseAudioTestServer::kOutputName));
    EXPECT_EQ(manager().getDeviceName(PulseAudioTestServer::kPipeInput),
              QString(PulseAudioTestServer::kPipeInputName));
    EXPECT_FALSE(manager().getDeviceName("no_such_device").has_value());
    // Null devices are virtual: kind 5, as is an id the server does not know.
    EXPECT_EQ(manager().getDeviceType(PulseAudioTestServer::kOutput), 5);
    EXPECT_EQ(manager().getDeviceType("no_such_device"), 5);
    EXPECT_TRUE(manager().isOutputDevice(PulseAudioTestServer::kOutput));
    EXPECT_FALSE(manager().isInputDevice(PulseAudioTestServer::kOutput));
    EXPECT_EQ(manager().getDefOutputDevice(), QString(PulseAudioTestServer::kOutput));
    EXPECT_EQ(manager().getDefInputDevice(), QString(PulseAudioTestServer::kPipeInput));
    EXPECT_EQ(manager().getDeviceSampleRate(true, PulseAudioTestServer::kOutput), 48000.0);
    EXPECT_EQ(manager().getDeviceSampleRate(true, "no_such_device"), 0.0);
    EXPECT_EQ(manager().getInputDevicesWithKeyword("TEST_PIPE"), QStringList{PulseAudioTestServer::kPipeInput});
}

TEST_F(AudioDeviceManagerTest, EchoCancelFilterDevicesAreNotListed) {
    const QStringList before = manager().getInputDevices();
    const QStringList outputsBefore = manager().getOutputDevices();
    PulseAudioHardware hardware;
    auto pair = hardware.createEchoCancel(PulseAudioTestServer::kPipeInput, PulseAudioTestServer::kOutput);
    ASSERT_TRUE(pair.has_value()) << "the server offers module-echo-cancel";
    EXPECT_TRUE(PulseAudioConnection::shared().source(pair->captureUid).has_value());
    EXPECT_EQ(manager().getInputDevices(), before);
    EXPECT_EQ(manager().getOutputDevices(), outputsBefore);
    hardware.removeEchoCancel(*pair);
    EXPECT_FALSE(PulseAudioConnection::shared().source(pair->captureUid).has_value());
}

TEST_F(AudioDeviceManagerTest, VolumeSetOnTheBoundDeviceReadsBack) {
    struct Case {
        bool output;
        const char* uid;
    } cases[] = {{false, PulseAudioTestServer::kPipeInput}, {true, PulseAudioTestServer::kOutput}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uid);
        auto get = [&] { return c.output ? manager().getSystemOutputVolume() : manager().getSystemInputVolume(); };
        auto set = [&](float v) {
            return c.output ? manager().setSystemOutputVolume(v) : manager().setSystemInputVolume(v);
        };
        // Before any binding there is no device to act on.
        EXPECT_EQ(get(), -1.0f);
        EXPECT_FALSE(set(0.5f));

        AudioUnit unit = c.output ? AudioUnit(manager().hardware(), AudioHardware::RenderCallback(
                                                                        [](std::uint8_t*, std::size_t) {}))
                                  : AudioUnit(manager().hardware(), AudioHardware::CaptureCallback(
                                                                        [](const std::uint8_t*, std::size_t) {}));
        int bound = c.output ? manager().setOutputDevice(unit, c.uid, 48000) : manager().setInputDevice(unit, c.uid, 48000);
        ASSERT_EQ(bound, AudioDeviceManager::kBindOk);
        EXPECT_TRUE(set(0.5f));
        EXPECT_FLOAT_EQ(get(), 0.5f);
        EXPECT_TRUE(set(1.0f));
        EXPECT_FLOAT_EQ(get(), 1.0f);
    }
}

TEST_F(AudioDeviceManagerTest, BindingAnswersItsCodes) {
    AudioUnit capture(manager().hardware(), AudioHardware::CaptureCallback([](const std::uint8_t*, std::size_t) {}));
    AudioUnit playback(manager().hardware(), AudioHardware::RenderCallback([](std::uint8_t*, std::size_t) {}));
    EXPECT_EQ(manager().setInputDevice(capture, "no_such_device", 48000), AudioDeviceManager::kBindUnknownDevice);
    EXPECT_EQ(manager().setOutputDevice(playback, "no_such_device", 48000), AudioDeviceManager::kBindUnknownDevice);
    // An output is also no input.
    EXPECT_EQ(manager().setInputDevice(capture, PulseAudioTestServer::kOutput, 48000),
              AudioDeviceManager::kBindUnknownDevice);
    EXPECT_FALSE(manager().inputDeviceUid().has_value());
    // The server does not switch device rates: a rate above the nominal one is refused.
    EXPECT_EQ(manager().setOutputDevice(playback, PulseAudioTestServer::kOutput, 96000),
              AudioDeviceManager::kBindRateUnavailable);
    EXPECT_EQ(manager().setInputDevice(capture, PulseAudioTestServer::kPipeInput, 16000), AudioDeviceManager::kBindOk);
    EXPECT_EQ(manager().inputDeviceUid(), QString(PulseAudioTestServer::kPipeInput));
    EXPECT_EQ(capture.currentDevice(), QString(PulseAudioTestServer::kPipeInput));
    EXPECT_EQ(capture.rate(), 16000);
}

TEST(PulseAudioHardwareTest, DeviceKindFollowsTheServersProperties) {
    struct Case {
        const char* bus;
        const char* deviceClass;
        const char* profile;
        const char* formFactor;
        AudioTransport expected;
    } cases[] = {
        {"usb", "sound", "analog-input", "", AudioTransport::USB},
        {"bluetooth", "sound", "headset-head-unit", "headset", AudioTransport::Bluetooth},
        {"pci", "sound", "output:hdmi-stereo", "", AudioTransport::HDMI},
        {"pci", "sound", "analog-stereo", "internal", AudioTransport::BuiltIn},
        {"", "sound", "", "internal", AudioTransport::BuiltIn},
        {"", "sound", "", "", AudioTransport::Unknown},
        {"", "abstract", "", "", AudioTransport::Other},
        {"", "", "", "", AudioTransport::Other},
    };
    for (const Case& c : cases) {
        PulseAudioDeviceInfo info;
        info.name = "dev";
        info.bus = c.bus;
        info.deviceClass = c.deviceClass;
        info.profileName = c.profile;
        info.formFactor = c.formFactor;
        EXPECT_EQ(PulseAudioHardware::transportOf(info), c.expected) << c.bus << "/" << c.deviceClass << "/" << c.profile;
    }
    PulseAudioDeviceInfo info;
    info.deviceClass = "filter";
    EXPECT_FALSE(PulseAudioHardware::isSelectable(info));
    info.deviceClass = "sound";
    EXPECT_TRUE(PulseAudioHardware::isSelectable(info));
    info.isMonitor = true;
    EXPECT_FALSE(PulseAudioHardware::isSelectable(info));
}

TEST(AudioDeviceManagerLogTest, FailuresWriteTheirLinesToTheApplicationLog) {
    ensureQtApplication();
    TemporaryHome home;
    LogFileManager::resetForTesting();
    ASSERT_TRUE(LogFileManager::createLogFile());
    auto hardware = std::make_shared<FakeAudioHardware>();
    hardware->outputs = {FakeAudioHardware::device("spk", "Desk Speaker", AudioTransport::USB, 48000),
                         FakeAudioHardware::device("bt", "Headset", AudioTransport::Bluetooth, 16000)};
    hardware->inputs = {FakeAudioHardware::device("bt-in", "Headset", AudioTransport::Bluetooth, 16000)};
    manager().setHardware(hardware);
    manager().terminate();

    AudioUnit playback(*hardware, AudioHardware::RenderCallback([](std::uint8_t*, std::size_t) {}));
    AudioUnit capture(*hardware, AudioHardware::CaptureCallback([](const std::uint8_t*, std::size_t) {}));
    EXPECT_EQ(manager().setOutputDevice(playback, "gone", 48000), AudioDeviceManager::kBindUnknownDevice);
    // A Bluetooth microphone is refused without asking it to switch; a speaker is asked first.
    EXPECT_EQ(manager().setInputDevice(capture, "bt-in", 48000), AudioDeviceManager::kBindRateUnavailable);
    EXPECT_TRUE(hardware->rateRequests.isEmpty());
    EXPECT_EQ(manager().setOutputDevice(playback, "bt", 48000), AudioDeviceManager::kBindRateUnavailable);
    EXPECT_EQ(hardware->rateRequests, QStringList{"bt"});
    ASSERT_EQ(manager().setOutputDevice(playback, "spk", 48000), AudioDeviceManager::kBindOk);
    EXPECT_FALSE(manager().setSystemOutputVolume(0.5f));  // the fake speaker has no volume
    EXPECT_EQ(manager().getSystemOutputVolume(), -1.0f);

    QFile file(LogFileManager::getLogFilePath("log"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(log.contains("[Audio Device]Device unknown.")) << log.toStdString();
    EXPECT_TRUE(log.contains("[Audio Device]Unsupported sampling rate(bt-in)."));
    EXPECT_TRUE(log.contains("[Audio Device]Unsupported sampling rate(bt)."));
    EXPECT_TRUE(log.contains("[Audio Device]No volume control for device(Desk Speaker)."));
    LogFileManager::resetForTesting();
    manager().terminate();
    manager().setHardware(nullptr);
}

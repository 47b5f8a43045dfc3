#include <gtest/gtest.h>

#include "FakeAudioHardware.h"
#include "PulseAudioTestEnvironment.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/AudioDeviceManager.h"
#include "media/AudioDeviceMonitor.h"
#include "platform/AudioUnit.h"
#include "platform/Dispatch.h"
#include "platform/PulseAudioConnection.h"

#include <atomic>
#include <thread>

namespace {

AudioDeviceManager& manager() { return AudioDeviceManager::sharedInstance(); }

struct RecordingListener : AudioDeviceMonitorListener {
    std::vector<QStringList> inputLists, outputLists;
    QStringList defaultInputs, defaultOutputs;
    std::vector<float> micVolumes, speakerVolumes;
    std::vector<int> inputRates, outputRates;
    void onSystemInputDeviceListChanged(const QStringList& l) override { inputLists.push_back(l); }
    void onSystemOutputDeviceListChanged(const QStringList& l) override { outputLists.push_back(l); }
    void onDefaultInputDeviceChanged(const QString& u) override { defaultInputs << u; }
    void onDefaultOutputDeviceChanged(const QString& u) override { defaultOutputs << u; }
    void onSystemMicVolumeChanged(float v) override { micVolumes.push_back(v); }
    void onSystemSpeakerVolumeChanged(float v) override { speakerVolumes.push_back(v); }
    void onInputSamplingRateChanged(int r) override { inputRates.push_back(r); }
    void onOutputSamplingRateChanged(int r) override { outputRates.push_back(r); }
};

}  // namespace

class AudioDeviceMonitorServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        ASSERT_NE(PulseAudioTestServer::get(), nullptr);
        manager().setHardware(nullptr);
        manager().terminate();
    }
    std::uint32_t loadSink(const QString& name) {
        auto index = PulseAudioConnection::shared().loadModule(
            "module-null-sink", QStringLiteral("sink_name=%1 rate=48000 channels=1").arg(name));
        EXPECT_TRUE(index.has_value());
        return index.value_or(0);
    }
    ScopedManualDispatcher dispatcher_;
};

TEST_F(AudioDeviceMonitorServerTest, ASinkLoadedOrUnloadedIsReportedAtTheNextTick) {
    RecordingListener listener;
    AudioDeviceMonitor monitor;
    monitor.setListener(&listener);
    monitor.startMonitor(true, true, true, true);

    const std::uint32_t module = loadSink("quorix_test_extra");
    dispatcher_->advance(std::chrono::milliseconds(999));
    EXPECT_TRUE(listener.outputLists.empty()) << "no tick before the period";
    dispatcher_->advance(std::chrono::milliseconds(1));
    ASSERT_EQ(listener.outputLists.size(), 1u);
    EXPECT_EQ(listener.outputLists[0], (QStringList{PulseAudioTestServer::kOutput, "quorix_test_extra"}));
    EXPECT_TRUE(listener.inputLists.empty()) << "a sink's monitor is no input";

    ASSERT_TRUE(PulseAudioConnection::shared().unloadModule(module));
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    ASSERT_EQ(listener.outputLists.size(), 2u);
    EXPECT_EQ(listener.outputLists[1], QStringList{PulseAudioTestServer::kOutput});
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    EXPECT_EQ(listener.outputLists.size(), 2u) << "an unchanged list is not reported again";
    monitor.setListener(nullptr);
}

TEST_F(AudioDeviceMonitorServerTest, ADeviceSwappedForAnotherWithinOneTickIsReported) {
    const std::uint32_t first = loadSink("quorix_headset_a");
    RecordingListener listener;
    AudioDeviceMonitor monitor;
    monitor.setListener(&listener);
    monitor.startMonitor(true, true, true, true);

    ASSERT_TRUE(PulseAudioConnection::shared().unloadModule(first));
    const std::uint32_t second = loadSink("quorix_headset_b");
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    ASSERT_EQ(listener.outputLists.size(), 1u);
    EXPECT_TRUE(listener.outputLists[0].contains("quorix_headset_b"));
    EXPECT_FALSE(listener.outputLists[0].contains("quorix_headset_a"));
    PulseAudioConnection::shared().unloadModule(second);
    monitor.setListener(nullptr);
}

class AudioDeviceMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        hardware_ = std::make_shared<FakeAudioHardware>();
        hardware_->inputs = {FakeAudioHardware::device("mic", "Mic", AudioTransport::USB, 48000)};
        hardware_->outputs = {FakeAudioHardware::device("spk", "Speaker", AudioTransport::USB, 48000),
                              FakeAudioHardware::device("hdmi", "Screen", AudioTransport::HDMI, 48000)};
        hardware_->defaultInput = "mic";
        hardware_->defaultOutput = "spk";
        hardware_->volumes = {{"mic", 0.5f}, {"spk", 0.25f}};
        manager().setHardware(hardware_);
        manager().terminate();
    }
    void TearDown() override {
        manager().terminate();
        manager().setHardware(nullptr);
    }
    std::shared_ptr<FakeAudioHardware> hardware_;
    ScopedManualDispatcher dispatcher_;
};

TEST_F(AudioDeviceMonitorTest, DefaultDeviceAndVolumeChangesAreReportedOncePerChange) {
    AudioUnit capture(*hardware_, AudioHardware::CaptureCallback([](const std::uint8_t*, std::size_t) {}));
    AudioUnit playback(*hardware_, AudioHardware::RenderCallback([](std::uint8_t*, std::size_t) {}));
    ASSERT_EQ(manager().setInputDevice(capture, "mic", 48000), 0);
    ASSERT_EQ(manager().setOutputDevice(playback, "spk", 48000), 0);
    RecordingListener listener;
    AudioDeviceMonitor monitor;
    monitor.setListener(&listener);
    monitor.startMonitor(true, true, true, true);

    hardware_->defaultOutput = "hdmi";
    hardware_->volumes["mic"] = 0.75f;
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    hardware_->defaultOutput.reset();  // a moment without a default changes nothing
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    hardware_->volumes["mic"] = 0.8f;
    hardware_->volumes.remove("spk");  // no volume control: nothing to report
    dispatcher_->advance(AudioDeviceMonitor::kInterval);

    EXPECT_EQ(listener.defaultOutputs, QStringList{"hdmi"});
    EXPECT_TRUE(listener.defaultInputs.isEmpty());
    EXPECT_EQ(listener.micVolumes, (std::vector<float>{0.75f, 0.8f}));
    EXPECT_TRUE(listener.speakerVolumes.empty());
    EXPECT_TRUE(listener.inputLists.empty());

    hardware_->inputs[0].nominalRate = 16000;
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    EXPECT_EQ(listener.inputRates, std::vector<int>{16000});
    EXPECT_TRUE(listener.outputRates.empty());
    monitor.setListener(nullptr);
}

TEST_F(AudioDeviceMonitorTest, WithoutAListenerOrAfterStopNothingIsChecked) {
    RecordingListener listener;
    AudioDeviceMonitor monitor;
    monitor.startMonitor(true, true, true, true);
    hardware_->outputs.pop_back();
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    EXPECT_TRUE(monitor.isRunning());

    monitor.setListener(&listener);
    monitor.stopMonitor();
    dispatcher_->advance(AudioDeviceMonitor::kInterval * 3);
    EXPECT_TRUE(listener.outputLists.empty());
    EXPECT_FALSE(monitor.isRunning());
    EXPECT_EQ(monitor.systemInputVol, -1.0f);
    monitor.setListener(nullptr);
}

TEST_F(AudioDeviceMonitorTest, AMonitorDestroyedWithATickPendingIsNotTouched) {
    RecordingListener listener;
    {
        AudioDeviceMonitor monitor;
        monitor.setListener(&listener);
        monitor.startMonitor(true, false, false, false);
    }
    hardware_->outputs.pop_back();
    dispatcher_->advance(AudioDeviceMonitor::kInterval);
    EXPECT_TRUE(listener.outputLists.empty());
}

TEST_F(AudioDeviceMonitorTest, StoppingFromAnotherThreadWaitsForARunningReport) {
    struct SlowListener : AudioDeviceMonitorListener {
        std::atomic<bool> stopped{false};
        std::atomic<int> reports{0};
        std::atomic<int> late{0};
        void onSystemOutputDeviceListChanged(const QStringList&) override {
            reports.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (stopped.load()) late.fetch_add(1);
        }
    } listener;
    AudioDeviceMonitor monitor;
    monitor.setListener(&listener);
    monitor.startMonitor(true, false, false, false);
    std::thread stopper([&] {
        while (listener.reports.load() < 3) std::this_thread::yield();
        monitor.stopMonitor();
        listener.stopped.store(true);
    });
    for (int i = 0; i < 400 && !listener.stopped.load(); ++i) {
        hardware_->outputs.resize(i % 2 ? 1 : 2, FakeAudioHardware::device("x", "X", AudioTransport::USB, 48000));
        dispatcher_->advance(AudioDeviceMonitor::kInterval);
    }
    stopper.join();
    EXPECT_GE(listener.reports.load(), 3);
    EXPECT_EQ(listener.late.load(), 0);
    EXPECT_FALSE(monitor.isRunning());
}

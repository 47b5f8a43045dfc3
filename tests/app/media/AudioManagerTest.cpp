#include <gtest/gtest.h>

#include <thread>

#include "FakeAudioHardware.h"
#include "PulseAudioTestEnvironment.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/AudioDeviceManager.h"
#include "media/AudioDeviceNotificator.h"
#include "media/AudioDeviceNotificatorDispatcher.h"
#include "media/AudioManager.h"
#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/PulseAudioConnection.h"
#include "services/DataSaveManager.h"

namespace {

AudioDeviceManager& devices() { return AudioDeviceManager::sharedInstance(); }

struct Captured {
    std::atomic<int> chunks{0};
    std::atomic<int> rate{0};
    static void callback(const std::uint8_t*, int, int sampleRate, void* user, double gain) {
        auto* self = static_cast<Captured*>(user);
        EXPECT_EQ(gain, 1.0);
        self->rate.store(sampleRate);
        self->chunks.fetch_add(1);
    }
};

struct View : AudioManagerViewInterface {
    std::vector<std::pair<int, std::int64_t>> errors;
    std::vector<std::pair<int, QString>> changes;
    void showDeviceConnectionError(int kind, std::int64_t code) override { errors.emplace_back(kind, code); }
    void showChangeSystemDevice(int kind, const QString& name) override { changes.emplace_back(kind, name); }
};

struct Delegate : AudioManagerDelegate {
    std::vector<int> rates;
    void onChangeSpeakerSamplingRate(int rate) override { rates.push_back(rate); }
    void onAudioPlayerSampleBuffer(const QByteArray&, double, std::int64_t) override {}
    void onAudioRecoderSampleBuffer(const QByteArray&, double, std::int64_t) override {}
};

struct Observer : AudioDeviceNotificatorDispatcherDelegate {
    std::vector<std::pair<AudioDeviceInfoList, int>> inputLists, outputLists;
    std::vector<AudioDeviceInfo> currentInputs;
    std::vector<std::int64_t> modes;
    void didChangeInputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& l, int i) override {
        inputLists.emplace_back(l, i);
    }
    void didChangeOutputDeviceList(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfoList& l, int i) override {
        outputLists.emplace_back(l, i);
    }
    void didChangeCurrentInputDevice(AudioDeviceNotificatorDispatcher*, const AudioDeviceInfo& d) override {
        currentInputs.push_back(d);
    }
    void didChangeEchoCancelMode(AudioDeviceNotificatorDispatcher*, std::int64_t m) override { modes.push_back(m); }
};

}  // namespace

class AudioManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        hardware_ = std::make_shared<FakeAudioHardware>();
        hardware_->inputs = {FakeAudioHardware::device("builtin-mic", "Built-in Microphone", AudioTransport::BuiltIn, 48000),
                             FakeAudioHardware::device("usb-mic", "USB Headset", AudioTransport::USB, 48000)};
        hardware_->outputs = {FakeAudioHardware::device("builtin-spk", "Built-in Speaker", AudioTransport::BuiltIn, 48000),
                              FakeAudioHardware::device("usb-spk", "USB Headset", AudioTransport::USB, 48000)};
        hardware_->defaultInput = "builtin-mic";
        hardware_->defaultOutput = "builtin-spk";
        hardware_->volumes = {{"builtin-mic", 1.0f}, {"usb-mic", 1.0f}, {"builtin-spk", 1.0f}, {"usb-spk", 1.0f}};
        devices().setHardware(hardware_);
        devices().terminate();
        manager_ = std::make_unique<AudioManager>(Captured::callback, &captured_);
        manager_->setViewInterface(&view_);
        manager_->setDelegate(&delegate_);
        dispatcherObserver_.setDelegate(&observer_);
    }
    void TearDown() override {
        dispatcherObserver_.setDelegate(nullptr);
        manager_.reset();
        devices().terminate();
        devices().setHardware(nullptr);
    }
    void setup(const QVariantMap& config = {{"MODE_OPUS", "Y"}}) { manager_->setup(0, config); }
    void tick() {
        dispatcher_->advance(AudioDeviceMonitor::kInterval);
        dispatcher_->runPending();
    }

    TemporaryHome home_;
    ScopedManualDispatcher dispatcher_;
    std::shared_ptr<FakeAudioHardware> hardware_;
    Captured captured_;
    View view_;
    Delegate delegate_;
    Observer observer_;
    AudioDeviceNotificatorDispatcher dispatcherObserver_{&AudioDeviceNotificator::sharedNotificator()};
    std::unique_ptr<AudioManager> manager_;
};

TEST_F(AudioManagerTest, RoomRateComesFromTheCodecAndTheRoomConfiguration) {
    struct Case {
        QVariantMap config;
        int code;
        int rate;
    } cases[] = {
        {{{"MODE_OPUS", "Y"}}, 0, 48000},
        {{{"MODE_OPUS", "Y"}, {"MODE_OPUS_SAMPLING_RATE", "44100"}}, 0, 48000},
        {{{"MODE_OPUS", "Y"}, {"MODE_OPUS_SAMPLING_RATE", "12000"}}, 0, 12000},
        {{{"MODE_OPUS", "N"}}, 3, 22050},
        {{}, 0, 8000},
        {{}, 1, 11025},
        {{}, 7, 32000},
        {{}, -1, 8000},  // a negative code is not read before the table
    };
    for (const Case& c : cases) {
        manager_->setup(c.code, c.config);
        EXPECT_EQ(manager_->roomSampleRate, c.rate) << c.code;
        EXPECT_EQ(manager_->inputSampleRate.load(), c.rate);
        EXPECT_EQ(manager_->audioPlayer()->chunkBytes(), std::uint32_t(c.rate * 2 / 50 + (c.rate == 11025)));
    }
}

TEST_F(AudioManagerTest, FreshInstallationFollowsTheSystemDevicesAtVolume065) {
    setup();
    AudioInfo& info = manager_->audioInfo();
    EXPECT_FLOAT_EQ(info.inputVolume, 0.65f);
    EXPECT_FLOAT_EQ(info.outputVolume, 0.65f);
    EXPECT_EQ(info.currentInputDeviceUid, kSystemAudioDeviceUid);
    EXPECT_EQ(info.currentOutputDeviceUid, kSystemAudioDeviceUid);
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("builtin-mic"));
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("builtin-spk"));
    EXPECT_FLOAT_EQ(hardware_->volumes["builtin-mic"], 0.65f);
    EXPECT_FLOAT_EQ(hardware_->volumes["builtin-spk"], 0.65f);
    EXPECT_EQ(delegate_.rates, std::vector<int>{48000});
    EXPECT_TRUE(manager_->deviceMonitor().isRunning());

    manager_->start();
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
    EXPECT_EQ(manager_->audioPlayer()->status(), AudioPlayer::kRunning);
    EXPECT_FLOAT_EQ(manager_->systemDefOutputVolume, 0.65f);
    std::vector<std::uint8_t> cycle(5760, 0);
    hardware_->capture()->capture(cycle.data(), cycle.size());
    for (int i = 0; i < 6000 && captured_.chunks.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(captured_.chunks.load(), 1);
    EXPECT_EQ(captured_.rate.load(), 48000);

    manager_->setSpeakerVolume(0.4f);
    EXPECT_FLOAT_EQ(hardware_->volumes["builtin-spk"], 0.4f);
    EXPECT_FLOAT_EQ(DataSaveManager::loadAudioVolume(true), 0.4f);
    manager_->stop();
    EXPECT_FLOAT_EQ(hardware_->volumes["builtin-spk"], 0.65f) << "the volume found at start is restored";
}

TEST_F(AudioManagerTest, SavedDevicesMissingAtStartFallBackToAnotherDevice) {
    DataSaveManager::saveAudioDevice(false, "gone-mic");
    DataSaveManager::saveAudioDevice(true, "gone-spk");
    DataSaveManager::saveAudioVolume(false, 0.3f);
    setup();
    ASSERT_NE(manager_->audioRecorder(), nullptr);
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kSetUp);
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("builtin-mic"));
    EXPECT_EQ(manager_->audioInfo().currentInputDeviceUid, QString("builtin-mic"));
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("builtin-spk"));
    EXPECT_FLOAT_EQ(hardware_->volumes["builtin-mic"], 0.3f);

    // Nothing to open at all: the conference goes on without a microphone.
    manager_->reset();
    hardware_->inputs.clear();
    hardware_->defaultInput.reset();
    setup();
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kNotSetUp);
    EXPECT_FALSE(manager_->audioInfo().currentInputDeviceUid.has_value());
    manager_->start();
    EXPECT_EQ(manager_->audioPlayer()->status(), AudioPlayer::kRunning);
}

TEST_F(AudioManagerTest, EchoCancelModeAtSetUpFollowsTheRoomAndTheDevice) {
    struct Case {
        const char* name;
        QVariantMap config;
        std::int64_t saved;
        std::int64_t shown;
        std::int64_t recorder;
    } cases[] = {
        {"default", {}, -1, 1, 1},
        {"saved mode ignored without aec-off", {}, 0, 1, 1},
        {"aec-off, saved 1", {{"MODE_DEFAULT_AEC_OFF", "Y"}}, 1, 1, 0},
        {"aec-off, saved 0", {{"MODE_DEFAULT_AEC_OFF", "Y"}}, 0, 0, 0},
        {"aec-off device", {{"DEFAULT_AEC_OFF_DEVICE", "BUILTIN"}}, -1, 0, 0},
        {"aec-off device not in use", {{"DEFAULT_AEC_OFF_DEVICE", "usb"}}, -1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryHome home;
        if (c.saved >= 0) DataSaveManager::saveAudioEchoCancelMode(c.saved);
        manager_->setup(0, c.config);
        EXPECT_EQ(manager_->audioInfo().echoCancelMode, c.shown);
        EXPECT_EQ(manager_->audioRecorder()->mode(), c.recorder);
    }
}

TEST_F(AudioManagerTest, ChoosingDevicesSavesTheChoiceAndReportsFailures) {
    setup();
    ASSERT_TRUE(manager_->setMicDevice("usb-mic"));
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("usb-mic"));
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
    EXPECT_EQ(DataSaveManager::loadAudioDevice(false), QString("usb-mic"));
    dispatcher_->runPending();
    ASSERT_EQ(observer_.currentInputs.size(), 1u);
    EXPECT_EQ(observer_.currentInputs[0].deviceName, QString("USB Headset"));

    // The device is set up but refuses to run again.
    hardware_->refuseStart << "builtin-mic";
    EXPECT_FALSE(manager_->setMicDevice("builtin-mic"));
    EXPECT_EQ(view_.errors, (std::vector<std::pair<int, std::int64_t>>{{0, AUDIO_SETUP_ERR_START}}));
    EXPECT_EQ(DataSaveManager::loadAudioDevice(false), QString("usb-mic"));
    hardware_->refuseStart.clear();

    ASSERT_TRUE(manager_->setMicDevice(kSystemAudioDeviceUid));
    EXPECT_EQ(manager_->audioInfo().currentInputDeviceUid, kSystemAudioDeviceUid);
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("builtin-mic"));
    EXPECT_EQ(DataSaveManager::loadAudioDevice(false), kSystemAudioDeviceUid);

    ASSERT_TRUE(manager_->setSpeakerDevice("usb-spk"));
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("usb-spk"));
    EXPECT_EQ(manager_->audioPlayer()->status(), AudioPlayer::kRunning);
    EXPECT_FALSE(manager_->setSpeakerDevice("gone-spk"));
    EXPECT_EQ(view_.errors.size(), 1u) << "a speaker failure is not shown";
}

TEST_F(AudioManagerTest, ChoosingByNameLeavesTheCurrentDeviceAloneAndMarksAFailure) {
    setup();
    ASSERT_TRUE(manager_->setMicDevice("usb-mic"));
    const int created = hardware_->created;
    EXPECT_TRUE(manager_->setMicDeviceWithName("USB Headset"));
    EXPECT_EQ(hardware_->created, created) << "nothing reopened";
    EXPECT_FALSE(manager_->setMicDeviceWithName("No Such Microphone"));

    hardware_->refuseStart << "builtin-mic";
    // The recorder cannot restart on the built-in microphone.
    EXPECT_FALSE(manager_->setMicDeviceWithName("Built-in Microphone"));
    const AudioDeviceInfoList& list = manager_->audioInfo().inputDevices;
    auto it = std::find_if(list.begin(), list.end(), [](const auto& d) { return d.deviceUid == "builtin-mic"; });
    ASSERT_NE(it, list.end());
    EXPECT_EQ(it->errorCode, AUDIO_DEVICE_ERROR_RATE);
    ASSERT_FALSE(view_.errors.empty());
    EXPECT_EQ(view_.errors.back(), (std::pair<int, std::int64_t>{0, AUDIO_DEVICE_ERROR_RATE}));
    EXPECT_TRUE(manager_->setSpeakerDeviceWithName("USB Headset"));
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("usb-spk"));
}

TEST_F(AudioManagerTest, DeviceListsStartWithTheSystemEntryAndLeaveOutUnusableKinds) {
    hardware_->inputs.push_back(FakeAudioHardware::device("odd", "Odd", AudioTransport::Unknown, 48000));
    hardware_->inputs.push_back(FakeAudioHardware::device("bt", "Phone Headset", AudioTransport::Bluetooth, 16000));
    hardware_->inputs.push_back(FakeAudioHardware::device("builtin-spk", "Combo", AudioTransport::BuiltIn, 48000));
    setup();
    const AudioDeviceInfoList& list = manager_->audioInfo().inputDevices;
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[0].deviceUid, kSystemAudioDeviceUid);
    EXPECT_EQ(list[0].deviceType, AUDIO_DEVICE_TYPE_SYSTEM);
    EXPECT_EQ(list[0].deviceName, LocalizedString("dfSETTINGS_AUDIO_DEVICE_USE_SYSTEM"));
    EXPECT_EQ(list[1], (AudioDeviceInfo{"builtin-mic", "Built-in Microphone", AUDIO_DEVICE_TYPE_BUILTIN, 0}));
    EXPECT_EQ(list[2], (AudioDeviceInfo{"usb-mic", "USB Headset", AUDIO_DEVICE_TYPE_USB, 0}));
    EXPECT_EQ(list[3], (AudioDeviceInfo{"bt", "Phone Headset", AUDIO_DEVICE_TYPE_BLUETOOTH, AUDIO_DEVICE_ERROR_RATE}));
    EXPECT_EQ(manager_->audioInfo().getDeviceNameList(true).size(), 3);
}

TEST_F(AudioManagerTest, ASelectedDeviceThatVanishesOrIsSwappedMovesCaptureToTheSystemDefault) {
    struct Case {
        const char* name;
        bool swap;  // replaced by another device, the count unchanged
    } cases[] = {{"unplugged", false}, {"swapped", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        setup();
        manager_->start();
        ASSERT_TRUE(manager_->setMicDevice("usb-mic"));
        dispatcher_->runPending();
        observer_.inputLists.clear();

        hardware_->inputs.pop_back();
        if (c.swap) hardware_->inputs.push_back(FakeAudioHardware::device("usb-mic-2", "Other Headset", AudioTransport::USB, 48000));
        tick();
        ASSERT_EQ(observer_.inputLists.size(), 1u);
        EXPECT_EQ(observer_.inputLists[0].second, 0);
        EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("builtin-mic"));
        EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
        EXPECT_EQ(manager_->audioInfo().currentInputDeviceUid, kSystemAudioDeviceUid);
        TearDown();
    }
}

TEST_F(AudioManagerTest, ListQueriesTheServerDoesNotAnswerAreNoUnplug) {
    setup();
    manager_->start();
    ASSERT_TRUE(manager_->setMicDevice("usb-mic"));
    ASSERT_TRUE(manager_->setSpeakerDevice("usb-spk"));
    dispatcher_->runPending();
    observer_.inputLists.clear();
    observer_.outputLists.clear();

    hardware_->listsFail = true;
    tick();
    tick();
    EXPECT_TRUE(observer_.inputLists.empty());
    EXPECT_TRUE(observer_.outputLists.empty());
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("usb-mic"));
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("usb-spk"));
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
    EXPECT_EQ(manager_->audioPlayer()->status(), AudioPlayer::kRunning);

    // Once the server answers again, a real unplug is still seen.
    hardware_->listsFail = false;
    hardware_->inputs.pop_back();
    tick();
    ASSERT_EQ(observer_.inputLists.size(), 1u);
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("builtin-mic"));
}

TEST_F(AudioManagerTest, AnAddedDeviceIsListedWithTheCurrentSelection) {
    setup();
    ASSERT_TRUE(manager_->setSpeakerDevice("usb-spk"));
    hardware_->outputs.insert(hardware_->outputs.begin(),
                              FakeAudioHardware::device("hdmi", "Screen", AudioTransport::HDMI, 48000));
    tick();
    ASSERT_EQ(observer_.outputLists.size(), 1u);
    EXPECT_EQ(observer_.outputLists[0].first.size(), 4);
    EXPECT_EQ(observer_.outputLists[0].second, 3) << "usb-spk after the system entry, hdmi and builtin";
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("usb-spk"));
}

TEST_F(AudioManagerTest, ANewSystemDefaultIsFollowedOnlyWhileTheSystemEntryIsChosen) {
    setup();
    manager_->start();
    hardware_->defaultInput = "usb-mic";
    tick();
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("usb-mic"));
    EXPECT_EQ(view_.changes, (std::vector<std::pair<int, QString>>{{0, "USB Headset"}}));

    ASSERT_TRUE(manager_->setSpeakerDevice("usb-spk"));
    hardware_->defaultOutput = "usb-spk";
    tick();
    hardware_->defaultOutput = "builtin-spk";
    tick();
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("usb-spk")) << "a chosen device stays";
    EXPECT_EQ(view_.changes.size(), 1u);
}

TEST_F(AudioManagerTest, EchoCancelChangesSwitchTheRecorderAndAreSaved) {
    setup();
    manager_->start();
    manager_->setEchoCancelMode(0, 4);
    EXPECT_EQ(manager_->audioRecorder()->mode(), 0);
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
    EXPECT_EQ(manager_->audioInfo().echoCancelMode, 0);
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelMode(), 0);
    EXPECT_EQ(DataSaveManager::loadAudioEchoCancelLevel(), 4);
    dispatcher_->runPending();
    EXPECT_EQ(observer_.modes, std::vector<std::int64_t>{0});

    const int created = hardware_->created;
    manager_->setEchoCancelMode(0, 2);
    EXPECT_EQ(hardware_->created, created) << "an unchanged mode reopens nothing";
    EXPECT_EQ(manager_->audioInfo().echoCancelLevel, 2);

    AudioDeviceInfo usb{"usb-mic", "USB Headset", AUDIO_DEVICE_TYPE_USB, 0};
    manager_->changeAudioSettings(usb, std::nullopt, 1, 4, 0);
    EXPECT_EQ(manager_->audioRecorder()->mode(), 1);
    EXPECT_EQ(manager_->audioRecorder()->currentDeviceUid(), QString("usb-mic"));
    EXPECT_EQ(manager_->audioInfo().currentInputDeviceUid, QString("usb-mic"));
    EXPECT_EQ(DataSaveManager::loadAudioDevice(false), std::nullopt) << "the settings window's choice is not saved";
    EXPECT_EQ(manager_->audioRecorder()->status(), AudioRecorder::kRunning);
}

TEST_F(AudioManagerTest, MixedAudioKeepsFlowingWhileThePlayerIsRebuiltOrReleased) {
    setup();
    manager_->start();
    std::atomic<bool> done{false};
    std::thread mix([&] {
        std::vector<std::uint8_t> pcm(1000, 1);
        while (!done.load()) manager_->playAudio(40, pcm.data(), int(pcm.size()));
    });
    for (int i = 0; i < 20; ++i) manager_->setSpeakerDevice(i % 2 ? "usb-spk" : "builtin-spk");
    manager_->reset();
    done.store(true);
    mix.join();
    EXPECT_EQ(manager_->audioPlayer(), nullptr);
}

TEST_F(AudioManagerTest, WithTheServersEchoFilterPlaybackFeedsTheFiltersSinkUntilEchoCancellingIsOff) {
    hardware_->offerEchoCancel = true;
    setup();
    manager_->start();
    ASSERT_NE(hardware_->capture(), nullptr);
    ASSERT_NE(hardware_->playback(), nullptr);
    EXPECT_EQ(hardware_->capture()->uid, QString("ec:builtin-mic"));
    EXPECT_EQ(hardware_->playback()->uid, QString("ec:builtin-spk")) << "the filter hears what is played";
    EXPECT_TRUE(hardware_->playback()->running);
    EXPECT_EQ(manager_->audioPlayer()->currentDeviceUid(), QString("builtin-spk"));

    manager_->setEchoCancelMode(0, 4);
    EXPECT_EQ(hardware_->echoCancels, 0);
    EXPECT_EQ(hardware_->capture()->uid, QString("builtin-mic"));
    EXPECT_EQ(hardware_->playback()->uid, QString("builtin-spk"));
    EXPECT_TRUE(hardware_->playback()->running);
}

TEST(AudioManagerServerTest, UnloadingTheSelectedDeviceMovesToTheDefaultAndPostsTheList) {
    ensureQtApplication();
    ASSERT_NE(PulseAudioTestServer::get(), nullptr);
    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    devices().setHardware(nullptr);
    devices().terminate();
    Observer observer;
    AudioDeviceNotificatorDispatcher observing(&AudioDeviceNotificator::sharedNotificator());
    observing.setDelegate(&observer);
    Captured captured;
    AudioManager manager(Captured::callback, &captured);
    manager.setup(0, {{"MODE_OPUS", "Y"}});
    manager.start();
    EXPECT_TRUE(manager.audioRecorder()->usesServerEchoCancel());

    struct Case {
        bool output;
        const char* module;
        const char* name;
        const char* fallback;
    } cases[] = {
        {true, "module-null-sink", "quorix_test_headset_out", PulseAudioTestServer::kOutput},
        {false, "module-null-source", "quorix_test_headset_in", PulseAudioTestServer::kPipeInput},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto module = PulseAudioConnection::shared().loadModule(
            c.module, QStringLiteral("%1_name=%2 rate=48000 channels=1").arg(c.output ? "sink" : "source", c.name));
        ASSERT_TRUE(module.has_value());
        dispatcher->advance(AudioDeviceMonitor::kInterval);
        dispatcher->runPending();
        ASSERT_TRUE(c.output ? manager.setSpeakerDevice(c.name) : manager.setMicDevice(c.name));
        auto current = [&] {
            return c.output ? manager.audioPlayer()->currentDeviceUid() : manager.audioRecorder()->currentDeviceUid();
        };
        EXPECT_EQ(current(), QString(c.name));
        observer.inputLists.clear();
        observer.outputLists.clear();

        ASSERT_TRUE(PulseAudioConnection::shared().unloadModule(*module));
        dispatcher->advance(AudioDeviceMonitor::kInterval);
        dispatcher->runPending();
        const auto& lists = c.output ? observer.outputLists : observer.inputLists;
        ASSERT_EQ(lists.size(), 1u);
        EXPECT_EQ(lists[0].second, 0);
        EXPECT_EQ(current(), QString(c.fallback));
        EXPECT_EQ(c.output ? manager.audioInfo().currentOutputDeviceUid : manager.audioInfo().currentInputDeviceUid,
                  kSystemAudioDeviceUid);
    }
    EXPECT_EQ(manager.audioRecorder()->status(), AudioRecorder::kRunning);
    EXPECT_EQ(manager.audioPlayer()->status(), AudioPlayer::kRunning);
    observing.setDelegate(nullptr);
    manager.reset();
    devices().terminate();
}

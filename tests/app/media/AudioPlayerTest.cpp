#include <gtest/gtest.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <thread>

#include "AudioTestSignal.h"
#include "FakeAudioHardware.h"
#include "PulseAudioTestEnvironment.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/AudioDeviceManager.h"
#include "media/AudioPlayer.h"

namespace {

AudioDeviceManager& manager() { return AudioDeviceManager::sharedInstance(); }

QByteArray tone(int rate, double frequency, double amplitude, std::uint64_t first, int samples) {
    QByteArray pcm(samples * 2, 0);
    auto* s = reinterpret_cast<std::int16_t*>(pcm.data());
    for (int i = 0; i < samples; ++i)
        s[i] = std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * M_PI * frequency * double(first + i) / rate)));
    return pcm;
}

}  // namespace

TEST(AudioPlayerServerTest, QueuedAudioComesOutAtTheOutputsMonitorWithItsPitchAndLevel) {
    ensureQtApplication();
    PulseAudioTestServer* server = PulseAudioTestServer::get();
    ASSERT_NE(server, nullptr);
    manager().setHardware(nullptr);
    manager().terminate();
    ASSERT_TRUE(server->pactl(QStringLiteral("set-sink-volume %1 100%").arg(PulseAudioTestServer::kOutput)));

    // The monitor is recorded with the server's simple API, apart from the layer under test.
    pa_sample_spec format{PA_SAMPLE_S16LE, 48000, 1};
    const std::string monitor = std::string(PulseAudioTestServer::kOutput) + ".monitor";
    int error = 0;
    pa_simple* recorder = pa_simple_new(nullptr, "test", PA_STREAM_RECORD, monitor.c_str(), "monitor", &format, nullptr,
                                        nullptr, &error);
    ASSERT_NE(recorder, nullptr) << pa_strerror(error);

    AudioPlayer player;
    ASSERT_EQ(player.setupPlayer(48000, QString(PulseAudioTestServer::kOutput), std::nullopt, false, 20), 0);
    EXPECT_EQ(player.playSampleRate(), 48000.0);
    ASSERT_EQ(player.start(), 0);

    std::atomic<bool> done{false};
    std::thread feeder([&] {
        // 200 ms mixes as the core delivers them, in real time.
        std::uint64_t at = 0;
        auto next = std::chrono::steady_clock::now();
        while (!done.load()) {
            QByteArray mix = tone(48000, 440.0, 0.5, at, 9600);
            at += 9600;
            player.setBuffer(reinterpret_cast<const std::uint8_t*>(mix.constData()), std::uint32_t(mix.size()));
            next += std::chrono::milliseconds(200);
            std::this_thread::sleep_until(next);
        }
    });
    QByteArray recorded(48000 * 2 * 3 / 2, 0);  // 1.5 s
    const bool read = pa_simple_read(recorder, recorded.data(), std::size_t(recorded.size()), &error) == 0;
    done.store(true);
    feeder.join();
    pa_simple_free(recorder);
    player.resetPlayer();
    ASSERT_TRUE(read) << pa_strerror(error);

    // Find where the tone began, then measure the second after it.
    auto all = samplesOf(recorded);
    std::size_t start = 0;
    while (start < all.size() && std::abs(all[start]) < 1000) ++start;
    ASSERT_LT(start + 48000 / 2, all.size()) << "the tone never came out";
    std::vector<std::int16_t> played(all.begin() + std::ptrdiff_t(start + 4800),
                                     all.begin() + std::ptrdiff_t(std::min(all.size(), start + 4800 + 24000)));
    EXPECT_NEAR(toneFrequency(played, 48000), 440.0, 4.0);
    EXPECT_NEAR(rms(played), 0.5 * 32767 / std::sqrt(2.0), 0.05 * 0.5 * 32767);
}

class AudioPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        hardware_ = std::make_shared<FakeAudioHardware>();
        hardware_->outputs = {FakeAudioHardware::device("a", "A", AudioTransport::USB, 48000),
                              FakeAudioHardware::device("b", "B", AudioTransport::USB, 44100),
                              FakeAudioHardware::device("kw-c", "C", AudioTransport::USB, 48000)};
        hardware_->defaultOutput = "a";
        manager().setHardware(hardware_);
        manager().terminate();
    }
    void TearDown() override {
        manager().terminate();
        manager().setHardware(nullptr);
    }
    // A running player on device "a" at 48000 Hz (1920-byte chunks).
    void startPlayer() {
        ASSERT_EQ(player_.setupPlayer(48000, QString("a"), std::nullopt, false, 20), 0);
        ASSERT_EQ(player_.start(), 0);
    }
    // Offers one whole chunk whose samples all hold `marker`.
    void offer(std::int16_t marker) {
        std::vector<std::int16_t> chunk(960, marker);
        player_.setBuffer(reinterpret_cast<const std::uint8_t*>(chunk.data()), 1920);
    }
    // Renders one chunk's worth and answers its first sample.
    std::int16_t renderChunk() {
        std::vector<std::int16_t> out(960, -1);
        player_.render(reinterpret_cast<std::uint8_t*>(out.data()), 1920);
        return out[0];
    }
    std::shared_ptr<FakeAudioHardware> hardware_;
    AudioPlayer player_;
};

TEST_F(AudioPlayerTest, ChunkSizeFollowsTheRoomRate) {
    struct Case {
        std::uint32_t rate, interval, bytes;
    } cases[] = {{48000, 20, 1920}, {11025, 20, 442}, {8000, 20, 320}, {16000, 20, 640}, {8000, 1500, 16000}};
    for (const Case& c : cases) {
        ASSERT_EQ(player_.setupPlayer(c.rate, QString("a"), std::nullopt, false, c.interval), 0);
        EXPECT_EQ(player_.chunkBytes(), c.bytes) << c.rate;
    }
}

TEST_F(AudioPlayerTest, ALongQueueDropsEveryTwentyFifthOfferAboveTwentyFiveAndEverythingAboveFifty) {
    startPlayer();
    for (int i = 1; i <= 80; ++i) offer(std::int16_t(i));
    EXPECT_EQ(player_.postCount(), 80u);
    EXPECT_EQ(player_.queuedCount(), 51u);
    std::vector<std::int16_t> played;
    while (player_.queuedCount() > 0) played.push_back(renderChunk());
    std::vector<std::int16_t> expected;
    for (int i = 1; i <= 52; ++i)
        if (i != 50) expected.push_back(std::int16_t(i));
    // Fetches 15 and 30 happen with more than 14 queued: no repeat; the 45th
    // fetch has 7 left and plays its head twice.
    expected.insert(expected.begin() + 45, expected[44]);
    EXPECT_EQ(played, expected);
    EXPECT_EQ(renderChunk(), 0) << "an empty queue plays silence";
}

TEST_F(AudioPlayerTest, AShortQueueRepeatsTheHeadEveryFifteenthFetch) {
    startPlayer();
    std::vector<std::int16_t> played;
    for (int i = 1; i <= 31; ++i) {
        offer(std::int16_t(i));
        played.push_back(renderChunk());
    }
    std::vector<std::int16_t> expected;
    for (int i = 1; i <= 15; ++i) expected.push_back(std::int16_t(i));
    expected.push_back(15);  // fetch 15: the head twice
    for (int i = 16; i <= 29; ++i) expected.push_back(std::int16_t(i));
    expected.push_back(29);  // fetch 30
    EXPECT_EQ(played, expected);
    EXPECT_EQ(player_.fetchCount(), 31u);
}

TEST_F(AudioPlayerTest, RenderCyclesSplitChunksAndPadWithSilence) {
    startPlayer();
    QByteArray chunk(1920, 0);
    for (int i = 0; i < chunk.size(); ++i) chunk[i] = char(i % 251 + 1);
    // A partial mix waits for the next one to complete the chunk.
    player_.setBuffer(reinterpret_cast<const std::uint8_t*>(chunk.constData()), 1000);
    EXPECT_EQ(player_.queuedCount(), 0u);
    player_.setBuffer(reinterpret_cast<const std::uint8_t*>(chunk.constData()) + 1000, 920);
    EXPECT_EQ(player_.queuedCount(), 1u);

    QByteArray out(1024, char(0x55));
    player_.render(reinterpret_cast<std::uint8_t*>(out.data()), 1024);
    EXPECT_EQ(out, chunk.left(1024));
    player_.render(reinterpret_cast<std::uint8_t*>(out.data()), 1024);
    EXPECT_EQ(out.left(896), chunk.mid(1024));
    EXPECT_EQ(out.mid(896), QByteArray(128, 0));
}

TEST_F(AudioPlayerTest, AudioArrivingWhileNotRunningIsDroppedAndStopEmptiesTheQueue) {
    AudioPlayer fresh;
    EXPECT_EQ(fresh.start(), 1);
    ASSERT_EQ(player_.setupPlayer(48000, QString("a"), std::nullopt, false, 20), 0);
    offer(1);
    EXPECT_EQ(player_.queuedCount(), 0u);
    EXPECT_EQ(player_.postCount(), 0u);
    ASSERT_EQ(player_.start(), 0);
    offer(2);
    offer(3);
    player_.stop();
    EXPECT_EQ(player_.status(), AudioPlayer::kStopped);
    EXPECT_EQ(player_.queuedCount(), 0u);
    EXPECT_EQ(hardware_->playback()->running, false);
}

TEST_F(AudioPlayerTest, DeviceChoiceRetriesOnlyWhenAskedAndBindsALowerRateDeviceAtItsOwnRate) {
    struct Case {
        std::optional<QString> device;
        std::optional<QString> keyword;
        bool retry;
        std::int64_t result;
        QString expected;
        double rate;
    } cases[] = {
        {QString("a"), QString("KW"), false, 0, "kw-c", 48000},
        {QString("a"), QString("none"), false, 0, "a", 48000},
        {std::nullopt, std::nullopt, false, 0, "a", 48000},
        {QString("b"), std::nullopt, false, 0, "b", 44100},
        {QString("gone"), std::nullopt, false, 2, "", -1},
        {QString("gone"), std::nullopt, true, 0, "a", 48000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        AudioPlayer player;
        EXPECT_EQ(player.setupPlayer(48000, c.device, c.keyword, c.retry, 20), c.result);
        EXPECT_EQ(player.currentDeviceUid(), c.expected);
        EXPECT_EQ(player.playSampleRate(), c.rate);
    }
}

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "AudioTestSignal.h"
#include "FakeAudioHardware.h"
#include "PulseAudioTestEnvironment.h"
#include "audio/GSMCodec.h"
#include "audio/OpusCodec.h"
#include "fixtures/app/AppTestSupport.h"
#include "media/AudioDeviceManager.h"
#include "media/AudioRecorder.h"
#include "platform/PulseAudioConnection.h"

namespace {

AudioDeviceManager& manager() { return AudioDeviceManager::sharedInstance(); }

// Collects the chunks the recorder delivers.
struct ChunkSink {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<QByteArray> chunks;
    std::size_t bytes = 0;
    static void callback(const std::uint8_t* pcm, int size, void* user) {
        auto* self = static_cast<ChunkSink*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->chunks.emplace_back(reinterpret_cast<const char*>(pcm), size);
        self->bytes += std::size_t(size);
        self->arrived.notify_all();
    }
    bool waitForBytes(std::size_t wanted, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return bytes >= wanted; });
    }
};

// Encodes and decodes the PCM as the room's codec would.
QByteArray throughCodec(bool opus, int rate, const QByteArray& pcm) {
    QByteArray decoded;
    if (opus) {
        COpusEncoder encoder(rate);
        COpusDecoder decoder(rate);
        const int frame = rate / 50;  // 20 ms
        std::vector<unsigned char> packet(COpusEncoder::kMaxPacketBytes);
        std::vector<std::int16_t> out(std::size_t(COpusDecoder::MaxFrameSamples(rate)));
        const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.constData());
        for (int at = 0; (at + frame) * 2 <= pcm.size(); at += frame) {
            int bytes = encoder.encode(samples + at, frame, packet.data(), int(packet.size()));
            EXPECT_GT(bytes, 0);
            int n = decoder.decode(packet.data(), bytes, out.data(), int(out.size()));
            EXPECT_EQ(n, frame);
            decoded.append(reinterpret_cast<const char*>(out.data()), n * 2);
        }
    } else {
        GSMCodec codec;
        QByteArray gsm(GSMCodec::CalcGsmSizeFromWaveSize(int(pcm.size())), 0);
        EXPECT_TRUE(codec.Encode(reinterpret_cast<const std::int16_t*>(pcm.constData()), int(pcm.size()),
                                 reinterpret_cast<unsigned char*>(gsm.data())));
        decoded.resize(GSMCodec::CalcWaveSizeFromGsmSize(int(gsm.size())));
        EXPECT_TRUE(codec.Decode(reinterpret_cast<const unsigned char*>(gsm.constData()), int(gsm.size()),
                                 reinterpret_cast<std::int16_t*>(decoded.data())));
    }
    return decoded;
}

class AudioRecorderServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensureQtApplication();
        server_ = PulseAudioTestServer::get();
        ASSERT_NE(server_, nullptr);
        manager().setHardware(nullptr);
        manager().terminate();
    }
    PulseAudioTestServer* server_ = nullptr;
};

}  // namespace

TEST_F(AudioRecorderServerTest, AToneOnThePipeIsCapturedInRoomSizedChunksAndKeepsItsPitchThroughTheCodec) {
    struct Case {
        bool opus;
        std::uint32_t rate;
        std::uint32_t chunkBytes;
    } cases[] = {
        {true, 48000, 5760}, {true, 16000, 1920}, {true, 24000, 2880}, {false, 8000, 3200}, {false, 16000, 6400},
    };
    PulseAudioTestServer::PipeWriter writer(server_->pipePath(), 440.0, 0.5);
    ASSERT_TRUE(writer.opened());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.opus ? "opus " : "pcm ") << c.rate);
        ChunkSink sink;
        AudioRecorder recorder;
        ASSERT_EQ(recorder.setupRecorder(0, c.rate, QString(PulseAudioTestServer::kPipeInput), std::nullopt, false, 200,
                                         ChunkSink::callback, &sink, c.opus),
                  0);
        EXPECT_EQ(recorder.status(), AudioRecorder::kSetUp);
        EXPECT_EQ(recorder.recordSampleRate(), double(c.rate));
        EXPECT_EQ(recorder.currentDeviceUid(), QString(PulseAudioTestServer::kPipeInput));
        ASSERT_EQ(recorder.start(), 0);
        const std::size_t second = c.rate * 2;
        ASSERT_TRUE(sink.waitForBytes(second * 6 / 5, std::chrono::seconds(5)));
        recorder.stop();
        EXPECT_EQ(recorder.status(), AudioRecorder::kStopped);

        std::lock_guard<std::mutex> lock(sink.mutex);
        QByteArray pcm;
        for (const QByteArray& chunk : sink.chunks) {
            EXPECT_EQ(std::uint32_t(chunk.size()), c.chunkBytes);
            pcm += chunk;
        }
        // Skip the first 300 ms (the stream settling), then code 600 ms.
        QByteArray steady = pcm.mid(qsizetype(second * 3 / 10), qsizetype(second * 6 / 10));
        auto captured = samplesOf(steady);
        EXPECT_NEAR(toneFrequency(captured, int(c.rate)), 440.0, 4.0);
        EXPECT_NEAR(rms(captured), 0.5 * 32767 / std::sqrt(2.0), 0.1 * 32767 * 0.5);
        auto decoded = samplesOf(throughCodec(c.opus, int(c.rate), steady));
        decoded.erase(decoded.begin(), decoded.begin() + std::ptrdiff_t(c.rate / 10));  // codec start-up
        EXPECT_NEAR(toneFrequency(decoded, int(c.rate)), 440.0, 4.0);
        EXPECT_GT(rms(decoded), rms(captured) * 0.5);
    }
}

TEST_F(AudioRecorderServerTest, ARoomRateAboveTheDevicesIsCapturedAtTheDevicesOwnRate) {
    ChunkSink sink;
    AudioRecorder recorder;
    ASSERT_EQ(recorder.setupRecorder(0, 96000, QString(PulseAudioTestServer::kNullInput), std::nullopt, false, 200,
                                     ChunkSink::callback, &sink, true),
              0);
    EXPECT_EQ(recorder.recordSampleRate(), 48000.0);
    EXPECT_EQ(recorder.deviceSampleRate(), 48000.0);
    EXPECT_EQ(recorder.chunkBytes(), 5760u);
    ASSERT_EQ(recorder.start(), 0);
    EXPECT_TRUE(sink.waitForBytes(5760 * 2, std::chrono::seconds(5)));
}

TEST_F(AudioRecorderServerTest, EchoCancellingCapturesThroughTheServersFilterUntilReset) {
    ChunkSink sink;
    PulseAudioTestServer::PipeWriter writer(server_->pipePath(), 440.0, 0.3);
    auto filters = [] {
        int n = 0;
        for (const auto& s : PulseAudioConnection::shared().sources().value_or(std::vector<PulseAudioDeviceInfo>{}))
            n += s.deviceClass == "filter";
        return n;
    };
    {
        AudioRecorder recorder;
        ASSERT_EQ(recorder.setupRecorder(1, 16000, QString(PulseAudioTestServer::kPipeInput), std::nullopt, false, 200,
                                         ChunkSink::callback, &sink, true),
                  0);
        EXPECT_TRUE(recorder.usesServerEchoCancel());
        EXPECT_EQ(recorder.mode(), 1);
        EXPECT_EQ(recorder.currentDeviceUid(), QString(PulseAudioTestServer::kPipeInput));
        EXPECT_EQ(filters(), 1);
        ASSERT_EQ(recorder.start(), 0);
        EXPECT_TRUE(sink.waitForBytes(1920 * 5, std::chrono::seconds(5)));

        // Switching to the plain unit removes the filter and keeps capturing the same device.
        ASSERT_EQ(recorder.changeRecorderMode(0), 0);
        EXPECT_EQ(recorder.status(), AudioRecorder::kRunning);
        EXPECT_FALSE(recorder.usesServerEchoCancel());
        EXPECT_EQ(filters(), 0);
        ASSERT_EQ(recorder.changeRecorderMode(1), 0);
        EXPECT_EQ(filters(), 1);
    }
    EXPECT_EQ(filters(), 0);
}

// The recorder's own rules, on hardware in memory.
class AudioRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        hardware_ = std::make_shared<FakeAudioHardware>();
        hardware_->inputs = {FakeAudioHardware::device("a", "A", AudioTransport::USB, 48000),
                             FakeAudioHardware::device("b", "B", AudioTransport::USB, 48000),
                             FakeAudioHardware::device("kw-c", "C", AudioTransport::USB, 48000)};
        hardware_->defaultInput = "b";
        manager().setHardware(hardware_);
        manager().terminate();
        manager().getInputDevices();
    }
    void TearDown() override {
        manager().terminate();
        manager().setHardware(nullptr);
    }
    std::shared_ptr<FakeAudioHardware> hardware_;
};

TEST_F(AudioRecorderTest, DeviceChoiceFollowsKeywordThenGivenThenDefaultThenTheOthers) {
    struct Case {
        std::optional<QString> device;
        std::optional<QString> keyword;
        std::vector<QString> missing;
        QString expected;
    } cases[] = {
        {QString("a"), QString("KW"), {}, "kw-c"},       // the keyword wins
        {QString("a"), QString("nothing"), {}, "a"},     // an unmatched keyword falls back to the device
        {std::nullopt, std::nullopt, {}, "b"},           // no device: the default
        {QString("gone"), std::nullopt, {}, "a"},        // an unknown device: the others in order
        {QString("a"), std::nullopt, {"a"}, "b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        SetUp();
        for (const QString& m : c.missing) {
            auto& in = hardware_->inputs;
            in.erase(std::remove_if(in.begin(), in.end(), [&](const auto& d) { return d.uid == m; }), in.end());
        }
        ChunkSink sink;
        AudioRecorder recorder;
        EXPECT_EQ(recorder.setupRecorder(0, 48000, c.device, c.keyword, false, 200, ChunkSink::callback, &sink, false),
                  0);
        EXPECT_EQ(recorder.currentDeviceUid(), c.expected);
    }
    hardware_->inputs.clear();
    AudioRecorder recorder;
    EXPECT_EQ(recorder.setupRecorder(0, 48000, QString("a"), std::nullopt, false, 200, nullptr, nullptr, false),
              AUDIO_SETUP_ERR_UNIT);
    EXPECT_EQ(recorder.status(), AudioRecorder::kNotSetUp);
    EXPECT_EQ(recorder.start(), 1);
}

TEST_F(AudioRecorderTest, CaptureCyclesAreCutIntoChunksAndARunningRecorderRestartsOnNewSetUp) {
    ChunkSink sink;
    AudioRecorder recorder;
    ASSERT_EQ(recorder.setupRecorder(0, 8000, QString("a"), std::nullopt, false, 200, ChunkSink::callback, &sink, false),
              0);
    ASSERT_EQ(recorder.chunkBytes(), 3200u);
    ASSERT_EQ(recorder.start(), 0);
    FakeAudioHardware::Stream* stream = hardware_->capture();
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->rate, 8000);
    std::vector<std::uint8_t> cycle(1001);  // an odd byte count: the last byte is no sample
    for (std::size_t i = 0; i < cycle.size(); ++i) cycle[i] = std::uint8_t(i);
    for (int i = 0; i < 7; ++i) stream->capture(cycle.data(), cycle.size());  // 7000 bytes: two chunks
    ASSERT_TRUE(sink.waitForBytes(6400, std::chrono::seconds(2)));
    {
        std::lock_guard<std::mutex> lock(sink.mutex);
        ASSERT_EQ(sink.chunks.size(), 2u);
        EXPECT_EQ(std::uint8_t(sink.chunks[0][999]), 999 % 256);
        EXPECT_EQ(std::uint8_t(sink.chunks[0][1000]), 0) << "the odd byte is not used";
    }
    // A new set-up of a running recorder runs again, on the new device.
    ASSERT_EQ(recorder.setupRecorder(0, 8000, QString("b"), std::nullopt, false, 200, ChunkSink::callback, &sink, false),
              0);
    EXPECT_EQ(recorder.status(), AudioRecorder::kRunning);
    ASSERT_NE(hardware_->capture(), nullptr);
    EXPECT_EQ(hardware_->capture()->uid, QString("b"));
    recorder.resetRecorder();
    EXPECT_EQ(hardware_->capture(), nullptr);
    EXPECT_EQ(recorder.recordSampleRate(), -1.0);
    recorder.stop();  // changes nothing when not running
    EXPECT_EQ(recorder.status(), AudioRecorder::kNotSetUp);
}

TEST_F(AudioRecorderTest, AnIntervalAboveASecondDoesNotDivideByZero) {
    AudioRecorder recorder;
    ASSERT_EQ(recorder.setupRecorder(0, 8000, QString("a"), std::nullopt, false, 1500, ChunkSink::callback, nullptr,
                                     false),
              0);
    EXPECT_EQ(recorder.chunkBytes(), 16000u);
}

namespace {
int echoCalls = 0;
void echoCapture(std::int16_t* pcm, int samples, void*) {
    ++echoCalls;
    for (int i = 0; i < samples; ++i) pcm[i] = 7;
}
void echoPlayback(const std::int16_t*, int, void*) {}
}  // namespace

TEST_F(AudioRecorderTest, WithoutTheServersFilterEchoCancellingGoesThroughTheCoresFunctions) {
    struct Case {
        bool serverOffers;
        std::int64_t mode;
        bool server, core;
    } cases[] = {{true, 1, true, false}, {false, 1, false, true}, {false, 0, false, false}, {true, 0, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.serverOffers << " mode " << c.mode);
        hardware_->offerEchoCancel = c.serverOffers;
        hardware_->outputs = {FakeAudioHardware::device("out", "Out", AudioTransport::USB, 48000)};
        hardware_->defaultOutput = "out";
        echoCalls = 0;
        ChunkSink sink;
        AudioRecorder recorder;
        recorder.setEchoFunctions({echoCapture, echoPlayback, nullptr});
        ASSERT_EQ(recorder.setupRecorder(c.mode, 8000, QString("a"), std::nullopt, false, 200, ChunkSink::callback,
                                         &sink, false),
                  0);
        EXPECT_EQ(recorder.usesServerEchoCancel(), c.server);
        EXPECT_EQ(recorder.usesCoreEchoCancel(), c.core);
        EXPECT_EQ(recorder.currentDeviceUid(), QString("a"));
        ASSERT_EQ(recorder.start(), 0);
        ASSERT_NE(hardware_->capture(), nullptr);
        EXPECT_EQ(hardware_->capture()->uid, c.server ? QString("ec:a") : QString("a"));
        std::vector<std::uint8_t> cycle(3200, 1);
        hardware_->capture()->capture(cycle.data(), cycle.size());
        ASSERT_TRUE(sink.waitForBytes(3200, std::chrono::seconds(2)));
        std::lock_guard<std::mutex> lock(sink.mutex);
        EXPECT_EQ(echoCalls, c.core ? 1 : 0);
        EXPECT_EQ(reinterpret_cast<const std::int16_t*>(sink.chunks[0].constData())[0], c.core ? 7 : 0x0101);
    }
    EXPECT_EQ(hardware_->echoCancels, 0) << "every filter removed";
}

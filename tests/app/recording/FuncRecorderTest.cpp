// The recorder against ffprobe: containers, tracks, durations on an injected
// clock; bit-rate and split tables; the split size; files that exist already;
// stops before the first sample; the audio-only start.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <mutex>
#include <random>

#include "app/recording/RecordingTestSupport.h"
#include "fixtures/app/AppTestSupport.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "recording/FuncRecorder.h"
#include "recording/RecordingRules.h"

using namespace std::chrono_literals;

namespace {

struct Delegate : FuncRecorderDelegate {
    void onStopFromScreenCapture(std::int64_t target) override { screenStops.push_back(target); }
    void onStopTimer(FuncRecorder*) override { ++timerStops; }
    void onDivideFile(FuncRecorder* recorder) override {
        ++divides;
        dividedAtBytes = QFileInfo(recorder->filePath()).size();
    }
    void onRecoderError(const QString& error) override {
        std::lock_guard lock(mutex);
        errors << error;
    }
    std::vector<std::int64_t> screenStops;
    int timerStops = 0;
    int divides = 0;
    qint64 dividedAtBytes = 0;
    std::mutex mutex;
    QStringList errors;
};

struct FakeScreen : RecordingScreenCapture {
    void setRecordingDelegate(RecordingScreenConsumer* c) override {
        calls << (c ? "delegate" : "nodelegate");
    }
    void startModeRecordingDesktop() override { calls << "startDesktop"; }
    void startModeRecordingApp() override { calls << "startApp"; }
    void stopModeRecordingDesktop() override { calls << "stopDesktop"; }
    void stopModeRecordingApp() override { calls << "stopApp"; }
    void terminate() override { calls << "terminate"; }
    QStringList calls;
};

class FuncRecorderTest : public ::testing::Test {
protected:
    FuncRecorderTest() { ensureQtApplication(); }

    RecorderParams params(std::int64_t fileType, const QString& name) {
        RecorderParams p;
        p.filePath = dir.filePath(name);
        p.fileType = fileType;
        p.width = 640;
        p.height = 480;
        return p;
    }

    // Ten seconds: 15 frames a second and 20 ms of microphone (a tone) and
    // speaker (silence) at 48 kHz, all stamped by the test clock.
    void feedTenSeconds(FuncRecorder& recorder, bool video, bool audio) {
        const std::int64_t start = clock.now.load();
        int frame = 0;
        for (int chunk = 0; chunk < 500; ++chunk) {
            const std::int64_t t = start + chunk * 20'000'000LL;
            clock.now = t;
            while (video && start + frame * 1'000'000'000LL / 15 <= t) {
                ASSERT_TRUE(waitReady(recorder, true));
                ASSERT_EQ(recorder.recordVideo(
                              VideoSample{testFrame(640, 480, frame), start + frame * 1'000'000'000LL / 15}),
                          Rec::REC_APPEND_OK);
                ++frame;
            }
            if (audio) {
                ASSERT_TRUE(waitReady(recorder, false));
                ASSERT_EQ(
                    recorder.recordMic(AudioSample{tone(48000, 960, 440, 0.5, chunk * 960LL), 48000, t}),
                    Rec::REC_APPEND_OK);
                ASSERT_TRUE(waitReady(recorder, false));
                ASSERT_EQ(recorder.recordSpk(AudioSample{tone(48000, 960, 0, 0, 0), 48000, t}),
                          Rec::REC_APPEND_OK);
            }
        }
        clock.now = start + 10'000'000'000LL;
    }

    TemporaryHome home;
    ScopedManualDispatcher dispatcher;
    QTemporaryDir dir;
    TestClock clock;
    Delegate delegate;
};

struct ContainerCase {
    std::int64_t fileType;
    const char* name;
    const char* formatName;  // part of ffprobe's format_name
    bool video, audio;
};

TEST_F(FuncRecorderTest, TenSecondsReadBackWithTheirTracks) {
    const ContainerCase cases[] = {
        {Rec::REC_FILE_TYPE_MP4, "ten.mp4", "mp4", true, true},
        {Rec::REC_FILE_TYPE_MOV, "ten.mov", "mov", true, true},
        {Rec::REC_FILE_TYPE_AUDIO, "ten.m4a", "m4a", false, true},
        {Rec::REC_FILE_TYPE_VIDEO, "video.mp4", "mp4", true, false},
        {7, "other.mov", "mov", true, true},  // unknown types are QuickTime movies
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto recorder = FuncRecorder::create(params(c.fileType, QString::fromLatin1(c.name)), clock.fn());
        recorder->setDelegate(&delegate);
        feedTenSeconds(*recorder, c.video, c.audio);
        recorder->stop();
        ASSERT_TRUE(recorder->waitUntilFinished(120s));
        const QJsonObject probed = probe(recorder->filePath());
        ASSERT_FALSE(probed.isEmpty());
        const QJsonObject format = probed.value(QStringLiteral("format")).toObject();
        EXPECT_TRUE(
            format.value(QStringLiteral("format_name")).toString().contains(QLatin1String(c.formatName)));
        EXPECT_NEAR(format.value(QStringLiteral("duration")).toString().toDouble(), 10.0, 0.1);
        const QJsonArray video = streamsOf(probed, QStringLiteral("video"));
        const QJsonArray audio = streamsOf(probed, QStringLiteral("audio"));
        ASSERT_EQ(video.size(), c.video ? 1 : 0);
        ASSERT_EQ(audio.size(), c.audio ? 2 : 0);
        if (c.video) {
            const QJsonObject v = video[0].toObject();
            EXPECT_EQ(v.value(QStringLiteral("codec_name")).toString(), u"h264");
            EXPECT_EQ(v.value(QStringLiteral("width")).toInt(), 640);
            EXPECT_EQ(v.value(QStringLiteral("height")).toInt(), 480);
            EXPECT_NEAR(v.value(QStringLiteral("duration")).toString().toDouble(), 10.0, 0.1);
        }
        QStringList names;
        for (const auto& a : audio) {
            const QJsonObject s = a.toObject();
            EXPECT_EQ(s.value(QStringLiteral("codec_name")).toString(), u"aac");
            EXPECT_EQ(s.value(QStringLiteral("channels")).toInt(), 1);
            EXPECT_EQ(s.value(QStringLiteral("sample_rate")).toString(), u"44100");
            EXPECT_NEAR(s.value(QStringLiteral("duration")).toString().toDouble(), 10.0, 0.1);
            names << s.value(QStringLiteral("tags"))
                         .toObject()
                         .value(QStringLiteral("handler_name"))
                         .toString();
        }
        if (c.audio) {
            EXPECT_EQ(names, (QStringList{QStringLiteral("mic"), QStringLiteral("spk")}));
        }
        std::lock_guard lock(delegate.mutex);
        EXPECT_TRUE(delegate.errors.isEmpty());
    }
}

TEST(RecordingRulesTest, BitRates) {
    struct Case {
        int height, quality, expected;
    };
    const Case video[] = {{360, 10, 1000000}, {361, 10, 2500000},    {480, 10, 2500000},
                          {720, 10, 5000000}, {1080, 10, 10000000},  {1440, 10, 18000000},
                          {2160, 1, 4000000}, {2161, 20, 180000000}, {720, 3, 1500000},
                          {480, 7, 1750000},  {1080, 13, 13000000}};
    for (const auto& c : video) EXPECT_EQ(Rec::videoBitRate(c.height, c.quality), c.expected) << c.height;
    const std::pair<int, int> audio[] = {
        {128, 128000}, {160, 160000}, {192, 192000}, {96, 96000}, {100, 96000}};
    for (auto [kbps, rate] : audio) EXPECT_EQ(Rec::audioBitRate(kbps), rate) << kbps;
}

TEST(RecordingRulesTest, SplitSizes) {
    // A stored value of 0 or below (an absent key reads 0) would split at every append.
    const std::pair<std::int64_t, std::int64_t> cases[] = {{1024, 952}, {151, 140}, {150, 135}, {100, 85},
                                                           {101, 91},   {1, 1},     {0, 952},   {-5, 952}};
    for (auto [v, limit] : cases) EXPECT_EQ(Rec::divideValue(v), limit) << v;
    EXPECT_EQ(Rec::fileSizeMegabytes(499999), 0);
    EXPECT_EQ(Rec::fileSizeMegabytes(500000), 1);
    EXPECT_EQ(Rec::fileSizeMegabytes(951500000), 952);
}

TEST_F(FuncRecorderTest, SplitSizeCallsOnDivideFile) {
    UserDefaults::standard().setInteger(QStringLiteral("KeyRecordingMovRotateVal"), 1);  // limit 1 MB
    auto recorder =
        FuncRecorder::create(params(Rec::REC_FILE_TYPE_MOV, QStringLiteral("split.mov")), clock.fn());
    recorder->setDelegate(&delegate);
    std::mt19937 random(7);
    QImage noise(640, 480, QImage::Format_RGB32);
    for (int frame = 0; frame < 2000 && delegate.divides == 0; ++frame) {
        for (int y = 0; y < noise.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(noise.scanLine(y));
            for (int x = 0; x < noise.width(); ++x) line[x] = random();
        }
        clock.now += 66'666'667;
        ASSERT_TRUE(waitReady(*recorder, true));
        ASSERT_EQ(recorder->recordVideo(VideoSample{noise, clock.now}), Rec::REC_APPEND_OK);
    }
    EXPECT_EQ(recorder->divideValueMb(), 1);
    EXPECT_EQ(delegate.divides, 1);
    EXPECT_GE(delegate.dividedAtBytes, 500000);
    recorder->stop();
    ASSERT_TRUE(recorder->waitUntilFinished(60s));
}

TEST_F(FuncRecorderTest, AbsentOrZeroSplitValueDoesNotSplitEveryAppend) {
    for (const bool stored : {false, true}) {
        if (stored) UserDefaults::standard().setInteger(QStringLiteral("KeyRecordingMp4RotateVal"), 0);
        auto recorder =
            FuncRecorder::create(params(Rec::REC_FILE_TYPE_MP4,
                                        stored ? QStringLiteral("zero.mp4") : QStringLiteral("absent.mp4")),
                                 clock.fn());
        recorder->setDelegate(&delegate);
        for (int frame = 0; frame < 10; ++frame) {
            clock.now += 66'666'667;
            ASSERT_TRUE(waitReady(*recorder, true));
            EXPECT_EQ(recorder->recordVideo(VideoSample{testFrame(640, 480, frame), clock.now}),
                      Rec::REC_APPEND_OK);
        }
        EXPECT_TRUE(recorder->isDivide());
        EXPECT_EQ(recorder->divideValueMb(), 952);
        EXPECT_EQ(delegate.divides, 0);
        recorder->stop();
        ASSERT_TRUE(recorder->waitUntilFinished(60s));
    }
}

TEST_F(FuncRecorderTest, Mp4RotateOneNeverSplitsButMovDoes) {
    UserDefaults::standard().setInteger(QStringLiteral("KeyRecordingMp4Rotate"), 1);
    auto mp4 = FuncRecorder::create(params(Rec::REC_FILE_TYPE_MP4, QStringLiteral("a.mp4")), clock.fn());
    auto mov = FuncRecorder::create(params(Rec::REC_FILE_TYPE_MOV, QStringLiteral("a.mov")), clock.fn());
    for (auto* r : {mp4.get(), mov.get()}) {
        clock.now += 1000;
        r->recordVideo(VideoSample{testFrame(640, 480, 0), clock.now});
        r->stop();
        ASSERT_TRUE(r->waitUntilFinished(60s));
    }
    EXPECT_FALSE(mp4->isDivide());
    EXPECT_TRUE(mov->isDivide());
}

TEST_F(FuncRecorderTest, ExistingFileIsLeftUntouched) {
    const QString path = dir.filePath(QStringLiteral("exists.mp4"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep me");
    }
    RecorderParams p = params(Rec::REC_FILE_TYPE_MP4, QStringLiteral("exists.mp4"));
    auto recorder = FuncRecorder::create(p, clock.fn());
    EXPECT_EQ(recorder->recordVideo(VideoSample{testFrame(640, 480, 0), clock.now}), Rec::REC_APPEND_FAILED);
    // A failed writer stays failed, for every entry.
    EXPECT_EQ(recorder->recordVideo(VideoSample{testFrame(640, 480, 1), clock.now + 1}),
              Rec::REC_APPEND_FAILED);
    recorder->stop();
    EXPECT_TRUE(recorder->waitUntilFinished(10s));
    EXPECT_EQ(recorder->recordVideo(VideoSample{testFrame(640, 480, 2), clock.now + 2}),
              Rec::REC_APPEND_STOPPED);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("keep me"));
}

TEST_F(FuncRecorderTest, StopBeforeTheFirstSampleLeavesNoFileAndEndsTheScreenMode) {
    FakeScreen screen;
    RecorderParams p = params(Rec::REC_FILE_TYPE_MOV, QStringLiteral("desktop.mov"));
    p.targetType = Rec::REC_TARGET_DESKTOP;
    auto recorder = FuncRecorder::create(p, clock.fn(), &screen);
    EXPECT_EQ(screen.calls, (QStringList{"delegate", "startDesktop"}));
    recorder->stop();
    EXPECT_EQ(screen.calls,
              (QStringList{"delegate", "startDesktop", "stopDesktop", "nodelegate", "terminate"}));
    EXPECT_FALSE(QFileInfo::exists(p.filePath));
    recorder.reset();
    EXPECT_EQ(screen.calls.size(), 5);
}

TEST_F(FuncRecorderTest, AudioOnlyStartsAtItsFirstAudioSample) {
    auto recorder =
        FuncRecorder::create(params(Rec::REC_FILE_TYPE_AUDIO, QStringLiteral("a.m4a")), clock.fn());
    EXPECT_EQ(recorder->recordVideo(VideoSample{testFrame(640, 480, 0), clock.now}), Rec::REC_APPEND_OK);
    EXPECT_FALSE(recorder->isRec());
    EXPECT_FALSE(QFileInfo::exists(recorder->filePath()));
    EXPECT_EQ(recorder->recordSpk(AudioSample{tone(48000, 960, 0, 0, 0), 48000, clock.now}),
              Rec::REC_APPEND_OK);
    EXPECT_TRUE(recorder->isRec());
    EXPECT_TRUE(QFileInfo::exists(recorder->filePath()));
    recorder->stop();
    ASSERT_TRUE(recorder->waitUntilFinished(60s));
}

TEST(FuncRecorderScaleTest, WideImagesScaleTo1920) {
    EXPECT_EQ(FuncRecorder::scaledForRecording(QImage(1920, 1200, QImage::Format_RGB32)).size(),
              QSize(1920, 1200));
    EXPECT_EQ(FuncRecorder::scaledForRecording(QImage(3840, 2160, QImage::Format_RGB32)).size(),
              QSize(1920, 1080));
    EXPECT_EQ(FuncRecorder::scaledForRecording(QImage(1921, 1081, QImage::Format_RGB32)).width(), 1920);
}

}  // namespace

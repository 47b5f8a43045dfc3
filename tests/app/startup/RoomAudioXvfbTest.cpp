// The running program's sound in the demo room: scripts/run.sh on a private X
// display with a private PulseAudio server (null output, pipe input). The
// scripted participants' tones must come out of the output (recorded from its
// monitor), and a tone the test plays into the pipe input, the microphone,
// must reach a scripted participant (it writes what it hears into the room's
// log).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "fixtures/app/XvfbSupport.h"
#include "app/media/PulseAudioTestEnvironment.h"
#include "fixtures/ToneAnalysis.h"
#include "fixtures/app/PulseAudioTestServer.h"

namespace {

using namespace std::chrono_literals;

constexpr double kMicHz = 1000;  // not one of the participants' tones (440, 660)

// The strongest tone of the last `seconds` of a raw 48 kHz mono recording;
// 0 when that part is quiet.
int recentTone(const QString& path, int seconds) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const qint64 want = qint64(PulseAudioTestServer::kRate) * 2 * seconds;
    if (f.size() > want) f.seek((f.size() - want) & ~qint64(1));
    const QByteArray bytes = f.readAll();
    std::vector<int16_t> pcm(size_t(bytes.size() / 2));
    if (pcm.empty()) return 0;
    std::memcpy(pcm.data(), bytes.constData(), pcm.size() * 2);
    const std::vector<int16_t> loud = quorix::test::LoudPart(pcm, PulseAudioTestServer::kRate, 300);
    if (loud.size() < size_t(PulseAudioTestServer::kRate / 4)) return 0;
    return int(quorix::test::PeakFrequency(loud, PulseAudioTestServer::kRate, 100, 2000));
}

// The tones the participants report hearing in the room's log.
std::vector<int> heardTones(const QString& log) {
    QFile f(log);
    std::vector<int> tones;
    if (!f.open(QIODevice::ReadOnly)) return tones;
    static const QRegularExpression line(QStringLiteral("demo-room: \\S+ hears (\\d+) Hz"));
    auto it = line.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) tones.push_back(it.next().captured(1).toInt());
    return tones;
}

TEST(RoomAudioXvfb, TheOthersAreHeardAndTheMicrophoneReachesThem) {
    const std::string source = QUORIX_SOURCE_DIR;
    const std::string build = QUORIX_TEST_BINARY_DIR;
    if (!QFile::exists(QString::fromStdString(build + "/tools/demo-room/quorix_demo_room")))
        GTEST_SKIP() << "built without the demo room";
    PulseAudioTestServer* pulse = PulseAudioTestServer::get();
    ASSERT_NE(pulse, nullptr) << "the private PulseAudio server did not start";
    xvfb::Server server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";

    const QString folder = pulse->folder();
    const std::string out = build + "/ui-screenshots";
    QDir().mkpath(QString::fromStdString(out));
    const std::string log = out + "/room-audio-xvfb.log";
    const std::string roomLog = out + "/room-audio-demo-room.log";
    QFile::remove(QString::fromStdString(roomLog));
    const std::string home = folder.toStdString() + "/home";
    QDir().mkpath(QString::fromStdString(home));
    xvfb::ProcessGroup run(
        {source + "/scripts/run.sh"},
        {"DISPLAY=" + server.display().toStdString(), "QT_QPA_PLATFORM=xcb", "QUORIX_BUILD_DIR=" + build,
         // Settings and logs of a user of its own; the runtime folder (the
         // single-instance socket) is the PulseAudio server's private one.
         "QUORIX_DEMO_LOG=" + roomLog, "XDG_CONFIG_HOME=" + home + "/config",
         "XDG_DATA_HOME=" + home + "/data"},
        log);

    // What the client plays, recorded from the output's monitor.
    const QString recording = folder + QStringLiteral("/played.raw");
    xvfb::ProcessGroup record(
        {"parec", std::string("--device=") + PulseAudioTestServer::kOutput + ".monitor", "--raw",
         "--rate=48000", "--channels=1", "--format=s16le", recording.toStdString()},
        {}, folder.toStdString() + "/parec.log");
    // The user's microphone: a steady tone into the pipe input.
    PulseAudioTestServer::PipeWriter microphone(pulse->pipePath(), kMicHz, 0.8);
    ASSERT_TRUE(microphone.opened());

    std::vector<int> played;
    bool micHeard = false;
    const auto end = std::chrono::steady_clock::now() + 180s;
    while (std::chrono::steady_clock::now() < end && run.running()) {
        std::this_thread::sleep_for(1s);
        const int tone = recentTone(recording, 2);
        if (tone != 0 && (std::abs(tone - 440) <= 10 || std::abs(tone - 660) <= 10)) played.push_back(tone);
        for (int hz : heardTones(QString::fromStdString(roomLog)))
            if (std::abs(hz - int(kMicHz)) <= 15) micHeard = true;
        if (!played.empty() && micHeard) break;
    }
    run.stop();
    record.stop();
    EXPECT_FALSE(played.empty()) << "no participant's tone came out of the output; see " << log << " and "
                                 << roomLog;
    EXPECT_TRUE(micHeard) << "no participant heard the microphone's " << kMicHz << " Hz; see " << roomLog;
}

}  // namespace

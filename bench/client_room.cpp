// The whole client in a room: the demo room with 2, 4 and 8 scripted
// participants (640 x 480 at 15 pictures a second each), the real client
// program joined through the room's link on a private Xvfb display. For each
// room size it reports
//   - the client's CPU (user + system time of the process and its threads) in
//     % of one core over a steady window after the first remote picture;
//   - its resident memory at the end of that window;
//   - the time from launch to the first remote picture on the screen (the
//     participants' moving yellow square seen in a screen grab), min / median
//     / max over several launches;
// and, in the same run, the bare anchor: the same number of streams (the same
// pattern coded with the same encoder) decoded with libavcodec, converted with
// libswscale and painted with a bare QPainter::drawImage into widgets of the
// client's tile size, timed at 15 pictures a second per stream.
//
//   bench_client_room [seconds=60] [launches=5] [sizes=2,4,8] [build=DIR] [client=PATH]
// build names the configured tree with app/quorix and tools/demo-room
// (default: this program's tree), client another client program to measure
// in that room. Run it on an otherwise quiet machine.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include "fixtures/ClientProcess.h"
#include "fixtures/VideoPattern.h"
#include "fixtures/app/XvfbSupport.h"
#include "video/H264Encoder.h"

namespace {

using Clock = std::chrono::steady_clock;
using quorix::test::ClientProcess;
constexpr int kWidth = 640, kHeight = 480, kFps = 15;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// CPU seconds (user + system) of a process, all its threads.
double processCpu(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Resident memory in MB.
double residentMb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// The participants' moving square is (230, 220, 60); each tile shows one.
struct Seen {
    int squarePixels = 0;
    QRect box;  // the squares' bounding box
};
Seen seeSquares(const QImage& shot) {
    Seen seen;
    for (int y = 0; y < shot.height(); y += 2) {
        const QRgb* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); x += 2) {
            const QRgb p = row[x];
            if (std::abs(qRed(p) - 230) < 25 && std::abs(qGreen(p) - 220) < 25 && qBlue(p) < 110) {
                ++seen.squarePixels;
                seen.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return seen;
}

struct ClientRun {
    double firstPicture = -1;  // seconds from launch, -1: none seen
    double cpuPercent = 0;
    double rssMb = 0;
};

ClientRun runClient(const std::string& build, const std::string& program, const QString& display,
                    int participants, int seconds) {
    ClientRun run;
    ClientProcess room(build + "/tools/demo-room/quorix_demo_room",
                       {"participants=" + std::to_string(participants)});
    const std::string link = room.waitLine("quorix://", 60000);
    if (link.empty()) {
        std::fprintf(stderr, "the demo room gave no link\n");
        return run;
    }
    QTemporaryDir home;
    const std::string h = home.path().toStdString();
    QDir().mkpath(home.path() + "/run");
    ::chmod((h + "/run").c_str(), 0700);
    xvfb::ProcessGroup client(
        {program, link},
        {"DISPLAY=" + display.toStdString(), "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + h + "/config",
         "XDG_DATA_HOME=" + h + "/data", "XDG_RUNTIME_DIR=" + h + "/run", "HOME=" + h},
        h + "/client.log");
    const auto launched = Clock::now();
    while (secondsSince(launched) < 30 && client.running()) {
        if (seeSquares(xvfb::grabScreen(display)).squarePixels > 60) {
            run.firstPicture = secondsSince(launched);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (seconds > 0 && run.firstPicture >= 0) {
        // Every participant's stream settles (its next key frame) first.
        std::this_thread::sleep_for(std::chrono::seconds(6));
        const double cpu0 = processCpu(client.pid());
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        run.cpuPercent = 100.0 * (processCpu(client.pid()) - cpu0) / secondsSince(t0);
        run.rssMb = residentMb(client.pid());
        const QImage shot = xvfb::grabScreen(display);
        shot.save(
            QString::fromStdString(build + "/bench-client-room-" + std::to_string(participants) + ".png"));
    }
    client.stop();
    ::kill(room.pid(), SIGTERM);
    room.finish();
    return run;
}

// One coded stream: the participant's pattern, key frame every 5 s.
std::vector<std::vector<uint8_t>> codedStream(int frames) {
    CH264Encoder encoder;
    std::vector<std::vector<uint8_t>> out;
    for (int f = 0; f < frames; ++f) {
        const std::vector<uint8_t> rgb = MakeVideoPattern(kWidth, kHeight, f);
        const int n = encoder.Encode(rgb.data(), kWidth, kHeight, kWidth, kHeight, 64000, kFps, 0,
                                     f % (5 * kFps) == 0, 0);
        if (n <= 0) continue;
        std::vector<uint8_t> packet(size_t(n) + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        encoder.GetEncodeBuffer(packet.data());
        packet.resize(size_t(n));
        out.push_back(std::move(packet));
    }
    return out;
}

class AnchorTile : public QWidget {
public:
    QImage picture;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), picture);
    }
};

struct AnchorStream {
    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* sws = nullptr;
    AnchorTile tile;
    size_t next = 0;
};

struct AnchorRun {
    double cpuPercent = 0;
    double rssMb = 0;
};

AnchorRun runAnchor(int streams, QSize tileSize, int seconds,
                    const std::vector<std::vector<uint8_t>>& coded) {
    const double rss0 = residentMb(::getpid());
    std::vector<std::unique_ptr<AnchorStream>> all;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    for (int i = 0; i < streams; ++i) {
        auto s = std::make_unique<AnchorStream>();
        s->context = avcodec_alloc_context3(codec);
        avcodec_open2(s->context, codec, nullptr);
        s->frame = av_frame_alloc();
        s->packet = av_packet_alloc();
        s->tile.resize(tileSize);
        s->tile.move(20 + (i % 4) * (tileSize.width() + 4), 20 + (i / 4) * (tileSize.height() + 4));
        s->tile.show();
        all.push_back(std::move(s));
    }
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (auto& s : all) {
            const std::vector<uint8_t>& data = coded[s->next++ % coded.size()];
            s->packet->data = const_cast<uint8_t*>(data.data());
            s->packet->size = int(data.size());
            if (avcodec_send_packet(s->context, s->packet) < 0) continue;
            if (avcodec_receive_frame(s->context, s->frame) != 0) continue;
            if (s->tile.picture.size() != QSize(s->frame->width, s->frame->height))
                s->tile.picture = QImage(s->frame->width, s->frame->height, QImage::Format_RGB32);
            s->sws = sws_getCachedContext(s->sws, s->frame->width, s->frame->height,
                                          AVPixelFormat(s->frame->format), s->frame->width, s->frame->height,
                                          AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr);
            uint8_t* dst[1] = {s->tile.picture.bits()};
            const int dstStride[1] = {int(s->tile.picture.bytesPerLine())};
            sws_scale(s->sws, s->frame->data, s->frame->linesize, 0, s->frame->height, dst, dstStride);
            s->tile.update();
        }
    });
    tick.start(1000 / kFps);
    // The same settling as the client's.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    rusage r0{}, r1{};
    ::getrusage(RUSAGE_SELF, &r0);
    const auto t0 = Clock::now();
    QElapsedTimer window;
    window.start();
    while (window.elapsed() < seconds * 1000LL)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ::getrusage(RUSAGE_SELF, &r1);
    const double cpu =
        double(r1.ru_utime.tv_sec - r0.ru_utime.tv_sec + r1.ru_stime.tv_sec - r0.ru_stime.tv_sec) +
        double(r1.ru_utime.tv_usec - r0.ru_utime.tv_usec + r1.ru_stime.tv_usec - r0.ru_stime.tv_usec) / 1e6;
    AnchorRun run;
    run.cpuPercent = 100.0 * cpu / secondsSince(t0);
    run.rssMb = residentMb(::getpid()) - rss0;
    tick.stop();
    for (auto& s : all) {
        sws_freeContext(s->sws);
        av_packet_free(&s->packet);
        av_frame_free(&s->frame);
        avcodec_free_context(&s->context);
    }
    return run;
}

std::string ownBuildTree() {
    char exe[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, size_t(std::max<ssize_t>(n, 0)));
    path = path.substr(0, path.rfind('/'));  // .../bench
    return path.substr(0, path.rfind('/'));
}

}  // namespace

int main(int argc, char** argv) {
    int seconds = 60, launches = 5;
    std::vector<int> sizes{2, 4, 8};
    std::string build = ownBuildTree();
    std::string program;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const size_t eq = a.find('=');
        const std::string key = a.substr(0, eq), value = eq == std::string::npos ? "" : a.substr(eq + 1);
        if (key == "seconds")
            seconds = std::max(1, std::atoi(value.c_str()));
        else if (key == "launches")
            launches = std::max(1, std::atoi(value.c_str()));
        else if (key == "build")
            build = value;
        else if (key == "client")
            program = value;
        else if (key == "sizes") {
            sizes.clear();
            std::istringstream list(value);
            for (std::string n; std::getline(list, n, ',');) sizes.push_back(std::atoi(n.c_str()));
        } else {
            std::fprintf(stderr,
                         "usage: %s [seconds=60] [launches=5] [sizes=2,4,8] [build=DIR] [client=PATH]\n",
                         argv[0]);
            return 2;
        }
    }
    if (program.empty()) program = build + "/app/quorix";
    xvfb::Server server(QStringLiteral("1280x800x24"));
    if (server.display().isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    const std::string display = server.display().toStdString();
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication app(argc, argv);

    const std::vector<std::vector<uint8_t>> coded = codedStream(10 * kFps);
    std::printf(
        "| remote participants | client CPU %% of one core | anchor CPU %% | client / anchor | "
        "client RSS MB | first picture s (min / median / max) |\n|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    for (int n : sizes) {
        ClientRun steady;
        std::vector<double> firsts;
        for (int l = 0; l < launches; ++l) {
            const ClientRun r = runClient(build, program, server.display(), n, l == 0 ? seconds : 0);
            if (l == 0) steady = r;
            if (r.firstPicture >= 0) firsts.push_back(r.firstPicture);
        }
        std::sort(firsts.begin(), firsts.end());
        // The anchor's tiles take the size the client's tiles had: the squares'
        // share of a 640 x 480 picture (a quarter of its height) in the grab.
        QSize tile(320, 240);
        const QImage shot(QString::fromStdString(build + "/bench-client-room-" + std::to_string(n) + ".png"));
        if (!shot.isNull()) {
            const Seen seen = seeSquares(shot);
            const double scale = std::sqrt(double(seen.squarePixels) * 4 / std::max(1, n)) / (kHeight / 4.0);
            if (scale > 0.05) tile = QSize(int(kWidth * scale), int(kHeight * scale));
        }
        const AnchorRun anchor = runAnchor(n, tile, seconds, coded);
        const double median = firsts.empty() ? -1 : firsts[firsts.size() / 2];
        std::printf(
            "| %d | %.1f | %.1f (%dx%d tiles, +%.0f MB) | %.2f | %.0f | %.2f / %.2f / %.2f (%zu of %d) |\n",
            n, steady.cpuPercent, anchor.cpuPercent, tile.width(), tile.height(), anchor.rssMb,
            anchor.cpuPercent > 0 ? steady.cpuPercent / anchor.cpuPercent : 0.0, steady.rssMb,
            firsts.empty() ? -1 : firsts.front(), median, firsts.empty() ? -1 : firsts.back(), firsts.size(),
            launches);
        std::fflush(stdout);
    }
    return 0;
}

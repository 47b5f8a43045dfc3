// Painting a participant's 1280 x 720 picture into a video tile, as the tile's
// paint timer does at 30 frames per second: a new picture is set, the timer
// takes it over and the tile repaints (offscreen backing store). Beside it the
// bare library: QPainter drawing the same picture, aspect fit and smoothly
// scaled, into an image of the tile's size.
//
// CPU time is the whole process's (Qt scales large pictures on worker
// threads). "core_pct_30fps" is the CPU time the painting of 30 pictures
// takes per second, in percent of one core (google-benchmark prints the
// inverted rate with an "s" after it: 0.9s reads 0.9 %).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "tiles/VideoView.h"

namespace {

QImage cameraPicture(int width, int height, int seed) {
    // As the bridge delivers it: premultiplied RGBA, owned by the picture.
    QImage picture(width, height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const uint32_t r = uint32_t(x + seed) & 0xff, g = uint32_t(y * 2 + seed) & 0xff,
                           b = uint32_t(x ^ y) & 0xff;
            row[x] = 0xff000000u | (b << 16) | (g << 8) | r;
        }
    }
    return picture;
}

void setCounters(benchmark::State& state) {
    state.counters["core_pct_30fps"] = benchmark::Counter(
        1.0 / 3000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TilePaint(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = width * 3 / 4;
    const QImage pictures[2] = {cameraPicture(1280, 720, 0), cameraPicture(1280, 720, 40)};
    VideoView view(QRectF(0, 0, width, height));
    view.setDetail(24);
    view.setUserName(QStringLiteral("Yamada Hanako"));
    view.changeStatusMark(VIDEO_STATUS_MARK_NORMAL);
    view.changeAudioMeterStatus(VIDEO_METER_STATUS_DEFAULT);
    view.show();
    QCoreApplication::processEvents();
    int i = 0;
    for (auto _ : state) {
        view.setLayerImage(pictures[i++ & 1]);
        view.refreshLayerImage();
        view.repaint();
    }
    setCounters(state);
}
BENCHMARK(BM_TilePaint)->Arg(320)->Arg(640)->MeasureProcessCPUTime();

void BM_BareDrawImage(benchmark::State& state) {
    const int width = int(state.range(0));
    const int height = width * 3 / 4;
    const QImage pictures[2] = {cameraPicture(1280, 720, 0), cameraPicture(1280, 720, 40)};
    QImage target(width, height, QImage::Format_ARGB32_Premultiplied);
    const QSizeF fitted = QSizeF(1280, 720).scaled(QSizeF(width, height), Qt::KeepAspectRatio);
    const QRectF place((width - fitted.width()) / 2, (height - fitted.height()) / 2, fitted.width(),
                       fitted.height());
    int i = 0;
    for (auto _ : state) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), Qt::black);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(place, pictures[i++ & 1]);
        painter.end();
        benchmark::DoNotOptimize(target.constBits());
    }
    setCounters(state);
}
BENCHMARK(BM_BareDrawImage)->Arg(320)->Arg(640)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Background processing of one 640 x 480 camera picture: the person mask of
// the segmentation model (our inference on one core), the blur, the blend, and
// the whole step as the camera runs it (mask every second frame).
#include <benchmark/benchmark.h>

#include <QImage>

#include "media/ImageEditer.h"
#include "platform/NeuralNetwork.h"
#include "platform/PersonSegmentation.h"
#include "platform/SegmentationModel.h"

namespace {

QImage Picture() {
    QImage p(640, 480, QImage::Format_ARGB32);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) p.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    return p;
}

void BM_ModelInvoke(benchmark::State& state) {
    NeuralNetwork network;
    std::string error;
    if (!network.load(PersonSegmentation::modelPath().toStdString(), &error)) {
        state.SkipWithError(("no model: " + error).c_str());
        return;
    }
    for (auto _ : state) {
        network.invoke(&error);
        benchmark::DoNotOptimize(network.output(0));
    }
}

void BM_PersonMask(benchmark::State& state) {
    SegmentationModel model(PersonSegmentation::modelPath());
    model.setReuseMask(false);
    const QImage picture = Picture();
    QImage mask;
    QString d, r, s;
    if (!model.perform(picture, &mask, &d, &r, &s)) {
        state.SkipWithError("no model");
        return;
    }
    for (auto _ : state) {
        model.perform(picture, &mask, &d, &r, &s);
        benchmark::DoNotOptimize(mask.constBits());
    }
}

void BM_Blur(benchmark::State& state) {
    const QImage picture = Picture();
    for (auto _ : state) benchmark::DoNotOptimize(ImageEditer::blur(picture, 20.0f).constBits());
}

void BM_Blend(benchmark::State& state) {
    const QImage picture = Picture();
    QImage background = picture.mirrored();
    QImage mask(256, 256, QImage::Format_Grayscale8);
    mask.fill(128);
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageEditer::blendWithMask(picture, background, mask).constBits());
}

void BM_BackgroundBlurPerFrame(benchmark::State& state) {
    ImageEditer editer(PersonSegmentation::create());
    const QImage picture = Picture();
    if (editer.personSegment(picture, false).isNull()) {
        state.SkipWithError("no model");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(editer.personSegment(picture, false).constBits());
}

BENCHMARK(BM_ModelInvoke)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PersonMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackgroundBlurPerFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

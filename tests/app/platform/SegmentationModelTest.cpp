// The selfie-segmentation model run by our inference on a photograph of a
// person in front of a backdrop.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstring>
#include <random>

#include "fixtures/app/CameraTestSupport.h"
#include "platform/NeuralNetwork.h"
#include "platform/SegmentationModel.h"

namespace {

double meanIn(const QImage& mask, QRectF unitRect) {
    const QRect r(int(unitRect.x() * mask.width()), int(unitRect.y() * mask.height()),
                  int(unitRect.width() * mask.width()), int(unitRect.height() * mask.height()));
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) sum += mask.constScanLine(y)[x];
    return sum / (r.width() * r.height());
}

// Parts of the photograph (as fractions of its size): the face and the suit,
// and the plain backdrop above the shoulders on each side of the head.
const QRectF kFace(0.38, 0.15, 0.14, 0.15);
const QRectF kSuit(0.15, 0.70, 0.25, 0.20);
const QRectF kBackdropRight(0.62, 0.02, 0.08, 0.20);
const QRectF kBackdropLeft(0.22, 0.02, 0.06, 0.10);

}  // namespace

TEST(SegmentationModel, TheModelLoadsWithItsOperators) {
    if (!haveFile(cachedModelPath()))
        GTEST_SKIP() << "no model at " << cachedModelPath().toStdString()
                     << " (scripts/install-deps.sh fetches it)";
    NeuralNetwork network;
    std::string error;
    ASSERT_TRUE(network.load(cachedModelPath().toStdString(), &error)) << error;
    EXPECT_EQ(network.inputShape(0), (std::vector<int>{1, 256, 256, 3}));
    EXPECT_EQ(network.outputShape(0), (std::vector<int>{1, 256, 256, 1}));
    EXPECT_EQ(network.runCount(), 246 - 110);  // the 110 DEQUANTIZE operators run once at load
}

TEST(SegmentationModel, MaskCoversThePersonAndNotTheBackdrop) {
    if (!haveFile(cachedModelPath())) GTEST_SKIP() << "no model (scripts/install-deps.sh fetches it)";
    if (!haveFile(cachedPhotoPath()))
        GTEST_SKIP() << "no test photograph (scripts/install-deps.sh fetches it)";
    const QImage photo = QImage(cachedPhotoPath()).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(photo.isNull());
    SegmentationModel model(cachedModelPath());
    QImage mask;
    QString description, reason, suggestion;
    ASSERT_TRUE(model.perform(photo, &mask, &description, &reason, &suggestion)) << description.toStdString();
    ASSERT_EQ(mask.size(), QSize(256, 256));
    mask.save(QStringLiteral(QUORIX_TEST_BINARY_DIR "/segmentation-mask.png"));
    EXPECT_GT(meanIn(mask, kFace), 200);
    EXPECT_GT(meanIn(mask, kSuit), 200);
    EXPECT_LT(meanIn(mask, kBackdropRight), 40);
    EXPECT_LT(meanIn(mask, kBackdropLeft), 40);
}

TEST(SegmentationModel, DamagedModelFilesAreRefusedWithoutReadingPastThem) {
    if (!haveFile(cachedModelPath())) GTEST_SKIP() << "no model (scripts/install-deps.sh fetches it)";
    QFile file(cachedModelPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const std::vector<uint8_t> bytes(whole.begin(), whole.end());
    std::string error;
    // The model's tables lie in its first and last kilobytes, the weights
    // between. Cut short anywhere: refused. Through the tables every third
    // offset (every fifth in the last ones, where a cut is found late), so
    // each field is cut inside and around its end, and a spread through the
    // weights.
    const size_t tables = std::min<size_t>(4096, bytes.size() / 2);
    std::vector<size_t> cuts;
    for (size_t cut = 0; cut < tables; cut += 3) cuts.push_back(cut);
    for (size_t cut = 0; cut < tables; cut += 5) cuts.push_back(bytes.size() - 1 - cut);
    for (size_t cut = tables; cut < bytes.size() - tables; cut += 997) cuts.push_back(cut);
    for (size_t cut : cuts) {
        NeuralNetwork network;
        error.clear();
        EXPECT_FALSE(network.loadFromMemory({bytes.begin(), bytes.begin() + static_cast<long>(cut)}, &error))
            << cut;
        EXPECT_FALSE(error.empty()) << cut;
        EXPECT_EQ(network.input(0), nullptr) << cut;
    }
    // Bytes changed here and there: either refused or loaded with shapes
    // that hold. A load that goes through costs a great deal in a sanitized
    // build, so the damage is mostly in the tables, where it shifts offsets
    // and counts, and seldom among the weights.
    std::mt19937 rng(20);
    int loaded = 0;
    for (int round = 0; round < 24; ++round) {
        std::vector<uint8_t> damaged = bytes;
        for (int k = 0; k < 4; ++k) {
            const size_t span = round % 8 == 0 ? damaged.size() : tables;
            size_t pos = rng() % span;
            if (round % 2 == 1) pos = damaged.size() - 1 - pos;
            damaged[pos] = static_cast<uint8_t>(rng());
        }
        NeuralNetwork network;
        if (network.loadFromMemory(std::move(damaged), &error) && loaded++ < 2) {
            EXPECT_TRUE(network.invoke(&error)) << error;
        }
    }
    // A file of the right kind with nothing valid inside.
    std::vector<uint8_t> junk(64, 0xFF);
    std::memcpy(junk.data() + 4, "TFL3", 4);
    NeuralNetwork network;
    EXPECT_FALSE(network.loadFromMemory(junk, &error));
}

TEST(SegmentationModel, EverySecondPictureReusesTheLastMask) {
    if (!haveFile(cachedModelPath())) GTEST_SKIP() << "no model (scripts/install-deps.sh fetches it)";
    if (!haveFile(cachedPhotoPath()))
        GTEST_SKIP() << "no test photograph (scripts/install-deps.sh fetches it)";
    SegmentationModel model(cachedModelPath());
    const QImage person = QImage(cachedPhotoPath()).convertToFormat(QImage::Format_ARGB32);
    QImage empty(64, 48, QImage::Format_ARGB32);
    empty.fill(qRgb(240, 240, 240));
    QString d, r, s;
    QImage first, second, third;
    ASSERT_TRUE(model.perform(person, &first, &d, &r, &s));
    ASSERT_TRUE(model.perform(empty, &second, &d, &r, &s));
    ASSERT_TRUE(model.perform(empty, &third, &d, &r, &s));
    EXPECT_EQ(second, first) << "the picture after a computed one reuses its mask";
    EXPECT_NE(third, first) << "the next one is computed again";
}

#include "platform/SegmentationModel.h"

#include <algorithm>
#include <cmath>

#include "platform/NeuralNetwork.h"

SegmentationModel::SegmentationModel(QString path) : path_(std::move(path)) {}

SegmentationModel::~SegmentationModel() = default;

bool SegmentationModel::load(QString* reason) {
    if (!triedLoad_) {
        triedLoad_ = true;
        auto network = std::make_unique<NeuralNetwork>();
        std::string error;
        if (network->load(path_.toStdString(), &error))
            network_ = std::move(network);
        else
            loadError_ = QString::fromStdString(error);
    }
    if (!network_) *reason = loadError_;
    return network_ != nullptr;
}

bool SegmentationModel::perform(const QImage& picture, QImage* mask, QString* description, QString* reason,
                                QString* suggestion) {
    if (!load(reason)) {
        *description = QStringLiteral("The segmentation model could not be read");
        *suggestion = QStringLiteral("Install it with scripts/install-deps.sh");
        return false;
    }
    if (picture.isNull()) {
        *description = QStringLiteral("No picture");
        return false;
    }
    if (reuse_ && reuseNext_ && !lastMask_.isNull()) {
        reuseNext_ = false;
        *mask = lastMask_;
        return true;
    }
    const std::vector<int> shape = network_->inputShape(0);  // 1, height, width, 3
    if (shape.size() != 4 || shape[3] != 3) {
        *description = QStringLiteral("The segmentation model has an unexpected input");
        return false;
    }
    const int h = shape[1], w = shape[2];
    const QImage input = picture.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_RGB888);
    float* in = network_->input(0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = input.constScanLine(y);
        for (int x = 0; x < w * 3; ++x) *in++ = s[x] / 255.0f;
    }
    std::string error;
    if (!network_->invoke(&error)) {
        *description = QStringLiteral("The segmentation model failed");
        *reason = QString::fromStdString(error);
        return false;
    }
    const std::vector<int> outShape = network_->outputShape(0);  // 1, height, width, 1
    if (outShape.size() != 4 || outShape[3] != 1) {
        *description = QStringLiteral("The segmentation model has an unexpected output");
        return false;
    }
    const float* out = network_->output(0);
    QImage m(outShape[2], outShape[1], QImage::Format_Grayscale8);
    for (int y = 0; y < m.height(); ++y) {
        uint8_t* d = m.scanLine(y);
        for (int x = 0; x < m.width(); ++x) {
            // A value that is no number (weights that overflow) has no byte:
            // the picture goes without a mask.
            const float v = *out++;
            if (std::isnan(v)) {
                *description = QStringLiteral("The segmentation model failed");
                *reason = QStringLiteral("its output is not a number");
                return false;
            }
            d[x] = static_cast<uint8_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f);
        }
    }
    lastMask_ = m;
    reuseNext_ = true;
    *mask = m;
    return true;
}

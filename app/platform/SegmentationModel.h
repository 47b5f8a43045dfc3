#pragma once

// Person segmentation with the selfie-segmentation model (TensorFlow Lite file,
// one 256 x 256 x 3 input of red, green, blue in 0..1, one 256 x 256 x 1 output
// of person probabilities) run by our own inference. The model is read on the
// first call; a missing or unreadable model makes every call fail with the reason.
//
// The mask is computed for every second picture; the picture between reuses the
// previous mask (the person moves little in one frame period).

#include <memory>

#include "platform/PersonSegmentation.h"

class NeuralNetwork;

class SegmentationModel final : public PersonSegmentation {
public:
    explicit SegmentationModel(QString path);
    ~SegmentationModel() override;

    bool perform(const QImage& picture, QImage* mask, QString* description, QString* reason,
                 QString* suggestion) override;

    // Computes the mask of every picture (no reuse).
    void setReuseMask(bool reuse) { reuse_ = reuse; }

private:
    bool load(QString* reason);

    QString path_;
    std::unique_ptr<NeuralNetwork> network_;
    bool triedLoad_ = false;
    QString loadError_;
    bool reuse_ = true;
    bool reuseNext_ = false;
    QImage lastMask_;
};

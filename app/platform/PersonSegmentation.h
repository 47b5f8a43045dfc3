#pragma once

// Person segmentation of a picture, in place of the platform's image-analysis
// request: a mask with one byte per pixel, 255 where the picture shows a person
// and 0 where it shows background (values between at the outline). The mask has
// the model's own size; callers scale it to the picture.
//
// The application's segmentation runs the selfie-segmentation model (a
// TensorFlow Lite file, 256 x 256 input) with our own inference
// (`NeuralNetwork`). The model is looked up at QUORIX_SEGMENTATION_MODEL when
// that is set, else at "<XDG cache>/quorix/models/selfie_segmentation.tflite",
// where scripts/install-deps.sh puts it.
//
// One call at a time per object.

#include <QImage>
#include <QString>
#include <memory>

class PersonSegmentation {
public:
    virtual ~PersonSegmentation() = default;
    // False with a description, a reason and a suggestion when there is no mask.
    virtual bool perform(const QImage& picture, QImage* mask, QString* description, QString* reason,
                         QString* suggestion) = 0;

    // The model file the application's segmentation reads.
    static QString modelPath();
    // The application's segmentation (the model is read on first use).
    static std::unique_ptr<PersonSegmentation> create();
};

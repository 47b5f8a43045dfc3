#include "platform/PersonSegmentation.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "platform/SegmentationModel.h"

QString PersonSegmentation::modelPath() {
    const QByteArray set = qgetenv("QUORIX_SEGMENTATION_MODEL");
    if (!set.isEmpty()) return QString::fromLocal8Bit(set);
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty()) cache = qEnvironmentVariable("HOME") + QStringLiteral("/.cache");
    return cache + QStringLiteral("/quorix/models/selfie_segmentation.tflite");
}

std::unique_ptr<PersonSegmentation> PersonSegmentation::create() {
    return std::make_unique<SegmentationModel>(modelPath());
}

#pragma once

// Where the tests find the segmentation model and the test photograph that
// scripts/install-deps.sh puts in the cache folder (read before a test moves HOME).

#include <QFileInfo>
#include <QString>

#include "platform/PersonSegmentation.h"

inline const QString& cachedModelPath() {
    static const QString path = PersonSegmentation::modelPath();
    return path;
}

inline const QString& cachedPhotoPath() {
    static const QString path = [] {
        QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
        if (cache.isEmpty()) cache = qEnvironmentVariable("HOME") + QStringLiteral("/.cache");
        return cache + QStringLiteral("/quorix/testdata/astronaut.png");
    }();
    return path;
}

inline bool haveFile(const QString& path) {
    return QFileInfo(path).isFile() && QFileInfo(path).size() > 0;
}

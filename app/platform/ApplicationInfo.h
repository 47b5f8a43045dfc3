#pragma once

// One running application as the sharing menu lists it.

#include <QImage>
#include <QString>
#include <cstdint>

struct ApplicationInfo {
    QString name;
    // What identifies the application across its processes (on X11 the class
    // of its windows, WM_CLASS; a second instance has the same one).
    QString bundleId;
    std::int64_t processId = 0;  // 0: none
    QImage icon;                 // null when the application shows none
};

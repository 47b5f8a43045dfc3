#pragma once

// Video capture devices of the machine (Video4Linux nodes that can capture).

#include <QString>
#include <QVector>

struct CaptureDevice {
    QString uniqueID;       // the device node, e.g. "/dev/video0"
    QString localizedName;  // the driver's card name
    int position = 0;       // 0: unspecified (Video4Linux does not tell where a camera faces)
};

class CaptureDevices {
public:
    // Capture devices found under `devDirectory`, ordered by node name.
    static QVector<CaptureDevice> videoDevices(const QString& devDirectory = QStringLiteral("/dev"));
    // False only when capture devices exist and none may be opened by this user.
    static bool accessAllowed(const QString& devDirectory = QStringLiteral("/dev"));
};

#include "platform/CaptureDevice.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCollator>
#include <QDir>
#include <algorithm>

namespace {

QStringList videoNodes(const QString& devDirectory) {
    QStringList nodes = QDir(devDirectory).entryList({QStringLiteral("video*")}, QDir::System | QDir::Files);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(nodes.begin(), nodes.end(), collator);
    for (QString& node : nodes) {
        node = devDirectory + u'/' + node;
    }
    return nodes;
}

}  // namespace

QVector<CaptureDevice> CaptureDevices::videoDevices(const QString& devDirectory) {
    QVector<CaptureDevice> devices;
    for (const QString& node : videoNodes(devDirectory)) {
        const int fd = ::open(node.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        v4l2_capability capability{};
        if (::ioctl(fd, VIDIOC_QUERYCAP, &capability) == 0) {
            const __u32 caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps
                                                                                : capability.capabilities;
            if (caps & V4L2_CAP_VIDEO_CAPTURE) {
                devices.append({node, QString::fromUtf8(reinterpret_cast<const char*>(capability.card))});
            }
        }
        ::close(fd);
    }
    return devices;
}

bool CaptureDevices::accessAllowed(const QString& devDirectory) {
    const QStringList nodes = videoNodes(devDirectory);
    if (nodes.isEmpty()) {
        return true;
    }
    return std::any_of(nodes.begin(), nodes.end(), [](const QString& node) {
        return ::access(node.toLocal8Bit().constData(), R_OK | W_OK) == 0;
    });
}

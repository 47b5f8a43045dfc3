#include "recording/RecordingRules.h"

#include <QLocale>
#include <cmath>

namespace Rec {

const char* containerName(std::int64_t fileType) {
    switch (fileType) {
        case REC_FILE_TYPE_MP4:
        case REC_FILE_TYPE_VIDEO:
            return "mp4";
        case REC_FILE_TYPE_AUDIO:
            return "ipod";
        default:
            return "mov";
    }
}

bool hasVideo(std::int64_t fileType) {
    return fileType != REC_FILE_TYPE_AUDIO;
}
bool hasAudio(std::int64_t fileType) {
    return fileType != REC_FILE_TYPE_VIDEO;
}

int videoBitRate(int height, int quality) {
    double base = 90000000;
    if (height <= 360)
        base = 1000000;
    else if (height <= 480)
        base = 2500000;
    else if (height <= 720)
        base = 5000000;
    else if (height <= 1080)
        base = 10000000;
    else if (height <= 1440)
        base = 18000000;
    else if (height <= 2160)
        base = 40000000;
    // quality x 0.1 x base drifts below the exact product in binary; the
    // exact tenths are what the table means.
    return static_cast<int>(static_cast<double>(quality) * base / 10.0);
}

int audioBitRate(int kbps) {
    switch (kbps) {
        case 128:
            return 128000;
        case 160:
            return 160000;
        case 192:
            return 192000;
        default:
            return 96000;
    }
}

std::int64_t divideValue(std::int64_t v) {
    if (v <= 0) v = 1024;
    const double r = v <= 100 ? 0.15 : v <= 150 ? 0.10 : 0.07;
    const float margin = static_cast<float>(static_cast<double>(v) * r);
    return v - static_cast<std::int64_t>(std::round(margin));
}

std::int64_t fileSizeMegabytes(std::int64_t bytes) {
    const float mb = static_cast<float>(bytes) / 1000.0f / 1000.0f;
    return static_cast<std::int64_t>(std::round(mb));
}

QString recordingExtension(std::int64_t fileType) {
    switch (fileType) {
        case REC_FILE_TYPE_MP4:
        case REC_FILE_TYPE_VIDEO:
            return QStringLiteral(".mp4");
        case REC_FILE_TYPE_AUDIO:
            return QStringLiteral(".m4a");
        default:
            return QStringLiteral(".mov");
    }
}

QString safeFileName(const QString& name, int maxBytes) {
    QString out = name;
    out.replace(u'/', u'_');
    out.replace(QChar(u'\0'), u'_');
    if (out == u"." || out == u"..") out = QStringLiteral("_");
    QByteArray utf8 = out.toUtf8();
    if (utf8.size() > maxBytes) {
        // Cut on a character boundary.
        int cut = maxBytes;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
        out = QString::fromUtf8(utf8.left(cut));
    }
    return out;
}

QString defaultFileName(const QString& name, const QDateTime& now) {
    return name + QLocale::c().toString(now, QStringLiteral("_yyyy-MM-dd-HH-mm-ss"));
}

QString autoSaveFileName(const QString& userId, const QString& userName, const QDateTime& now) {
    const QString id = userId.startsWith(u'/') ? QStringLiteral("---") : userId;
    return QStringLiteral("REC") + QLocale::c().toString(now, QStringLiteral("_HH-mm-ss_")) +
           QStringLiteral("%1(%2)").arg(userName, id);
}

QString dateFolderName(const QDate& day) {
    return QLocale::c().toString(day, QStringLiteral("yyMMdd"));
}

std::int64_t autoModeTarget(int mode) {
    switch (mode) {
        case 2:
        case 6:
        case 11:
            return REC_TARGET_CONF;
        case 3:
        case 7:
        case 12:
            return REC_TARGET_DESKTOP;
        case 4:
        case 8:
        case 13:
            return REC_TARGET_OTHER;
        default:
            return REC_TARGET_SELF;
    }
}

std::int64_t autoModeFileType(int mode) {
    if (mode >= 5 && mode <= 8) return REC_FILE_TYPE_MP4;
    if (mode == 9) return REC_FILE_TYPE_AUDIO;
    if (mode >= 10 && mode <= 13) return REC_FILE_TYPE_VIDEO;
    return REC_FILE_TYPE_MOV;
}

bool isOtherVideoMode(int mode) {
    return mode == 4 || mode == 8 || mode == 13;
}

int clampVideoQuality(int quality) {
    return quality >= 1 && quality <= 20 ? quality : 10;
}
int clampAacKbps(int kbps) {
    return kbps >= 96 && kbps <= 192 ? kbps : 96;
}

QSize recordingSize(const SizeInput& in) {
    QSize size = in.cameraSize;
    if (in.target == REC_TARGET_CONF || in.target == REC_TARGET_DESKTOP) {
        size = QSize(static_cast<int>(in.screenPoints.width() * in.screenScale),
                     static_cast<int>(in.screenPoints.height() * in.screenScale));
    } else if (!in.isSelf && in.tilePixels.width() > 0 && in.tilePixels.height() > 0) {
        // A tile that has no area yet keeps the camera size.
        size = in.tilePixels;
    }
    const bool cap = in.target != REC_TARGET_DESKTOP || in.isEnableTimeStamp;
    if (cap && size.width() >= 1920) size = QSize(1920, 1080);
    return evenSize(size);
}

QSize evenSize(QSize size) {
    return QSize(std::max(2, size.width() & ~1), std::max(2, size.height() & ~1));
}

}  // namespace Rec

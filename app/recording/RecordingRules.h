// The plain rules of local recording: file types, targets, append results,
// bit rates, split sizes, file and folder names, the automatic modes and the
// recording size. Pure functions, no state.
#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <cstdint>

namespace Rec {

// File types (stored in the user defaults with these numbers).
inline constexpr std::int64_t REC_FILE_TYPE_MOV = 0;
inline constexpr std::int64_t REC_FILE_TYPE_MP4 = 1;
inline constexpr std::int64_t REC_FILE_TYPE_AUDIO = 2;
inline constexpr std::int64_t REC_FILE_TYPE_VIDEO = 3;

// Targets.
inline constexpr std::int64_t REC_TARGET_SELF = 0;
inline constexpr std::int64_t REC_TARGET_CONF = 1;
inline constexpr std::int64_t REC_TARGET_DESKTOP = 2;
inline constexpr std::int64_t REC_TARGET_OTHER = 3;

// What every append answers.
inline constexpr std::int64_t REC_APPEND_OK = 0;
inline constexpr std::int64_t REC_APPEND_FAILED = 1;
inline constexpr std::int64_t REC_APPEND_STOPPED = 2;

// The status-bar item that stops every recording.
inline constexpr std::int64_t kStopAllTag = 1000;

// The audio tracks are mono AAC at this rate.
inline constexpr int kAudioSampleRate = 44100;

// The container's FFmpeg muxer name: "mov", "mp4" or "ipod" (.m4a).
const char* containerName(std::int64_t fileType);
bool hasVideo(std::int64_t fileType);
bool hasAudio(std::int64_t fileType);

// Average H.264 bit rate for a recording height and a quality of 1..20.
int videoBitRate(int height, int quality);
// AAC bit rate for the room's kbit/s value: 128, 160, 192, else 96 kbit/s.
int audioBitRate(int kbps);
// The split limit in megabytes for a stored size value; a value of 0 or
// below (an absent key reads 0) is taken as the default 1024.
std::int64_t divideValue(std::int64_t storedMegabytes);
// A file size in whole megabytes of 1,000,000 bytes, rounded half away from zero.
std::int64_t fileSizeMegabytes(std::int64_t bytes);

// ".mov", ".mp4" or ".m4a".
QString recordingExtension(std::int64_t fileType);
// A name safe as one file or folder name: "/" and NUL become "_", "." and
// ".." become "_", and the UTF-8 form is cut to at most maxBytes (a file
// name leaves room for its extension).
QString safeFileName(const QString& name, int maxBytes = 255);
// name + "_yyyy-MM-dd-HH-mm-ss".
QString defaultFileName(const QString& name, const QDateTime& now);
// "REC_HH-mm-ss_" + name(id), an id beginning with "/" written "---".
QString autoSaveFileName(const QString& userId, const QString& userName, const QDateTime& now);
// The date folder name "yyMMdd" (calendar year).
QString dateFolderName(const QDate& day);

// The automatic modes: target and file type; unknown modes record the own video as MOV.
std::int64_t autoModeTarget(int mode);
std::int64_t autoModeFileType(int mode);
// Modes that record another participant's video (counted).
bool isOtherVideoMode(int mode);

// Room values kept in range.
int clampVideoQuality(int quality);
int clampAacKbps(int kbps);

// The size of a recording.
struct SizeInput {
    std::int64_t target = REC_TARGET_SELF;
    QSize cameraSize;        // the own camera's recording size
    QSize screenPoints;      // the main screen in points
    double screenScale = 1;  // its device pixel ratio
    bool isSelf = true;
    QSize tilePixels;  // the tile's size in pixels, empty when it has no view
    bool isEnableTimeStamp = false;
};
QSize recordingSize(const SizeInput& in);
// Even sizes of at least 2 x 2.
QSize evenSize(QSize size);

}  // namespace Rec

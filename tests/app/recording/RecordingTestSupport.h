#pragma once

// Helpers of the recording tests: an injected host clock, frames and tones,
// and ffprobe's reading of a written file.

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

#include "recording/FuncRecorder.h"

// The host clock the tests move by hand.
struct TestClock {
    std::atomic<std::int64_t> now{1'000'000'000'000LL};
    RecordingClock fn() {
        return [this] { return now.load(); };
    }
};

// A frame that changes with its number (so the encoder has work to do).
inline QImage testFrame(int width, int height, int number) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((number * 7) % 360, 200, 200));
    QPainter painter(&image);
    painter.fillRect((number * 5) % width, height / 3, width / 8, height / 4, Qt::white);
    return image;
}

// 16-bit mono PCM: a tone, or silence when amplitude is 0.
inline QByteArray tone(int rate, int samples, double hz, double amplitude, std::int64_t firstSample) {
    QByteArray pcm(samples * 2, '\0');
    auto* out = reinterpret_cast<std::int16_t*>(pcm.data());
    for (int i = 0; i < samples; ++i)
        out[i] = static_cast<std::int16_t>(amplitude * 32767 *
                                           std::sin(2 * M_PI * hz * double(firstSample + i) / rate));
    return pcm;
}

// Waits (generously) until the recorder's writer queue takes more.
inline bool waitReady(const FuncRecorder& recorder, bool video) {
    for (int i = 0; i < 30000; ++i) {
        if (video ? recorder.isReadyForMoreVideo() : recorder.isReadyForMoreAudio()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// ffprobe's streams and format of a file, or an empty object.
inline QJsonObject probe(const QString& path) {
    QProcess process;
    process.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                   QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), path});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return {};
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

inline QJsonArray streamsOf(const QJsonObject& probed, const QString& type) {
    QJsonArray out;
    for (const auto& s : probed.value(QStringLiteral("streams")).toArray())
        if (s.toObject().value(QStringLiteral("codec_type")).toString() == type) out.append(s);
    return out;
}

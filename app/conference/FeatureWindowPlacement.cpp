#include "conference/FeatureWindowPlacement.h"

#include <optional>

#include "services/QuorixUtils.h"

namespace {
std::optional<QRectF> visibleFrameOverride;
}

void FeatureWindowPlacement::setVisibleFrameForTesting(const QRectF& frame) {
    visibleFrameOverride = frame;
}

QRectF FeatureWindowPlacement::adjust(const QRectF& rect) {
    if (visibleFrameOverride) {
        if (visibleFrameOverride->isEmpty()) return rect;
        return QuorixUtils::adjustInitalRect(rect, *visibleFrameOverride);
    }
    return QuorixUtils::adjustInitalRect(rect);
}

double FeatureWindowPlacement::listWindowHeight(int maxParticipants) {
    if (maxParticipants >= 2 && maxParticipants <= 10) return 224;
    if (maxParticipants == 15) return 324;
    return 424;
}

QRectF FeatureWindowPlacement::listWindowRect(const QRectF& remembered, const QRectF& saved,
                                              const QRectF& viewBounds, double screenHeight,
                                              int maxParticipants) {
    if (!remembered.isEmpty()) return remembered;
    if (!saved.isEmpty()) return saved;
    const double h = listWindowHeight(maxParticipants);
    const float x = float(viewBounds.x() + viewBounds.width());
    const float y = float(screenHeight - h);
    return QRectF(x, y, 200, h);
}

QRectF FeatureWindowPlacement::textBoxRect(const QRectF& remembered, const QRectF& saved, double screenHeight,
                                           double conferenceHeight) {
    if (!remembered.isEmpty()) return adjust(remembered);
    if (!saved.isEmpty()) return adjust(saved);
    return adjust(QRectF(0, screenHeight - conferenceHeight - 380, 465, 380));
}

QRectF FeatureWindowPlacement::messageRect(const QRectF& remembered, double screenHeight,
                                           double conferenceHeight) {
    if (!remembered.isEmpty()) return adjust(remembered);
    return adjust(QRectF(330, screenHeight - conferenceHeight - 380, 544, 380));
}

QRectF FeatureWindowPlacement::docShareRect(const QRectF& remembered, const QRectF& saved,
                                            const QRectF& viewBounds, double screenHeight) {
    if (!remembered.isEmpty()) return adjust(remembered);
    if (!saved.isEmpty()) return adjust(saved);
    return QRectF(viewBounds.x() + 200, screenHeight - 600, 800, 600);
}

QPointF FeatureWindowPlacement::settingsOrigin(double screenWidth, double screenHeight) {
    return QPointF(screenWidth / 2 - 222.75, screenHeight / 2 - 222.75);
}

int FeatureWindowPlacement::docShareMaxUploadSize(const QVariantMap& confDict) {
    const int size = QuorixUtils::GetSystemEnvInteger(QStringLiteral("DOCSHARE_MAX_SIZE"), confDict, 5);
    return size >= 1 && size <= 100 ? size : 5;
}

int FeatureWindowPlacement::recordingMaxTime(const QVariantMap& confDict) {
    const int minutes =
        QuorixUtils::GetSystemEnvInteger(QStringLiteral("MODE_MAX_RECORD_TIME"), confDict, 300);
    return minutes >= 1 && minutes <= 1440 ? minutes : 300;
}

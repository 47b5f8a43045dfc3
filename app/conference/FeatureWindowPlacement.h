// Where the conference window opens its feature windows and the room values
// it hands them: pure functions in bottom-up screen coordinates. A
// remembered rectangle (the window's frame when the user last closed it)
// wins over the saved layout, which wins over the built-in default.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QVariantMap>

class FeatureWindowPlacement {
public:
    // 224 for rooms of 2 to 10 participants, 324 for 15, 424 otherwise.
    static double listWindowHeight(int maxParticipants);
    // The participant list beside the conference view (W, H: the main
    // screen; the x and y pass through single precision).
    static QRectF listWindowRect(const QRectF& remembered, const QRectF& saved, const QRectF& viewBounds,
                                 double screenHeight, int maxParticipants);
    // The text box below the conference window (M: its frame height).
    static QRectF textBoxRect(const QRectF& remembered, const QRectF& saved, double screenHeight,
                              double conferenceHeight);
    static QRectF messageRect(const QRectF& remembered, double screenHeight, double conferenceHeight);
    static QRectF docShareRect(const QRectF& remembered, const QRectF& saved, const QRectF& viewBounds,
                               double screenHeight);
    static QPointF settingsOrigin(double screenWidth, double screenHeight);
    // "DOCSHARE_MAX_SIZE" in 1..100, else 5.
    static int docShareMaxUploadSize(const QVariantMap& confDict);
    // "MODE_MAX_RECORD_TIME" in 1..1440, else 300.
    static int recordingMaxTime(const QVariantMap& confDict);
    // Rectangles clamped into the main screen's visible frame (an empty
    // frame, no screen, leaves them as they are).
    static void setVisibleFrameForTesting(const QRectF& frame);

private:
    static QRectF adjust(const QRectF& rect);
};

#pragma once

// What the viewer controller asks of a viewer, whichever form it has: the
// window of normal rooms (`APShareWindow`) or the embedded view of webinar
// rooms (`APShareViewController`). Both hold the same content
// (`APShareViewerContent`: tool controls, scroll area, shared-screen view);
// they differ in how they size themselves.
//
// Main thread only. Rectangles do not come this way: they are painted into
// `canvas()` by the thread that delivers them.

#include <QCursor>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>

#include "appshare/APShareCanvas.h"
#include "appshare/APShareViewerContent.h"

class APShareViewer {
public:
    virtual ~APShareViewer() = default;

    virtual APShareViewerContent& content() = 0;
    // The viewer's top widget (the window, or the embedded view).
    virtual QWidget* viewerWidget() = 0;

    // Builds the content and sizes the viewer. `desktop`: 1 for a desktop
    // share; `appRect`: the shared area in top-left screen pixels. False when
    // the screen size cannot be shown (nothing is drawn then).
    virtual bool startDrawing(int desktop, QSizeF desktopSize, const QRectF& appRect, float expansion,
                              int displayMode) = 0;
    virtual void setMinWindowSize(int displayMode) = 0;
    virtual void resizeWindowForApp() = 0;
    virtual void fitAppToWindowFrame() = 0;

    void pauseDrawing();
    void restartDrawing(int displayMode);
    void stopDrawing();
    // A new shared area (top-left pixels): stored; in the scaled mode the
    // viewer follows it.
    void setAppRect(const QRectF& appRect, int displayMode);
    void setDisplayMode(int mode);
    void setImageExpansion(float expansion);
    void changeScrollEnable(bool enabled);
    void changeCursorType(const QCursor& cursor);
    void changeMenuBtnStatus(const QString& identifier, bool enabled);
    void changeMenuBtnCheckStatus(const QString& identifier, int state);
    void changeMenuBtnImgStatus(const QString& identifier, const QString& imageName, bool enabled);
    std::shared_ptr<APShareCanvas> canvas() { return content().canvas(); }
};

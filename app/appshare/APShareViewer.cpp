#include "appshare/APShareViewer.h"

void APShareViewer::pauseDrawing() {
    content().imageView()->stopDrawing();
}

void APShareViewer::restartDrawing(int) {
    content().imageView()->restartDrawing();
}

void APShareViewer::stopDrawing() {
    content().imageView()->stopDrawing();
}

void APShareViewer::setAppRect(const QRectF& appRect, int displayMode) {
    if (appRect == content().appRect()) return;
    content().setAppRectValue(appRect);
    if (displayMode != APShareImageView::kModeScaled) return;
    resizeWindowForApp();
    setMinWindowSize(0);
}

void APShareViewer::setDisplayMode(int mode) {
    content().imageView()->setMode(mode);
    setMinWindowSize(mode);
}

void APShareViewer::setImageExpansion(float expansion) {
    content().setImageExpansion(expansion);
}

void APShareViewer::changeScrollEnable(bool enabled) {
    content().changeScrollEnable(enabled);
}

void APShareViewer::changeCursorType(const QCursor& cursor) {
    content().changeCursorType(cursor);
}

void APShareViewer::changeMenuBtnStatus(const QString& identifier, bool enabled) {
    content().changeMenuBtnStatus(identifier, enabled);
}

void APShareViewer::changeMenuBtnCheckStatus(const QString& identifier, int state) {
    content().changeMenuBtnCheckStatus(identifier, state);
}

void APShareViewer::changeMenuBtnImgStatus(const QString& identifier, const QString& imageName,
                                           bool enabled) {
    content().changeMenuBtnImgStatus(identifier, imageName, enabled);
}

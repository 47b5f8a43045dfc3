#include "appshare/APShareWindow.h"

#include <QScrollArea>

#include "platform/Localization.h"
#include "platform/View.h"

APShareWindow::APShareWindow(const QRectF& contentRect)
    : Window(contentRect, WindowStyleTitled | WindowStyleMiniaturizable | WindowStyleResizable) {
    setObjectName(QStringLiteral("apShareWindow"));
    content_ = new APShareViewerContent(contentView(), false, kToolbarHeight);
}

APShareWindow::~APShareWindow() = default;

QSizeF APShareWindow::getWindowSize(const APShareWindowMetrics& m, double x0, double y0, double w, double h,
                                    bool adjust) {
    if (w > m.screen.width() - x0) w = m.visible.width() - x0;
    if (h > m.screen.height() - y0) h = m.visible.height() - y0;
    if (!adjust) return QSizeF(std::max(w, m.minFrame.width()), std::max(h, m.minFrame.height()));
    if (m.share.isEmpty()) return QSizeF(w, h);
    const float r = float(m.share.width() / m.share.height());
    const double c = m.c;
    if (r > float(w / (h - c))) {
        h = w / double(r) + c;
    } else {
        w = double(r) * (h - c);
    }
    if (r > 1 && m.minFrame.height() > h) {
        h = m.minFrame.height();
        w = double(r) * (h - c);
    } else if (r <= 1 && m.minFrame.width() > w) {
        w = m.minFrame.width();
        h = w / double(r) + c;
    }
    return QSizeF(w, h);
}

QSizeF APShareWindow::minImageSize(int displayMode, int type, QSizeF screen, QSizeF appSize) {
    const QSizeF base = displayMode != 0 || type == 1 ? screen : appSize;
    return QSizeF(base.width() * 0.25, base.height() * 0.25);
}

APShareWindowMetrics APShareWindow::metrics() const {
    APShareWindowMetrics m;
    m.screen = mainScreenFrame().size();
    m.visible = mainScreenVisibleFrame().size();
    m.share = content_->screenSize();
    m.c = content_->barHeight();
    m.minFrame = minSize();
    return m;
}

bool APShareWindow::startDrawing(int desktop, QSizeF desktopSize, const QRectF& appRect, float expansion,
                                 int displayMode) {
    content_->setShare(desktop, desktopSize, appRect);
    setMinWindowSize(displayMode);
    const double sh = mainScreenFrame().height();
    const bool isDesktop = desktop == 1;
    const double y0 = sh - (100 + (isDesktop ? desktopSize.height() : appRect.height()));
    content_->setImageExpansionValue(expansion);
    const QSizeF wanted = wantedSize();
    const QSizeF size = getWindowSize(metrics(), 100, y0, wanted.width(), wanted.height(),
                                      isDesktop && displayMode == APShareImageView::kModeFitted);
    setFrame(QRectF(100, sh - (size.height() + 100), size.width(), size.height()), true);
    lockAspectRatio(displayMode == APShareImageView::kModeFitted);
    if (!content_->startImage(expansion)) return false;
    setDisplayMode(displayMode);
    content_->scrollTo(appRect.left(), appRect.top());
    return true;
}

QSizeF APShareWindow::wantedSize() const {
    const double e = content_->expansion();
    const double c = content_->barHeight();
    const QSizeF area = content_->type() == 1 ? content_->screenSize() : content_->appRect().size();
    return QSizeF(area.width() * e, area.height() * e + c);
}

void APShareWindow::setMinWindowSize(int displayMode) {
    const QSizeF image =
        minImageSize(displayMode, content_->type(), content_->screenSize(), content_->appRect().size());
    setMinSize(QSizeF(image.width(), image.height() + content_->barHeight()));
}

void APShareWindow::resizeWindowForApp() {
    if (!isVisible()) return;
    const QRectF f = frame();
    const QSizeF wanted = wantedSize();
    const QSizeF size = getWindowSize(metrics(), f.x(), mainScreenFrame().height() - (f.y() + f.height()),
                                      wanted.width(), wanted.height(), false);
    setFrame(QRectF(f.x(), f.y() + f.height() - size.height(), size.width(), size.height()), true);
    const double e = content_->expansion();
    content_->scrollTo(content_->appRect().left() * e, content_->appRect().top() * e);
}

void APShareWindow::fitAppToWindowFrame() {
    if (!isVisible()) return;
    const QRectF f = frame();
    const QSizeF size = getWindowSize(metrics(), f.x(), mainScreenFrame().height() - (f.y() + f.height()),
                                      f.width(), f.height(), true);
    setFrame(QRectF(f.x(), f.y() + f.height() - size.height(), size.width(), size.height()), true);
    lockAspectRatio(true);
    content_->imageView()->fitToWindow(
        QSizeF(size.width(), size.height() - content_->barHeight()) -
        QSizeF(2 * content_->scrollArea()->frameWidth(), 2 * content_->scrollArea()->frameWidth()));
}

void APShareWindow::setTitle(const QString& sharerName, const QString& operatorName) {
    Window::setTitle(LocalizedFormat("dfAPSHARE_TOOLBAR_TITLE", sharerName, operatorName));
}

void APShareWindow::setOperatorName(const QString&, const QString& sharerName, const QString&,
                                    const QString& operatorName) {
    setTitle(sharerName, operatorName);
}

void APShareWindow::lockAspectRatio(bool on) {
    setContentAspectRatio(on ? frame().size() : QSizeF());
}

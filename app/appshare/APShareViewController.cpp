#include "appshare/APShareViewController.h"

#include <QScrollArea>

#include "appshare/APShareWindow.h"
#include "platform/View.h"
#include "platform/Window.h"

APShareViewController::APShareViewController(QObject* parent) : QObject(parent) {
    auto* view = new View();
    view->setObjectName(QStringLiteral("apShareWebinarView"));
    view->setAutoFillBackground(true);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, Qt::black);
    view->setPalette(palette);
    view_ = view;
    content_ = new APShareViewerContent(view, true, kBarHeight);
    QPalette barPalette = content_->bar()->palette();
    barPalette.setColor(QPalette::Window, QColor(0xCC, 0xCC, 0xCC));
    content_->bar()->setPalette(barPalette);
}

APShareViewController::~APShareViewController() {
    // The view belongs to the layout that shows it (or to nobody yet).
    delete view_.data();
}

bool APShareViewController::startDrawing(int desktop, QSizeF desktopSize, const QRectF& appRect,
                                         float expansion, int displayMode) {
    content_->setShare(desktop, desktopSize, appRect);
    content_->setImageExpansionValue(expansion);
    setMinWindowSize(displayMode);
    // A provisional size until the webinar layout places the view: its pane
    // when it has one, else the picture's size cut to the visible screen.
    if (QWidget* pane = view_->parentWidget()) {
        view_->setGeometry(0, 0, pane->width(), pane->height());
    } else {
        APShareWindowMetrics m;
        m.screen = Window::mainScreenFrame().size();
        m.visible = Window::mainScreenVisibleFrame().size();
        m.share = desktopSize;
        m.minFrame = mMinSize_;
        const QSizeF area = desktop == 1 ? desktopSize : appRect.size();
        const QSizeF size = APShareWindow::getWindowSize(m, 100, 100, area.width() * expansion,
                                                         area.height() * expansion + kBarHeight, false);
        view_->resize(qRound(size.width()), qRound(size.height()));
    }
    if (!content_->startImage(expansion)) return false;
    setDisplayMode(displayMode);
    content_->scrollTo(appRect.left(), appRect.top());
    return true;
}

void APShareViewController::setMinWindowSize(int displayMode) {
    mMinSize_ = APShareWindow::minImageSize(displayMode, content_->type(), content_->screenSize(),
                                            content_->appRect().size());
}

void APShareViewController::resizeWindowForApp() {
    if (view_->isHidden()) return;
    if (QWidget* pane = view_->parentWidget())
        view_->setGeometry(view_->x(), 0, pane->width(), pane->height());
    const double e = content_->expansion();
    content_->scrollTo(content_->appRect().left() * e, content_->appRect().top() * e);
}

void APShareViewController::fitAppToWindowFrame() {
    if (view_->isHidden()) return;
    QSizeF available(view_->size());
    if (QWidget* pane = view_->parentWidget()) {
        view_->setGeometry(view_->x(), view_->y(), pane->width(), pane->height());
        available = QSizeF(pane->size());
    }
    content_->imageView()->fitToWindow(QSizeF(available.width(), available.height() - kBarHeight));
}

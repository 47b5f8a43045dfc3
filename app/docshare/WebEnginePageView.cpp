#include "docshare/WebEnginePageView.h"

#include <QWebEngineView>
#include <algorithm>

#include "docshare/DSWebEnginePage.h"

WebEnginePageView::WebEnginePageView() : view_(new QWebEngineView()) {
    view_->setObjectName(QStringLiteral("webPageView"));
    page_ = new DSWebEnginePage(view_);
    view_->setPage(page_);
    QObject::connect(page_, &QWebEnginePage::loadFinished, view_, [this](bool ok) {
        if (delegate_) delegate_->didFinishLoad(ok);
    });
    QObject::connect(page_, &QWebEnginePage::scrollPositionChanged, view_, [this](const QPointF&) {
        if (delegate_) delegate_->didChangeWebViewBounds();
    });
}

WebEnginePageView::~WebEnginePageView() {
    delegate_ = nullptr;
    if (view_) page_->setDelegate(nullptr);
    delete view_.data();
}

WebPageViewFactory WebEnginePageView::factory() {
    return [] { return std::make_unique<WebEnginePageView>(); };
}

QWidget* WebEnginePageView::widget() {
    return view_;
}

void WebEnginePageView::setDelegate(WebPageViewDelegate* delegate) {
    delegate_ = delegate;
    if (view_) page_->setDelegate(delegate);
}

void WebEnginePageView::load(const QString& url) {
    if (!view_) return;
    page_->setHasRequest(true);
    view_->load(QUrl(url));
}

void WebEnginePageView::stopLoading() {
    if (!view_) return;
    view_->stop();
}

void WebEnginePageView::reload() {
    if (!view_) return;
    view_->reload();
}

void WebEnginePageView::reloadFromOrigin() {
    if (!view_) return;
    page_->triggerAction(QWebEnginePage::ReloadAndBypassCache);
}

QSizeF WebEnginePageView::documentSize() const {
    if (!view_) return QSizeF();
    const QSizeF contents = page_->contentsSize();
    return QSizeF(std::max(contents.width(), double(view_->width())),
                  std::max(contents.height(), double(view_->height())));
}

void WebEnginePageView::setDocumentWidth(double width) {
    if (!view_) return;
    view_->setFixedWidth(std::max(1, int(width)));
}

QPointF WebEnginePageView::visibleOrigin() const {
    if (!view_) return QPointF();
    return page_->scrollPosition();
}

void WebEnginePageView::scrollToPoint(const QPointF& point) {
    if (!view_) return;
    page_->runJavaScript(
        QStringLiteral("window.scrollTo(%1, %2);").arg(point.x(), 0, 'f', 1).arg(point.y(), 0, 'f', 1));
}

QString WebEnginePageView::url() const {
    if (!view_) return QString();
    return page_->url().toString();
}

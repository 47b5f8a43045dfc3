// What the document-sharing window needs of a web view: load, stop, reload,
// the size and visible origin of the page's document and scrolling it, and
// the callbacks that steer navigation. WebEnginePageView is the real one;
// tests give a recording stand-in.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

class QWidget;

class WebPageViewDelegate {
public:
    virtual ~WebPageViewDelegate() = default;
    // A navigation of the main frame; true lets it go on. `isLinkClick`: the
    // user followed a link; `frameHasRequest`: something is loaded or loading.
    virtual bool decidePolicyForNavigation(const QUrl& url, bool isLinkClick, bool frameHasRequest) = 0;
    // The page asks for a new window; it is never opened here.
    virtual void decidePolicyForNewWindow(const QUrl& url, bool isLinkClick) = 0;
    virtual void didFinishLoad(bool ok) = 0;
    // The page's visible origin moved.
    virtual void didChangeWebViewBounds() = 0;
};

class WebPageView {
public:
    virtual ~WebPageView() = default;
    virtual QWidget* widget() = 0;
    virtual void setDelegate(WebPageViewDelegate* delegate) = 0;
    virtual void load(const QString& url) = 0;
    virtual void stopLoading() = 0;
    virtual void reload() = 0;
    virtual void reloadFromOrigin() = 0;
    // The whole scrollable page (at least the view's size).
    virtual QSizeF documentSize() const = 0;
    virtual void setDocumentWidth(double width) = 0;
    virtual QPointF visibleOrigin() const = 0;
    virtual void scrollToPoint(const QPointF& point) = 0;
    // The address loaded or loading (empty before any).
    virtual QString url() const = 0;
};

using WebPageViewFactory = std::function<std::unique_ptr<WebPageView>()>;

#include "docshare/DSWebEnginePage.h"

#include <QTimer>

#include "docshare/WebPageView.h"

DSWebEnginePage::DSWebEnginePage(QObject* parent) : QWebEnginePage(parent) {}

bool DSWebEnginePage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (!isMainFrame || !delegate_) return true;
    const bool use =
        delegate_->decidePolicyForNavigation(url, type == NavigationTypeLinkClicked, hasRequest_);
    if (use) hasRequest_ = true;
    return use;
}

QWebEnginePage* DSWebEnginePage::createWindow(WebWindowType) {
    // The engine loads the link into the page answered here; that page only
    // passes the address on and goes.
    return new DSNewWindowPage(profile(), delegate_, this);
}

DSNewWindowPage::DSNewWindowPage(QWebEngineProfile* profile, WebPageViewDelegate* delegate, QObject* parent)
    : QWebEnginePage(profile, parent), delegate_(delegate) {}

bool DSNewWindowPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool) {
    if (delegate_ && !url.isEmpty() && url.toString() != QStringLiteral("about:blank")) {
        delegate_->decidePolicyForNewWindow(url, type == NavigationTypeLinkClicked);
        QTimer::singleShot(0, this, &QObject::deleteLater);
        delegate_ = nullptr;
    }
    return false;
}

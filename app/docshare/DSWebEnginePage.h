// The web engine's page of the document-sharing window: hands every
// navigation of the main frame and every request for a new window to a
// WebPageViewDelegate, and reports scrolling.
#pragma once

#include <QWebEnginePage>

class WebPageViewDelegate;

class DSWebEnginePage : public QWebEnginePage {
    Q_OBJECT

public:
    explicit DSWebEnginePage(QObject* parent = nullptr);
    void setDelegate(WebPageViewDelegate* delegate) { delegate_ = delegate; }
    // Something was committed to or is loading in the main frame.
    bool hasRequest() const { return hasRequest_; }
    void setHasRequest(bool on) { hasRequest_ = on; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    WebPageViewDelegate* delegate_ = nullptr;
    bool hasRequest_ = false;
};

// Stands for the window a page asked for: takes its first navigation to the
// delegate as a new-window request, then goes.
class DSNewWindowPage : public QWebEnginePage {
    Q_OBJECT

public:
    DSNewWindowPage(QWebEngineProfile* profile, WebPageViewDelegate* delegate, QObject* parent);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    WebPageViewDelegate* delegate_;
};

// The web view of the document-sharing window on the system's web engine.
#pragma once

#include <QPointer>
#include <QSizeF>
#include <memory>

#include "docshare/WebPageView.h"

class QWebEngineView;
class DSWebEnginePage;

class WebEnginePageView : public WebPageView {
public:
    WebEnginePageView();
    ~WebEnginePageView() override;

    static WebPageViewFactory factory();

    QWidget* widget() override;
    void setDelegate(WebPageViewDelegate* delegate) override;
    void load(const QString& url) override;
    void stopLoading() override;
    void reload() override;
    void reloadFromOrigin() override;
    QSizeF documentSize() const override;
    void setDocumentWidth(double width) override;
    QPointF visibleOrigin() const override;
    void scrollToPoint(const QPointF& point) override;
    QString url() const override;

private:
    QPointer<QWebEngineView> view_;
    DSWebEnginePage* page_ = nullptr;
    WebPageViewDelegate* delegate_ = nullptr;
};

#pragma once

// Helpers of the document-sharing window tests: a recording stand-in for the
// web view, a recording manager, and the parameters of a window on a model.

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "../../fixtures/app/AppTestSupport.h"
#include "../ui/UiTestSupport.h"
#include "docshare/DocShareController.h"
#include "docshare/WebPageView.h"

// The web engine shares its drawing contexts with the application, which must
// be said before the application object exists. Its renderer processes run
// without their sandbox, which refuses to start for root (the tests may run as
// root), and without a GPU.
inline QApplication& ensureDocShareApplication() {
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!QCoreApplication::instance()) QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return ensureQtApplication();
}

// Records what the window asks of its web view; the test plays the page's part.
class FakeWebPageView : public WebPageView {
public:
    FakeWebPageView() : widget_(new QWidget()) { widget_->setObjectName("webPageView"); }
    ~FakeWebPageView() override { delete widget_.data(); }
    QWidget* widget() override { return widget_; }
    void setDelegate(WebPageViewDelegate* d) override { delegate = d; }
    void load(const QString& url) override {
        loads.push_back(url.toStdString());
        current = url;
    }
    void stopLoading() override { ++stops; }
    void reload() override { ++reloads; }
    void reloadFromOrigin() override { ++reloads; }
    QSizeF documentSize() const override { return docSize; }
    void setDocumentWidth(double w) override { docSize.setWidth(w); }
    QPointF visibleOrigin() const override { return origin; }
    void scrollToPoint(const QPointF& p) override {
        scrolls.push_back(p);
        origin = p;
    }
    QString url() const override { return current; }

    // The user clicks a link in the shown page: answers whether the engine may follow it.
    bool clickLink(const QString& url) {
        return delegate && delegate->decidePolicyForNavigation(QUrl(url), true, true);
    }

    QPointer<QWidget> widget_;
    WebPageViewDelegate* delegate = nullptr;
    std::vector<std::string> loads;
    int stops = 0, reloads = 0;
    QSizeF docSize{780, 2000};
    QPointF origin;
    std::vector<QPointF> scrolls;
    QString current;
};

// The manager's side: records each operation as one line.
struct RecordingManager : DocShareControllerDelegate {
    std::vector<std::string> calls;
    void add(const std::string& s) { calls.push_back(s); }
    void updateDocument(const QString& url, std::int64_t page) override {
        add("updateDocument " + url.toStdString() + " " + std::to_string(page));
    }
    void reloadPage() override { add("reloadPage"); }
    void stopLoading() override { add("stopLoading"); }
    void changePageInfo(std::int64_t page) override { add("changePageInfo " + std::to_string(page)); }
    void forceDisplay() override { add("forceDisplay"); }
    void changeDocSize(const QSizeF& s) override {
        add("changeDocSize " + std::to_string(int(s.width())) + "x" + std::to_string(int(s.height())));
    }
    void changeScrollPoint(const QPointF& p) override {
        add("changeScrollPoint " + std::to_string(int(p.x())) + "," + std::to_string(int(p.y())));
    }
    void changeZoomRange(std::int64_t z) override { add("changeZoomRange " + std::to_string(z)); }
    void changePointerMode(bool on) override { add("changePointerMode " + std::to_string(on)); }
    void changeDrawingMode(bool on) override { add("changeDrawingMode " + std::to_string(on)); }
    void drawData(int mode) override { add("drawData " + std::to_string(mode)); }
    void clearDrawing() override { add("clearDrawing"); }
    void movePointer(const QPointF&) override { add("movePointer"); }
    void requestDocSize() override { add("requestDocSize"); }
};

// A picture of one colour with a black square at its top left corner (a tenth of its width).
inline QImage makePagePicture(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    for (int y = 0; y < h / 10; ++y)
        for (int x = 0; x < w / 10; ++x) image.setPixelColor(x, y, Qt::black);
    return image;
}

// The resident set of this process in bytes (0 when it cannot be read).
inline long residentBytes() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    const int n = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return n == 2 ? resident * sysconf(_SC_PAGESIZE) : 0;
}

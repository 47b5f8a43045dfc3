// The operations of the document-sharing manager that the window and the view
// call (main thread); the manager sends what the model then holds.
#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstdint>

// The manager's operations that the twins call.
class DocShareControllerDelegate {
public:
    virtual ~DocShareControllerDelegate() = default;
    virtual void updateDocument(const QString& url, std::int64_t pageNum) = 0;
    virtual void reloadPage() = 0;
    virtual void stopLoading() = 0;
    virtual void changePageInfo(std::int64_t page) = 0;
    virtual void forceDisplay() = 0;
    virtual void changeDocSize(const QSizeF& size) = 0;
    virtual void changeScrollPoint(const QPointF& point) = 0;
    virtual void changeZoomRange(std::int64_t zoom) = 0;
    virtual void changePointerMode(bool on) = 0;
    virtual void changeDrawingMode(bool on) = 0;
    virtual void drawData(int mode) = 0;
    virtual void clearDrawing() = 0;
    virtual void movePointer(const QPointF& point) = 0;
    virtual void requestDocSize() = 0;
};

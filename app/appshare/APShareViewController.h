#pragma once

// The viewer of webinar rooms: the same content as the viewer window, as a
// view with the bar of tool controls along its top, which the webinar layout
// of the conference window places into one of its panes. It fills its pane;
// it has no title and no window events. Main thread only.

#include <QObject>
#include <QPointer>
#include <QSizeF>

#include "appshare/APShareViewer.h"

class View;

class APShareViewController : public QObject, public APShareViewer {
    Q_OBJECT

public:
    static constexpr int kBarHeight = 45;

    explicit APShareViewController(QObject* parent = nullptr);
    ~APShareViewController() override;

    // The embedded view (black, resizing with its pane).
    QWidget* view() const { return view_; }

    APShareViewerContent& content() override { return *content_; }
    QWidget* viewerWidget() override { return view_; }
    bool startDrawing(int desktop, QSizeF desktopSize, const QRectF& appRect, float expansion,
                      int displayMode) override;
    void setMinWindowSize(int displayMode) override;
    void resizeWindowForApp() override;
    void fitAppToWindowFrame() override;
    QSizeF minSize() const { return mMinSize_; }

private:
    QPointer<QWidget> view_;
    APShareViewerContent* content_ = nullptr;
    QSizeF mMinSize_;
};

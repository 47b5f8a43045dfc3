#pragma once

// A scroll area that centres a document smaller than itself and lets a
// larger one scroll within its edges, on a grey background.

#include <QRectF>
#include <QScrollArea>
#include <QSizeF>

class CenteringClipView : public QScrollArea {
    Q_OBJECT

public:
    explicit CenteringClipView(QWidget* parent = nullptr);

    // The visible rectangle (in document coordinates) for a proposed one: the
    // size stays; a document smaller than the view is centred (a negative
    // origin), a larger one is kept within its edges; whole points.
    static QRectF constrainBoundsRect(const QRectF& proposed, QSizeF documentSize);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void placeDocument();
};

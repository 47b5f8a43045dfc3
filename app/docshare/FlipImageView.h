// The document view of the page scroll area: shows the page picture at a
// display size with a margin of 10 points on every side, origin at the top
// left. The picture is kept at its own size and painted scaled, only where it
// is exposed, so a large zoom costs no memory beyond the page itself.
#pragma once

#include <QImage>
#include <QSizeF>
#include <QWidget>

class FlipImageView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMargin = 10;

    explicit FlipImageView(QWidget* parent = nullptr);

    // The picture and the size it is shown at (the view becomes that size
    // plus the margins).
    void setImage(const QImage& image, QSizeF displaySize);
    void setDisplaySize(QSizeF displaySize);
    const QImage& image() const { return image_; }
    QSizeF displaySize() const { return displaySize_; }
    // Where the picture lies in the view.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QSizeF displaySize_;
};

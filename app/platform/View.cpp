#include "platform/View.h"

#include <QResizeEvent>
#include <cmath>

namespace {

const char* const kFrameProperty = "quorixFrame";
const char* const kMaskProperty = "quorixAutoresizingMask";

QRect roundedRect(const QRectF& rect) {
    const int left = int(std::lround(rect.x()));
    const int top = int(std::lround(rect.y()));
    const int right = int(std::lround(rect.x() + rect.width()));
    const int bottom = int(std::lround(rect.y() + rect.height()));
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace

View::View(QWidget* parent) : QWidget(parent) {}

View::View(const QRectF& frame, QWidget* parent) : QWidget(parent) { setFrame(frame); }

double View::flipHeightOf(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    if (parent == nullptr || widget->isWindow()) {
        return 0;
    }
    return parent->height();
}

void View::setFrameOf(QWidget* widget, const QRectF& frame) {
    widget->setProperty(kFrameProperty, frame);
    const QWidget* parent = widget->parentWidget();
    const double height = parent != nullptr ? parent->height() : 0;
    widget->setGeometry(roundedRect(ViewGeometry::flipRect(frame, height)));
}

QRectF View::frameOf(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    const double height = parent != nullptr ? parent->height() : 0;
    const QVariant stored = widget->property(kFrameProperty);
    if (stored.isValid()) {
        const QRectF frame = stored.toRectF();
        if (roundedRect(ViewGeometry::flipRect(frame, height)) == widget->geometry()) {
            return frame;
        }
    }
    return ViewGeometry::flipRect(QRectF(widget->geometry()), height);
}

void View::setAutoresizingMaskOf(QWidget* widget, unsigned mask) { widget->setProperty(kMaskProperty, mask); }

unsigned View::autoresizingMaskOf(const QWidget* widget) { return widget->property(kMaskProperty).toUInt(); }

void View::addSubview(QWidget* child) {
    const QRectF frame = frameOf(child);
    child->setParent(this);
    setFrameOf(child, frame);
    child->show();
}

void View::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize oldSize = event->oldSize();
    if (!autoresizesSubviews_ || !oldSize.isValid()) {
        return;
    }
    const QSizeF oldSizeF(oldSize);
    const QSizeF newSizeF(event->size());
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow()) {
            continue;
        }
        // The child's frame as it was in the old parent, bottom-up.
        QRectF frame;
        const QVariant stored = child->property(kFrameProperty);
        if (stored.isValid() &&
            roundedRect(ViewGeometry::flipRect(stored.toRectF(), oldSizeF.height())) == child->geometry()) {
            frame = stored.toRectF();
        } else {
            frame = ViewGeometry::flipRect(QRectF(child->geometry()), oldSizeF.height());
        }
        setFrameOf(child, ViewGeometry::resizeWithOldSuperviewSize(frame, autoresizingMaskOf(child), oldSizeF, newSizeF));
    }
}

#include "platform/View.h"

#include <QResizeEvent>
#include <cmath>

namespace {

const char* const kFrameProperty = "quorixFrame";
const char* const kMaskProperty = "quorixAutoresizingMask";
const char* const kParentSizeProperty = "quorixFrameParentSize";

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

// A frame is kept with the parent size it was laid out for, so a parent that
// is resized while hidden (Qt then delivers no resize event until it shows)
// still places its children by their masks: the frame in the current parent
// is worked out from the size it was laid out for.
void View::setFrameOf(QWidget* widget, const QRectF& frame) {
    const QWidget* parent = widget->parentWidget();
    const QSizeF parentSize = parent != nullptr ? QSizeF(parent->size()) : QSizeF(0, 0);
    widget->setProperty(kFrameProperty, frame);
    widget->setProperty(kParentSizeProperty, parentSize);
    widget->setGeometry(roundedRect(ViewGeometry::flipRect(frame, parentSize.height())));
}

QRectF View::frameOf(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    const QSizeF current = parent != nullptr ? QSizeF(parent->size()) : QSizeF(0, 0);
    const QVariant stored = widget->property(kFrameProperty);
    if (stored.isValid()) {
        const QRectF frame = stored.toRectF();
        const QSizeF laidOut = widget->property(kParentSizeProperty).toSizeF();
        if (roundedRect(ViewGeometry::flipRect(frame, laidOut.height())) == widget->geometry()) {
            if (laidOut == current) {
                return frame;
            }
            const auto* view = qobject_cast<const View*>(parent);
            if (view != nullptr && view->autoresizesSubviews()) {
                return ViewGeometry::resizeWithOldSuperviewSize(frame, autoresizingMaskOf(widget), laidOut, current);
            }
        }
    }
    return ViewGeometry::flipRect(QRectF(widget->geometry()), current.height());
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
    const QSizeF newSize(event->size());
    const QSizeF oldSize = laidOutSize_.isValid() ? laidOutSize_ : QSizeF(event->oldSize());
    laidOutSize_ = newSize;
    if (!autoresizesSubviews_) {
        return;
    }
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow()) {
            continue;
        }
        const QVariant stored = child->property(kFrameProperty);
        const QSizeF laidOut = child->property(kParentSizeProperty).toSizeF();
        if (stored.isValid() &&
            roundedRect(ViewGeometry::flipRect(stored.toRectF(), laidOut.height())) == child->geometry()) {
            setFrameOf(child, frameOf(child));
        } else if (oldSize.isValid()) {
            // Placed by plain Qt calls: its place counts for the old size.
            const QRectF frame = ViewGeometry::flipRect(QRectF(child->geometry()), oldSize.height());
            setFrameOf(child, ViewGeometry::resizeWithOldSuperviewSize(frame, autoresizingMaskOf(child), oldSize,
                                                                       newSize));
        }
    }
}

#include "ui/MultiLineTableHeaderCell.h"

#include <QAbstractItemModel>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QPainter>
#include <QTextOption>

MultiLineTableHeaderCell::MultiLineTableHeaderCell(QWidget* parent)
    : MultiLineTableHeaderCell(QStringLiteral("multi_line_header"), false, parent) {}

MultiLineTableHeaderCell::MultiLineTableHeaderCell(const QString& identifier, bool isCentering, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), identifier_(identifier), isCentering_(isCentering) {}

QPolygonF MultiLineTableHeaderCell::sortIndicatorPoints(const QRectF& frame, bool ascending) {
    const double x0 = frame.x() + frame.width() - 12;
    const double y = frame.y();
    const double h = frame.height();
    if (ascending) {
        return QPolygonF({QPointF(x0, y + h - 5), QPointF(x0 + 4, y + h - 12), QPointF(x0 + 8, y + h - 5)});
    }
    return QPolygonF({QPointF(x0, y + 5), QPointF(x0 + 4, y + 12), QPointF(x0 + 8, y + 5)});
}

void MultiLineTableHeaderCell::setSortAscending(bool ascending, qint64 priority) {
    ascending_ = ascending;
    priority_ = priority;
    viewport()->update();
}

void MultiLineTableHeaderCell::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->fillRect(rect, Qt::transparent);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPointSizeF(9);
    painter->setFont(font);
    painter->setPen(Qt::darkGray);
    QTextOption option(isCentering_ ? Qt::AlignHCenter : Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAnywhere);
    const QString title = model() != nullptr ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->drawText(QRectF(rect).translated(0, 3), title, option);
    const bool highlighted = isSortIndicatorShown() && sortIndicatorSection() == logicalIndex;
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    const QColor shade = QColor::fromRgbF(0.2f, 0.2f, 0.2f, highlighted ? 0.1f : 0.0f);
    gradient.setColorAt(0, shade);
    gradient.setColorAt(0.5, shade);
    gradient.setColorAt(1, shade);
    painter->fillRect(rect, gradient);
    if (highlighted) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(priority_ == 0 ? QColor(Qt::white) : QColor(Qt::transparent));
        painter->drawPolygon(sortIndicatorPoints(QRectF(rect), ascending_));
    }
    painter->restore();
}

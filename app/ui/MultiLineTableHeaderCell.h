#pragma once

// A table header with wrapped bold titles (9 points, dark grey, centred or
// natural) and a sort triangle at the right of the sorted column, filled
// white while the header's own priority is 0.

#include <QHeaderView>
#include <QPolygonF>
#include <QRectF>

class MultiLineTableHeaderCell : public QHeaderView {
    Q_OBJECT

public:
    explicit MultiLineTableHeaderCell(QWidget* parent = nullptr);
    MultiLineTableHeaderCell(const QString& identifier, bool isCentering, QWidget* parent = nullptr);

    // The triangle in a section frame (top-down, as the header draws).
    static QPolygonF sortIndicatorPoints(const QRectF& frame, bool ascending);

    void setSortAscending(bool ascending, qint64 priority);
    bool ascending() const { return ascending_; }
    qint64 priority() const { return priority_; }
    bool isCentering() const { return isCentering_; }
    const QString& identifier() const { return identifier_; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    QString identifier_;
    bool isCentering_;
    bool ascending_ = true;
    qint64 priority_ = 0;
};

#include "ui/CustomCheckButton.h"

#include <QPainter>
#include <QPixmap>

#include "ui/CustomCheckButtonCell.h"

namespace {

QColor whiteShade(double alpha) { return QColor::fromRgbF(0.8f, 0.8f, 0.8f, float(alpha)); }

}  // namespace

const QStringList CustomCheckButton::kImageKeys = {
    QStringLiteral("CustomButtonKeyNormal"),   QStringLiteral("CustomButtonKeyNormalHover"),
    QStringLiteral("CustomButtonKeyNormalAlternate"), QStringLiteral("CustomButtonKeyChecked"),
    QStringLiteral("CustomButtonKeyCheckedHover"),    QStringLiteral("CustomButtonKeyCheckedAlternate"),
    QStringLiteral("CustomButtonKeyDisabled"),        QStringLiteral("CustomButtonKeyDisabledHover"),
    QStringLiteral("CustomButtonKeyDisabledAlternate"), QStringLiteral("CustomButtonKeyInvalid"),
    QStringLiteral("CustomButtonKeyInvalidHover"),    QStringLiteral("CustomButtonKeyInvalidAlternate"),
};

CustomCheckButton::CustomCheckButton(QWidget* parent) : QPushButton(parent) {
    setFlat(true);
    setAttribute(Qt::WA_Hover);
    showState();
}

void CustomCheckButton::setImageResources(const QVariantMap& resources) {
    for (const QString& key : kImageKeys) {
        const auto it = resources.constFind(key);
        if (it == resources.constEnd()) {
            continue;
        }
        const QPixmap pixmap(it.value().toString());
        images_.insert(key, pixmap.isNull() ? QIcon()
                                            : QIcon(pixmap.scaled(18, 18, Qt::IgnoreAspectRatio,
                                                                  Qt::SmoothTransformation)));
    }
    showState();
}

void CustomCheckButton::setType(qint64 type) {
    type_ = type;
    showState();
}

void CustomCheckButton::showState() {
    switch (type_) {
    case Invalid:
        shownImage_ = images_.value(QStringLiteral("CustomButtonKeyInvalid"));
        setEnabled(false);
        setShading(whiteShade(0.6));
        break;
    case Disabled:
        shownImage_ = images_.value(QStringLiteral("CustomButtonKeyDisabled"));
        setEnabled(false);
        break;
    case Checked:
        shownImage_ = images_.value(QStringLiteral("CustomButtonKeyChecked"));
        setEnabled(true);
        break;
    default:
        shownImage_ = images_.value(QStringLiteral("CustomButtonKeyNormal"));
        setEnabled(true);
        break;
    }
    update();
}

void CustomCheckButton::setShading(const QColor& color) {
    shading_ = color;
    update();
}

void CustomCheckButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        setShading(whiteShade(0.3));
    }
    QPushButton::enterEvent(event);
}

void CustomCheckButton::leaveEvent(QEvent* event) {
    if (isEnabled()) {
        setShading(Qt::transparent);
    }
    QPushButton::leaveEvent(event);
}

void CustomCheckButton::mousePressEvent(QMouseEvent* event) {
    if (isEnabled()) {
        setShading(whiteShade(0.6));
    }
    QPushButton::mousePressEvent(event);
}

void CustomCheckButton::mouseReleaseEvent(QMouseEvent* event) {
    if (isEnabled()) {
        setShading(whiteShade(0.3));
    }
    QPushButton::mouseReleaseEvent(event);
}

void CustomCheckButton::paintEvent(QPaintEvent* event) {
    (void)event;
    QPainter painter(this);
    painter.fillRect(rect(), shading_);
    const double titleWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const QRectF box = CustomCheckButtonCell::imageRectForBounds(QSizeF(size()), titleWidth);
    if (!shownImage_.isNull()) {
        shownImage_.paint(&painter, box.toRect());
    }
    if (!text().isEmpty()) {
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
}

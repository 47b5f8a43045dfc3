#include "conference/MVFooterView.h"

#include <QLabel>
#include <QLineEdit>

#include "platform/Localization.h"
#include "platform/StringFormat.h"

namespace {
const QColor kBarColor = QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f);

QString connectionLabel(int connectType) {
    switch (connectType) {
        case CONNECT_TYPE_DIRECT:
            return LocalizedString("dfCONNECTIONMETHOD_KEY3");
        case CONNECT_TYPE_TUNNELING:
        case CONNECT_TYPE_TUNNELING2:
            return LocalizedString("dfCONNECTIONMETHOD_KEY4");
        case CONNECT_TYPE_PROXY:
            return LocalizedString("dfCONNECTIONMETHOD_PROXY");
        default:
            return QString();  // a successful login gives no other method
    }
}
}  // namespace

MVFooterView::MVFooterView(const QRectF& frame, const QVariantMap& confDict, int /*roomCategory*/,
                           bool /*isWebinar*/, int connectType, QWidget* parent)
    : View(frame, parent), confDict_(confDict), connectType_(connectType) {
    setObjectName(QStringLiteral("footerView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBarColor);
    setPalette(pal);

    const QRectF bounds(QPointF(0, 0), frame.size());
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("footerField"));
    field_->setFrame(false);
    field_->setReadOnly(true);
    field_->setFocusPolicy(Qt::NoFocus);
    field_->setStyleSheet(QStringLiteral("QLineEdit { background: rgb(250,250,250); border: none; }"));
    View::setFrameOf(field_, bounds);
    View::setAutoresizingMaskOf(field_, ViewWidthSizable | ViewMaxYMargin);

    label_ = new QLabel(field_);
    label_->setObjectName(QStringLiteral("footerLabel"));
    label_->setProperty("tag", kLabelTag);
    label_->setAttribute(Qt::WA_TranslucentBackground);
    View::setFrameOf(label_,
                     QRectF(bounds.x() + 4, bounds.y() + 2, bounds.width() * 2 / 3 - 4, bounds.height() - 4));
    View::setAutoresizingMaskOf(label_, ViewMaxYMargin);
    label_->setText(getTextFooterConfInfo());
}

QString MVFooterView::getTextFooterConfInfo() const {
    return StringWithFormat(QStringLiteral("%@\u3000<<<<< %@ >>>>>"),
                            confDict_.value(QStringLiteral("CLASSNAME")).toString(),
                            connectionLabel(connectType_));
}

void MVFooterView::setReconnectLable() {
    label_->setText(StringWithFormat(QStringLiteral("   %@\u3000<<<<< %@ >>>>>"),
                                     confDict_.value(QStringLiteral("CLASSNAME")).toString(),
                                     LocalizedString("dfMAINVIEW_RECONNECT_LBL")));
}

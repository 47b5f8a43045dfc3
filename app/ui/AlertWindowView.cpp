#include "ui/AlertWindowView.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>

#include "platform/View.h"
#include "services/Common.h"
#include "ui/InfoAlertWindow.h"

AlertWindowView::AlertWindowView(const QRectF& contentRect) : Window(contentRect, WindowStyleBorderless) {}

QSizeF AlertWindowView::windowSizeFor(double windowWidth, double textHeight, bool withLink) {
    return QSizeF(windowWidth, (withLink ? 80 : 50) + textHeight);
}

QRectF AlertWindowView::textFrameFor(QSizeF windowSize, double textHeight, bool withLink) {
    const double width = withLink ? windowSize.width() - 50 : windowSize.width();
    return QRectF(windowSize.width() / 2 - width / 2, windowSize.height() / 2 - textHeight / 2, width, textHeight);
}

void AlertWindowView::MakeDetail(const QString& msg, const std::optional<QString>& hyperlinkStr, qint64 type) {
    const bool withLink = hyperlinkStr.has_value();
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString colour = type == 1 ? QStringLiteral("red") : QStringLiteral("black");
    const QString html = QStringLiteral("<div align=\"center\" style=\"color: %1;\">%2%3</div>")
                             .arg(colour, msg.toHtmlEscaped(), hyperlinkStr.value_or(QString()));
    const double width = frame().width();
    const double textWidth = withLink ? width - 50 : width;
    QTextDocument layout;
    layout.setDocumentMargin(0);
    layout.setDefaultFont(font);
    layout.setHtml(html);
    layout.setTextWidth(textWidth);
    const double textHeight = layout.size().height();

    const QRectF old = frame();
    setFrame(QRectF(old.topLeft(), windowSizeFor(width, textHeight, withLink)));
    View* content = contentView();

    if (!withLink) {
        card_ = new QLabel(content);
        card_->setObjectName(QStringLiteral("alertCard"));
        card_->setScaledContents(true);
        if (const auto image = InfoAlertWindow::imageResize(
                InfoAlertWindow::RoadImage(QStringLiteral("user_list_notify"), QStringLiteral("gif")), frame().size())) {
            card_->setPixmap(QPixmap::fromImage(*image));
        }
        View::setFrameOf(card_, QRectF(QPointF(0, 0), frame().size()));
    }

    textView_ = new QLabel(html, content);
    textView_->setObjectName(QStringLiteral("alertMessage"));
    textView_->setFont(font);
    textView_->setTextFormat(Qt::RichText);
    textView_->setWordWrap(true);
    textView_->setStyleSheet(QStringLiteral("background: transparent;"));
    textView_->setTextInteractionFlags(withLink ? Qt::TextBrowserInteraction : Qt::NoTextInteraction);
    textView_->setOpenExternalLinks(withLink);
    View::setFrameOf(textView_, textFrameFor(frame().size(), textHeight, withLink));

    if (withLink) {
        setDelegate(this);
        return;
    }
    auto* close = new QPushButton(content);
    close->setObjectName(QStringLiteral("alertCloseButton"));
    close->setFlat(true);
    close->setStyleSheet(QStringLiteral("border: none; background: transparent;"));
    QSizeF imageSize(0, 0);
    if (const auto strip = InfoAlertWindow::RoadImage(QStringLiteral("user_list_notify_exit"), QStringLiteral("gif"))) {
        imageSize = QSizeF(InfoAlertWindow::TrimImage(close, *strip).size());
    }
    View::setFrameOf(close, InfoAlertWindow::closeButtonFrameInCard(frame().size(), imageSize));
    connect(close, &QPushButton::clicked, this, &AlertWindowView::closeAction);
    closeButton_ = close;
}

void AlertWindowView::closeAction() {
    if (actionDelegate_ != nullptr) {
        actionDelegate_->onClickCloseBtn(this);
    }
}

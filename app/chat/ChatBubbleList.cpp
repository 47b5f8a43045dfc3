#include "chat/ChatBubbleList.h"

#include <QApplication>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextDocument>
#include <cmath>

#include "chat/ChatText.h"

namespace {
QString rgba(const QColor& c) {
    return QStringLiteral("rgba(%1,%2,%3,%4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alphaF());
}
}  // namespace

ChatBubbleList::ChatBubbleList(const QColor& ownColor, const QColor& otherColor, bool roundUp,
                               bool otherOffset, QWidget* parent)
    : QListWidget(parent),
      ownColor_(ownColor),
      otherColor_(otherColor),
      roundUp_(roundUp),
      otherOffset_(otherOffset) {
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
}

QString ChatBubbleList::chatHtml(const ChatBubbleItem& item) {
    QString message = item.message.toHtmlEscaped();
    message.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    message.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    message.replace(QChar(0x2028), QStringLiteral("<br>"));
    return QStringLiteral("<span style=\"font-size:9pt\">") +
           ChatText::heading(item.name, item.date).toHtmlEscaped() +
           QStringLiteral("</span><br><br><span style=\"white-space:pre-wrap\">") + message +
           QStringLiteral("</span>");
}

QSizeF ChatBubbleList::measure(const ChatBubbleItem& item, double width, bool roundUp) {
    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setDefaultFont(QApplication::font());
    doc.setHtml(chatHtml(item));
    doc.setTextWidth(std::max(1.0, width));
    QSizeF size(std::min(doc.idealWidth(), std::max(1.0, width)), doc.size().height());
    if (roundUp) size = QSizeF(std::ceil(size.width()), std::ceil(size.height()));
    return size;
}

void ChatBubbleList::setItems(const std::vector<ChatBubbleItem>& items) {
    items_ = items;
    rebuild();
}

void ChatBubbleList::rebuild() {
    // Placing the rows can show or hide the scroll bar, which resizes the
    // table while its rows are being made: that width is taken by one more
    // pass afterwards, never by a nested one (it would delete the rows under
    // the running pass). A third pass would only follow the scroll bar back.
    if (rebuilding_) {
        widthChanged_ = true;
        return;
    }
    rebuilding_ = true;
    for (int pass = 0; pass < 2; ++pass) {
        widthChanged_ = false;
        placeRows();
        if (!widthChanged_) break;
    }
    rebuilding_ = false;
}

void ChatBubbleList::placeRows() {
    clear();
    const int columnWidth = viewport()->width();
    for (const ChatBubbleItem& line : items_) {
        const QSizeF size = measure(line, measureWidth_, roundUp_);
        auto* row = new QListWidgetItem(this);
        row->setSizeHint(QSize(columnWidth, int(std::ceil(size.height())) + 20));
        auto* cell = new QWidget();
        auto* bubble = new QLabel(cell);
        bubble->setObjectName(line.isOwn ? QStringLiteral("ownBubble") : QStringLiteral("otherBubble"));
        bubble->setTextFormat(Qt::RichText);
        bubble->setWordWrap(true);
        bubble->setText(chatHtml(line));
        bubble->setTextInteractionFlags(Qt::TextSelectableByMouse);
        bubble->setStyleSheet(QStringLiteral("QLabel { background: %1; border: none; border-radius: 10px; "
                                             "padding: 4px; }")
                                  .arg(rgba(line.isOwn ? ownColor_ : otherColor_)));
        const int w = int(std::ceil(size.width())) + 16, h = int(std::ceil(size.height())) + 16;
        const int x = line.isOwn ? columnWidth - int(std::ceil(size.width())) - 16 : (otherOffset_ ? 4 : 0);
        bubble->setGeometry(std::max(0, x), 0, w, h);
        setItemWidget(row, cell);
    }
}

void ChatBubbleList::scrollToLast() {
    if (count() > 0) scrollToItem(item(count() - 1), QAbstractItemView::PositionAtBottom);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ChatBubbleList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // Own bubbles sit at the right edge: place them again for the new width.
    if (event->oldSize().width() != event->size().width() && !items_.empty()) {
        const int value = verticalScrollBar()->value();
        rebuild();
        verticalScrollBar()->setValue(value);
    }
}

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
    // Adding rows can show the scroll bar, which narrows the viewport and
    // comes back as a resize while the rows are made: they are placed once
    // all are there, and no row is removed under the loop.
    building_ = true;
    clear();
    sizes_.clear();
    for (const ChatBubbleItem& line : items_) {
        sizes_.push_back(measure(line, measureWidth_, roundUp_));
        auto* row = new QListWidgetItem(this);
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
        setItemWidget(row, cell);
    }
    building_ = false;
    place();
}

void ChatBubbleList::place() {
    // Sizing a row can show or hide the scroll bar, which comes back here as
    // a resize: the rows are then placed again for the new width.
    if (placing_) {
        placeAgain_ = true;
        return;
    }
    placing_ = true;
    for (int pass = 0; pass < 3; ++pass) {
        placeAgain_ = false;
        const int columnWidth = viewport()->width();
        for (int i = 0; i < count() && size_t(i) < sizes_.size() && size_t(i) < items_.size(); ++i) {
            const QSizeF size = sizes_[size_t(i)];
            QListWidgetItem* row = item(i);
            row->setSizeHint(QSize(columnWidth, int(std::ceil(size.height())) + 20));
            QWidget* cell = itemWidget(row);
            QLabel* bubble = cell != nullptr ? cell->findChild<QLabel*>() : nullptr;
            if (bubble == nullptr) continue;
            const int w = int(std::ceil(size.width())) + 16, h = int(std::ceil(size.height())) + 16;
            const int x = items_[size_t(i)].isOwn ? columnWidth - int(std::ceil(size.width())) - 16
                                                  : (otherOffset_ ? 4 : 0);
            bubble->setGeometry(std::max(0, x), 0, w, h);
        }
        if (!placeAgain_) break;
    }
    placing_ = false;
}

void ChatBubbleList::scrollToLast() {
    if (count() > 0) scrollToItem(item(count() - 1), QAbstractItemView::PositionAtBottom);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ChatBubbleList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // Own bubbles sit at the right edge: place them again for the new width.
    if (event->oldSize().width() != event->size().width() && !items_.empty() && !building_) {
        const int value = verticalScrollBar()->value();
        place();
        verticalScrollBar()->setValue(value);
    }
}

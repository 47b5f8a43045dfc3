// The table of chat bubbles of the text box and the message window: one row
// per line, the writer's heading in small type over the text, own lines on
// the right in their own colour.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QListWidget>
#include <QSizeF>
#include <vector>

struct ChatBubbleItem {
    QString name;
    QDateTime date;
    QString message;
    bool isOwn = false;
};

class ChatBubbleList : public QListWidget {
    Q_OBJECT

public:
    // `ownOffset`: other lines sit 4 points in (text box) or at the cell's x.
    ChatBubbleList(const QColor& ownColor, const QColor& otherColor, bool roundUp, bool otherOffset,
                   QWidget* parent = nullptr);

    // The width the texts are measured against.
    void setMeasureWidth(double width) { measureWidth_ = width; }
    double measureWidth() const { return measureWidth_; }
    void setItems(const std::vector<ChatBubbleItem>& items);
    const std::vector<ChatBubbleItem>& items() const { return items_; }
    void scrollToLast();
    // The text of a line: heading (9 points), a blank line, the message.
    static QString chatHtml(const ChatBubbleItem& item);
    // Its size at `width`, optionally rounded up to whole points.
    static QSizeF measure(const ChatBubbleItem& item, double width, bool roundUp);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    // Sizes the rows and puts the bubbles in place for the viewport's width.
    void place();

    QColor ownColor_, otherColor_;
    bool roundUp_, otherOffset_;
    double measureWidth_ = 300;
    std::vector<ChatBubbleItem> items_;
    std::vector<QSizeF> sizes_;  // each line's measured text
    bool building_ = false;
    bool placing_ = false, placeAgain_ = false;
};

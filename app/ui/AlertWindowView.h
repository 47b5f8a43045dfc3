#pragma once

// A window body like the information card: the message (with a link after
// it when one is given) centred in the window. With a link the text can be
// selected and the window has no picture and no close button; without one
// it shows the card picture and the close button, whose press goes to the
// action delegate. Nothing in the application opens one yet.

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

#include "platform/Window.h"

class AlertWindowView;
class QAbstractButton;
class QLabel;

class AlertWindowViewDelegate {
public:
    virtual ~AlertWindowViewDelegate() = default;
    virtual void onClickCloseBtn(AlertWindowView* view) = 0;
};

class AlertWindowView : public Window, public WindowDelegate {
    Q_OBJECT

public:
    explicit AlertWindowView(const QRectF& contentRect);

    // The text's frame (bottom-up) in a window `windowWidth` wide once built:
    // the window is 80 + textHeight high with a link, 50 + textHeight without.
    static QSizeF windowSizeFor(double windowWidth, double textHeight, bool withLink);
    static QRectF textFrameFor(QSizeF windowSize, double textHeight, bool withLink);

    // `hyperlinkStr`: rich text made by Hyperlink::hyperlinkFromString, or none.
    void MakeDetail(const QString& msg, const std::optional<QString>& hyperlinkStr, qint64 type);
    void closeAction();

    void setActionDelegate(AlertWindowViewDelegate* delegate) { actionDelegate_ = delegate; }
    QLabel* textView() const { return textView_; }
    QAbstractButton* closeButton() const { return closeButton_; }

private:
    AlertWindowViewDelegate* actionDelegate_ = nullptr;
    QLabel* textView_ = nullptr;
    QLabel* card_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
};

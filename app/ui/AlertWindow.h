#pragma once

// The two-button alert window: a centred message, up to two buttons at the
// lower right, an optional self-closing timer and one close report to its
// delegate, whatever closes it. The buttons send their actions to the opener
// and do not close the window: the opener does.

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>

#include "platform/Window.h"

class AlertWindow;
class QLabel;
class QPushButton;
class QTimer;

class AlertWindowDelegate {
public:
    virtual ~AlertWindowDelegate() = default;
    virtual void onCloseAlertWindow(AlertWindow* alertWindow) = 0;
};

class AlertWindow : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    using Action = std::function<void()>;

    static constexpr double kContentWidth = 445.5;
    static constexpr double kMessageWidth = 405.5;

    // Geometry, bottom-up: the window's content rectangle centred on a screen
    // of `screenSize` for a message `textHeight` high; the message's frame;
    // the frame of the button at position 1 (right edge) or 2 (left of it).
    static QRectF contentRectFor(QSizeF screenSize, double textHeight);
    static QRectF messageFrameFor(double textHeight, bool hasButtonLabel);
    static QRectF buttonFrameFor(double contentWidth, int index);

    // Actions run only while `target` lives (a null target: always).
    AlertWindow(QObject* target, const QString& msg, const std::optional<QString>& leftLabel, Action leftSel,
                const std::optional<QString>& rightLabel, Action rightSel);
    ~AlertWindow() override;

    // Starts the closing timer when seconds > 0, replacing a running one.
    void setTimer(double seconds);
    bool isTimerRunning() const;
    // The height the text takes laid out in `width` with `font`.
    static double heightForMessageStr(const QString& text, const QFont& font, double width);
    QPushButton* makeAlertButton(QObject* target, int index, const QString& name, Action sel);
    void closeSelfWindow();

    void windowWillClose(Window* window) override;

    void setAlertDelegate(AlertWindowDelegate* delegate) { alertDelegate_ = delegate; }
    AlertWindowDelegate* alertDelegate() const { return alertDelegate_; }
    void setAlertIdentifier(const QString& identifier) { alertIdentifier_ = identifier; }
    const QString& alertIdentifier() const { return alertIdentifier_; }
    void setAlertTag(qint64 tag) { alertTag_ = tag; }
    qint64 alertTag() const { return alertTag_; }

    // The window while it is open, else none.
    Window* window() const { return window_; }
    QLabel* messageView() const { return messageView_; }
    QList<QPushButton*> buttons() const { return buttons_; }

private:
    Window* window_ = nullptr;
    QLabel* messageView_ = nullptr;
    QList<QPushButton*> buttons_;
    QTimer* mTimer_ = nullptr;
    AlertWindowDelegate* alertDelegate_ = nullptr;
    QString alertIdentifier_;
    qint64 alertTag_ = 0;
};

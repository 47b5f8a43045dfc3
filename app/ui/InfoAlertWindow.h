#pragma once

// The information window in two forms.
// - Information form: a borderless picture card near the caller's window with
//   a centred message and a small close button; closes itself after 5
//   seconds; a click on the card is reported to the delegate.
// - Warning form: a titled window centred on the screen with an icon (type 1
//   only), the message and an OK button; closes itself after 20 seconds.
// Both report their closing once to the delegate.

#include <QImage>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

#include "platform/Window.h"

class InfoAlertWindow;
class QAbstractButton;
class QLabel;
class QTimer;

class InfoAlertWindowDelegate {
public:
    virtual ~InfoAlertWindowDelegate() = default;
    virtual void onCloseInfoAlertWindow(InfoAlertWindow* window) = 0;
    virtual void onClickInfoAlertWindow(InfoAlertWindow* window) = 0;
};

class InfoAlertWindow : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double kCardWidth = 307;
    static constexpr double kInformationCloseSec = 5.0;
    static constexpr double kWarningCloseSec = 20.0;

    // Geometry of the information form, bottom-up: the card's origin for the
    // caller's window rectangle on a screen of `screenSize`; the card's frame
    // for a message `textHeight` high (its lower left corner stays); the
    // message's frame inside a card; the close button's frame in a card.
    static QPointF informationOrigin(const QRectF& windowRect, QSizeF screenSize);
    static QRectF cardFrameFor(QPointF origin, double textHeight);
    static QRectF messageFrameInCard(QSizeF cardSize, double textHeight);
    static QRectF closeButtonFrameInCard(QSizeF cardSize, QSizeF imageSize);

    // The information form.
    static InfoAlertWindow* initWithAlert(const QString& msg, qint64 type, const QRectF& windowRect);
    // The warning form.
    static InfoAlertWindow* initWithNewAlert(const QString& msg, qint64 type);
    ~InfoAlertWindow() override;

    // Starts the closing timer and shows the window above all others.
    void showWindow();
    // Stops the closing timer and closes the window.
    void hideInformationAlert();
    void onClickClose() { hideInformationAlert(); }
    void onClickOk() { hideInformationAlert(); }
    // A click on the card.
    void onClickAlert();

    void windowWillClose(Window* window) override;

    // Image helpers.
    static std::optional<QImage> RoadImage(const QString& name, const QString& type);
    static std::optional<QImage> imageResize(const std::optional<QImage>& image, QSizeF newSize);
    static QImage TrimImage(QAbstractButton* button, const QImage& image);

    void setAlertDelegate(InfoAlertWindowDelegate* delegate) { alertDelegate_ = delegate; }
    void setAlertIdentifier(const QString& identifier) { alertIdentifier_ = identifier; }
    const QString& alertIdentifier() const { return alertIdentifier_; }
    void setAlertTag(qint64 tag) { alertTag_ = tag; }
    qint64 alertTag() const { return alertTag_; }
    double closeSec() const { return closeSec_; }
    qint64 type() const { return type_; }
    void setType(qint64 type) { type_ = type; }
    bool isTimerRunning() const;

    Window* window() const { return window_; }
    QLabel* alertMessage() const { return alertMessage_; }
    QLabel* alertIcon() const { return alertIcon_; }
    QLabel* card() const { return card_; }
    QAbstractButton* closeButton() const { return closeButton_; }

private:
    InfoAlertWindow() = default;

    Window* window_ = nullptr;
    QLabel* alertMessage_ = nullptr;
    QLabel* alertIcon_ = nullptr;
    QLabel* card_ = nullptr;
    QAbstractButton* closeButton_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    InfoAlertWindowDelegate* alertDelegate_ = nullptr;
    QString alertIdentifier_;
    qint64 alertTag_ = 0;
    qint64 type_ = 0;
    double closeSec_ = 0;
};

#pragma once

// A waiting window with a logo and a message that closes itself after a
// time-out or when the notification "notification_name_close_waiting_alert"
// arrives. Nothing in the application opens one yet.

#include <QObject>
#include <QPointer>
#include <QString>

#include "platform/Window.h"

class QLabel;
class QTimer;

class WaitingAlertWindowController : public QObject, public WindowDelegate {
    Q_OBJECT

public:
    static const QString kCloseNotificationName;

    WaitingAlertWindowController(const QString& message, const QString& imageRes, int timeoutSec = 0);
    ~WaitingAlertWindowController() override;

    // Builds and shows the window (its "load").
    void showWindow();
    void setMessage(const QString& message);
    void setImageRes(const QString& imageRes);
    // Closes the window and ends the controller.
    void closeSelfAlert();

    void windowWillClose(Window* window) override;

    Window* window() const { return window_; }
    QLabel* waitingMessage() const { return waitingMessage_; }
    QLabel* logo() const { return logo_; }
    int timeoutSec() const { return timeoutSec_; }

private:
    void showImage();

    QString message_;
    QString imageRes_;
    int timeoutSec_;
    QPointer<Window> window_;
    QLabel* waitingMessage_ = nullptr;
    QLabel* logo_ = nullptr;
    QTimer* timeoutTimer_ = nullptr;
};

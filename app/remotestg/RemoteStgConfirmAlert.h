// The alert that asks whether another participant may change the user's
// camera, speaker or microphone settings: the requester's name, a table of
// the requested items and Yes / No. The handler gets the answer exactly once;
// closing the alert without a button refuses. Main thread only.
#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>

#include "remotestg/RemoteStgManager.h"

class QPushButton;
class QTableWidget;
class QLabel;
class RemoteStgConfirmAlert;

class RemoteStgConfirmAlertDelegate {
public:
    virtual ~RemoteStgConfirmAlertDelegate() = default;
    virtual void onCloseRemoteStgAlert(RemoteStgConfirmAlert* alert) = 0;
};

class RemoteStgConfirmAlert : public QWidget {
    Q_OBJECT

public:
    static constexpr double kWidth = 445.5;
    static constexpr double kTextWidth = 405.5;

    // The rows for a request: item names and shown values, in the alert's order.
    static void rowsFor(const RemoteStgItems& reqData, QStringList& items, QStringList& values);
    // The message text and its laid-out height in the text width.
    static QString measureText(const QString& operatorName, const QStringList& items,
                               const QStringList& values);
    static double textHeight(const QString& text, double width);

    RemoteStgConfirmAlert(const QString& operatorName, const RemoteStgItems& reqData,
                          std::function<void(bool)> completionHandler, QWidget* parent = nullptr);
    ~RemoteStgConfirmAlert() override;

    void setDelegate(RemoteStgConfirmAlertDelegate* delegate) { delegate_ = delegate; }
    void onClickAccept();
    void onClickReject();

    const QStringList& itemArray() const { return itemArray_; }
    const QStringList& valueArray() const { return valueArray_; }
    QSizeF contentSize() const { return mWindowRect; }
    QTableWidget* table() const { return table_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void windowDidLoad();
    void answer(bool yes);

    QString operatorName_;
    std::function<void(bool)> completionHandler_;
    QStringList itemArray_, valueArray_;
    bool mIsPushBtn = false;
    bool closed_ = false;
    QSizeF mWindowRect;
    RemoteStgConfirmAlertDelegate* delegate_ = nullptr;
    QLabel* message_ = nullptr;
    QTableWidget* table_ = nullptr;
};

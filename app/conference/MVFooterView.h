// The footer bar of the conference window: the room name and the connection
// method of the login, or a reconnect notice while the connection is being
// restored.
#pragma once

#include <QVariantMap>

#include "platform/View.h"

class QLabel;
class QLineEdit;

enum ConnectType : int {
    CONNECT_TYPE_DIRECT = 0,
    CONNECT_TYPE_TUNNELING = 1,
    CONNECT_TYPE_TUNNELING2 = 2,
    CONNECT_TYPE_PROXY = 3,
};

class MVFooterView : public View {
    Q_OBJECT

public:
    static constexpr int kLabelTag = 500;

    MVFooterView(const QRectF& frame, const QVariantMap& confDict, int roomCategory, bool isWebinar,
                 int connectType, QWidget* parent = nullptr);

    // "<room>　<<<<< <connection method> >>>>>"
    QString getTextFooterConfInfo() const;
    // "   <room>　<<<<< <reconnect notice> >>>>>"
    void setReconnectLable();

    QVariantMap confDict() const { return confDict_; }
    int connectType() const { return connectType_; }

private:
    QVariantMap confDict_;
    int connectType_;
    QLineEdit* field_ = nullptr;
    QLabel* label_ = nullptr;
};

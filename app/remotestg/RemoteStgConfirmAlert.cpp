#include "remotestg/RemoteStgConfirmAlert.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "platform/Localization.h"
#include "remotestg/RemoteStgKeys.h"

namespace {

// The listed items in their order, with their name keys; switches show ON or OFF.
struct Listed {
    const char* key;
    const char* nameKey;
    bool onOff;
};
const Listed kListed[] = {
    {kRemoteStgCamDev, "dfREMOTESTG_ALERT_ITEM_CAMERA_DEV", false},
    {kRemoteStgCamOnOff, "dfREMOTESTG_ALERT_ITEM_LOCAL_VIEW", true},
    {kRemoteStgFps, "dfREMOTESTG_ALERT_ITEM_FRAME_RATE", false},
    {kRemoteStgReso, "dfREMOTESTG_ALERT_ITEM_VIDEO_SIZE", false},
    {kRemoteStgSpkDev, "dfREMOTESTG_ALERT_ITEM_SPEAKER_DEV", false},
    {kRemoteStgSpkOnOff, "dfREMOTESTG_ALERT_ITEM_SPEAKER_ONOFF", true},
    {kRemoteStgSpkVol, "dfREMOTESTG_ALERT_ITEM_SPEAKER_VOL", false},
    {kRemoteStgMicDev, "dfREMOTESTG_ALERT_ITEM_MIC_DEV", false},
    {kRemoteStgMicOnOff, "dfREMOTESTG_ALERT_ITEM_MIC_ONOFF", true},
    {kRemoteStgMicVol, "dfREMOTESTG_ALERT_ITEM_MIC_VOL", false},
};

QRect flipped(double x, double y, double w, double h, double parentHeight) {
    return QRectF(x, parentHeight - y - h, w, h).toRect();
}

QString message(const QString& name) {
    return LocalizedFormat("dfREMOTESTG_ALERT_REQUEST_CHANGE_MESSAGE", name);
}

}  // namespace

void RemoteStgConfirmAlert::rowsFor(const RemoteStgItems& reqData, QStringList& items, QStringList& values) {
    items.clear();
    values.clear();
    for (const Listed& l : kListed) {
        for (const auto& [key, value] : reqData) {
            if (key != QLatin1String(l.key)) continue;
            items << LocalizedStringForKey(QString::fromLatin1(l.nameKey));
            values << (l.onOff ? (value == QLatin1String(kRemoteStgOn) ? QStringLiteral("ON")
                                                                       : QStringLiteral("OFF"))
                               : value);
            break;
        }
    }
}

QString RemoteStgConfirmAlert::measureText(const QString& operatorName, const QStringList& items,
                                           const QStringList& values) {
    QString text = message(operatorName) + QStringLiteral("\n\n") +
                   LocalizedString("dfREMOTESTG_ALERT_ITEM") + u' ' +
                   LocalizedString("dfREMOTESTG_ALERT_CHANGE_VALUE") + u'\n';
    for (qsizetype i = 0; i < items.size(); ++i) text += items[i] + u' ' + values.value(i) + u'\n';
    return text;
}

double RemoteStgConfirmAlert::textHeight(const QString& text, double width) {
    // Measured with the font the alert's labels and rows are drawn in.
    const QFontMetricsF metrics(QApplication::font());
    return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text).height();
}

RemoteStgConfirmAlert::RemoteStgConfirmAlert(const QString& operatorName, const RemoteStgItems& reqData,
                                             std::function<void(bool)> completionHandler, QWidget* parent)
    : QWidget(parent, Qt::Window),
      operatorName_(operatorName),
      completionHandler_(std::move(completionHandler)) {
    setObjectName(QStringLiteral("RemoteStgConfirmAlert"));
    rowsFor(reqData, itemArray_, valueArray_);
    const double h = textHeight(measureText(operatorName_, itemArray_, valueArray_), kTextWidth);
    mWindowRect = QSizeF(kWidth, h + 60);
    windowDidLoad();
}

RemoteStgConfirmAlert::~RemoteStgConfirmAlert() {
    // A handler not yet called refuses (the alert went without an answer).
    if (completionHandler_) {
        auto handler = std::move(completionHandler_);
        handler(false);
    }
}

void RemoteStgConfirmAlert::windowDidLoad() {
    const double W = mWindowRect.width(), H = mWindowRect.height();
    setFixedSize(int(W + 0.5), int(H + 0.5));
    setWindowTitle(LocalizedString("dfREMOTESTG_ALERT_REQUEST_CHANGE"));
    setAutoFillBackground(true);

    const double l = textHeight(message(operatorName_) + u'\n', W - 40);
    const QString itemHeading = LocalizedString("dfREMOTESTG_ALERT_ITEM");
    const double m = textHeight(itemHeading, W - 40);

    message_ = new QLabel(message(operatorName_), this);
    message_->setObjectName(QStringLiteral("messageText"));
    message_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_->setGeometry(flipped(0, H - l - 10, W, l, H));

    auto* itemTitle = new QLabel(itemHeading, this);
    itemTitle->setObjectName(QStringLiteral("itemHeading"));
    itemTitle->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    itemTitle->setGeometry(flipped(0, H - l - m - 5, W / 2, m, H));
    auto* valueTitle = new QLabel(LocalizedString("dfREMOTESTG_ALERT_CHANGE_VALUE"), this);
    valueTitle->setObjectName(QStringLiteral("valueHeading"));
    valueTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    valueTitle->setGeometry(flipped(W / 2 + 6, H - l - m - 5, W / 2 - 6, m, H));

    table_ = new QTableWidget(int(itemArray_.size()), 2, this);
    table_->setObjectName(QStringLiteral("itemTable"));
    table_->setGeometry(flipped(0, 35, W, std::max(0.0, H - l - m - 60), H));
    table_->setHorizontalHeaderLabels({QStringLiteral("item"), QStringLiteral("value")});
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setMinimumSectionSize(1);
    table_->setShowGrid(false);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setStyleSheet(QStringLiteral("QTableWidget { background: transparent; }"));
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->setColumnWidth(0, int(W / 2));
    table_->setColumnWidth(1, int(W / 2));
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // One text line per row, as the height was measured.
    const int rowHeight = int(QFontMetricsF(font()).lineSpacing());
    for (int row = 0; row < itemArray_.size(); ++row) {
        auto* item = new QTableWidgetItem(itemArray_[row]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setFlags(Qt::ItemIsEnabled);
        table_->setItem(row, 0, item);
        auto* value = new QTableWidgetItem(valueArray_[row]);
        value->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value->setFlags(Qt::ItemIsEnabled);
        table_->setItem(row, 1, value);
        table_->setRowHeight(row, rowHeight);
    }

    const double buttonWidth = W / 5 + 10;
    auto* yes = new QPushButton(LocalizedString("dfYES"), this);
    yes->setObjectName(QStringLiteral("acceptButton"));
    yes->setGeometry(flipped(W - 1 * buttonWidth, 3, buttonWidth, 30, H));
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, [this] { onClickAccept(); });
    auto* no = new QPushButton(LocalizedString("dfNO"), this);
    no->setObjectName(QStringLiteral("rejectButton"));
    no->setGeometry(flipped(W - 2 * buttonWidth, 3, buttonWidth, 30, H));
    connect(no, &QPushButton::clicked, this, [this] { onClickReject(); });
}

void RemoteStgConfirmAlert::answer(bool yes) {
    mIsPushBtn = true;
    if (completionHandler_) {
        auto handler = std::move(completionHandler_);
        completionHandler_ = nullptr;
        handler(yes);
    }
    close();
}

void RemoteStgConfirmAlert::onClickAccept() {
    answer(true);
}

void RemoteStgConfirmAlert::onClickReject() {
    answer(false);
}

void RemoteStgConfirmAlert::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        if (!mIsPushBtn && completionHandler_) {  // closed without a button: refused
            auto handler = std::move(completionHandler_);
            completionHandler_ = nullptr;
            handler(false);
        }
        if (delegate_) delegate_->onCloseRemoteStgAlert(this);
    }
    QWidget::closeEvent(event);
}

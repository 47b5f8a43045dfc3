#include "remotestg/RemoteStgOneWindowController.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <algorithm>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "remotestg/RemoteStgKeys.h"

namespace {

constexpr double kRowStep = 28;
constexpr double kRowBase = 12;
constexpr double kAreaTitle = 32;
constexpr double kControlHeight = 24;
constexpr double kLabelHeight = 18;
constexpr double kStepperHeight = 28;
constexpr double kHeaderHeight = 74;  // the participant's name and system above the areas
constexpr int kLabelX = 20, kLabelWidth = 160, kControlX = 185, kControlWidth = 190;
constexpr int kFieldWidth = 60, kStepperWidth = 22;

using F = RemoteStgFlgInfo;
using W = RemoteStgOneWindowController;

// Row indexes of the table below.
enum : int {
    kCamDev,
    kCamOnOff,
    kFps,
    kReso,
    kSpkDev,
    kSpkOnOff,
    kSpkVol,
    kMicDev,
    kMicOnOff,
    kMicVol,
    kEcho,
    kAesOnOff,
    kAesLevel,
    kImgOther,
    kImgHigh,
    kImgNum,
    kLight,
    kZoom,
    kWhiteBalance,
    kExposure,
};

// The list type that fills a list row (0: none).
int listTypeOfRow(int row) {
    switch (row) {
        case kCamDev:
            return REMOTESTG_LIST_CAM;
        case kFps:
            return REMOTESTG_LIST_FPS;
        case kReso:
            return REMOTESTG_LIST_RESO;
        case kSpkDev:
            return REMOTESTG_LIST_SPK;
        case kMicDev:
            return REMOTESTG_LIST_MIC;
        case kImgNum:
            return REMOTESTG_LIST_OTHER;
        case kZoom:
            return REMOTESTG_LIST_ZOOM;
        case kWhiteBalance:
            return REMOTESTG_LIST_WHBA;
        case kExposure:
            return REMOTESTG_LIST_EXPO;
        default:
            return REMOTESTG_LIST_NONE;
    }
}

int rowOfListType(int type) {
    for (int row = 0; row < W::kRowCount; ++row)
        if (listTypeOfRow(row) == type && type != REMOTESTG_LIST_NONE) return row;
    return -1;
}

// The current text of a list row, none when the participant has none.
std::optional<QString> listCurrent(int row, const RemoteStgParamInfo& p) {
    auto number = [](int v) {
        return v >= 0 ? std::optional<QString>(StringWithFormat("%d", v)) : std::nullopt;
    };
    switch (row) {
        case kCamDev:
            return p.cameraDevice;
        case kFps:
            return number(p.fps);
        case kReso:
            return StringWithFormat("%d * %d", int(p.resolution.width()), int(p.resolution.height()));
        case kSpkDev:
            return p.speakerDevice;
        case kMicDev:
            return p.micDevice;
        case kImgNum:
            return number(p.imgNum);
        case kZoom:
            return p.zoom;
        case kWhiteBalance:
            return p.whiteBalance;
        case kExposure:
            return p.exposure;
        default:
            return std::nullopt;
    }
}

// The value of a switch or number row.
int intCurrent(int row, const RemoteStgParamInfo& p) {
    switch (row) {
        case kCamOnOff:
            return p.cameraOnOff;
        case kFps:
            return p.fps;
        case kSpkOnOff:
            return p.speakerOnOff;
        case kSpkVol:
            return p.speakerVolume;
        case kMicOnOff:
            return p.micOnOff;
        case kMicVol:
            return p.micVolume;
        case kEcho:
            return p.echoCancel;
        case kAesOnOff:
            return p.aesOnOff;
        case kAesLevel:
            return p.aesLevel;
        case kImgOther:
            return p.imgOther;
        case kImgHigh:
            return p.imgHigh;
        case kImgNum:
            return p.imgNum;
        case kLight:
            return p.light;
        default:
            return 0;
    }
}

// Bottom-up rectangle (x, y, w, h) in a parent of height `parentHeight` to a widget rectangle.
QRect flipped(double x, double y, double w, double h, double parentHeight) {
    return QRectF(x, parentHeight - y - h, w, h).toRect();
}

}  // namespace

const std::array<W::Row, W::kRowCount>& W::rows() {
    static const std::array<Row, kRowCount> kRows = {{
        {CameraArea, ListRow, "cameraDev", "dfREMOTESTG_ALERT_ITEM_CAMERA_DEV", &F::bCamDev, kRemoteStgCamDev,
         false},
        {CameraArea, SwitchRow, "cameraOnOff", "dfREMOTESTG_ALERT_ITEM_LOCAL_VIEW", &F::bCamOnOff,
         kRemoteStgCamOnOff, false},
        {CameraArea, ListRow, "frameRate", "dfREMOTESTG_ALERT_ITEM_FRAME_RATE", &F::bFps, kRemoteStgFps,
         false},
        {CameraArea, ListRow, "videoSize", "dfREMOTESTG_ALERT_ITEM_VIDEO_SIZE", &F::bReso, kRemoteStgReso,
         false},
        {SpeakerArea, ListRow, "speakerDev", "dfREMOTESTG_ALERT_ITEM_SPEAKER_DEV", &F::bSpkDev,
         kRemoteStgSpkDev, false},
        {SpeakerArea, SwitchRow, "speakerOnOff", "dfREMOTESTG_ALERT_ITEM_SPEAKER_ONOFF", &F::bSpkOnOff,
         kRemoteStgSpkOnOff, false},
        {SpeakerArea, NumberRow, "speakerVol", "dfREMOTESTG_ALERT_ITEM_SPEAKER_VOL", &F::bSpkVol,
         kRemoteStgSpkVol, false},
        {MicArea, ListRow, "micDev", "dfREMOTESTG_ALERT_ITEM_MIC_DEV", &F::bMicDev, kRemoteStgMicDev, false},
        {MicArea, SwitchRow, "micOnOff", "dfREMOTESTG_ALERT_ITEM_MIC_ONOFF", &F::bMicOnOff,
         kRemoteStgMicOnOff, false},
        {MicArea, NumberRow, "micVol", "dfREMOTESTG_ALERT_ITEM_MIC_VOL", &F::bMicVol, kRemoteStgMicVol,
         false},
        {MicArea, SwitchRow, "echoCanceler", "dfREMOTESTG_ONE_ECHO", &F::bEcho, kRemoteStgEcho, true},
        {MicArea, SwitchRow, "aesOnOff", "dfREMOTESTG_ONE_AES_ONOFF", &F::bAesOnOff, kRemoteStgAesOnOff,
         true},
        {MicArea, NumberRow, "aesLevel", "dfREMOTESTG_ONE_AES_LEVEL", &F::bAesLevel, kRemoteStgAesLevel,
         true},
        {OtherArea, SwitchRow, "otherImg", "dfREMOTESTG_ONE_IMG_OTHER", &F::bImgOther, kRemoteStgImgOther,
         true},
        {OtherArea, SwitchRow, "otherImgHigh", "dfREMOTESTG_ONE_IMG_HIGH", &F::bImgHigh, kRemoteStgImgHigh,
         true},
        {OtherArea, ListRow, "otherImgNum", "dfREMOTESTG_ONE_IMG_NUM", &F::bImgNum, kRemoteStgImgNum, true},
        {OtherArea, SwitchRow, "light", "dfREMOTESTG_ONE_LIGHT", &F::bLight, kRemoteStgLight, true},
        {OtherArea, ListRow, "zoom", "dfREMOTESTG_ONE_ZOOM", &F::bZoom, kRemoteStgZoom, true},
        {OtherArea, ListRow, "whiteBalance", "dfREMOTESTG_ONE_WHITE_BALANCE", &F::bWhiteBalance,
         kRemoteStgWhiteBalance, true},
        {OtherArea, ListRow, "exposure", "dfREMOTESTG_ONE_EXPOSURE", &F::bExposure, kRemoteStgExposure, true},
    }};
    return kRows;
}

int W::rowIndex(const char* changeKey) {
    for (int i = 0; i < kRowCount; ++i)
        if (QLatin1String(rows()[size_t(i)].changeKey) == QLatin1String(changeKey)) return i;
    return -1;
}

W::Layout W::layoutFor(const std::array<bool, kRowCount>& shown) {
    Layout l;
    for (int area = 0; area < 4; ++area) {
        double y = kRowBase;
        int count = 0;
        for (int row = kRowCount - 1; row >= 0; --row) {  // bottom row first
            if (rows()[size_t(row)].area != area || !shown[size_t(row)]) continue;
            l.rowBottom[size_t(row)] = y;
            y += kRowStep;
            ++count;
        }
        l.areaHeight[size_t(area)] = count == 0 ? 0 : kRowBase + kRowStep * count + kAreaTitle;
    }
    // Other settings at the bottom, then microphone, speaker, camera on top.
    double bottom = 0;
    for (int area : {OtherArea, MicArea, SpeakerArea, CameraArea}) {
        l.areaBottom[size_t(area)] = bottom;
        bottom += l.areaHeight[size_t(area)];
    }
    l.sum = bottom;
    l.contentHeight = l.sum + kHeaderHeight;
    l.scrollHeight = std::min(kMaxScrollHeight, l.contentHeight);
    // Beyond the cap the window stays at the capped height and the content scrolls.
    l.windowHeight = l.scrollHeight + kScrollBottom;
    return l;
}

RemoteStgItems W::changeItems(const RemoteStgUserInfo& entry, const RemoteStgFlgInfo& hide,
                              const std::array<std::optional<QString>, kRowCount>& values) {
    RemoteStgItems items;
    const RemoteStgParamInfo& p = entry.paramInfo;
    for (int row = 0; row < kRowCount; ++row) {
        const Row& r = rows()[size_t(row)];
        if (hide.*r.flag || !(entry.enabledFlg.*r.flag) || entry.readOnlyFlg.*r.flag) continue;
        const std::optional<QString>& value = values[size_t(row)];
        const QString key = QString::fromLatin1(r.changeKey);
        if (r.kind == SwitchRow) {
            const int on = value == QStringLiteral("ON") ? 1 : 0;
            if (on != intCurrent(row, p))
                items.emplace_back(key, on ? QStringLiteral("1") : QStringLiteral("0"));
        } else if (r.kind == NumberRow) {
            if (value && IntValue(*value) != intCurrent(row, p)) items.emplace_back(key, *value);
        } else if (!value) {
            continue;  // nothing selected
        } else if (row == kFps || row == kImgNum) {
            if (IntValue(*value) != intCurrent(row, p)) items.emplace_back(key, *value);
        } else if (row == kReso) {
            const QStringList pieces = value->trimmed().split(u'*');
            if (pieces.size() != 2) continue;
            const int w = IntValue(pieces[0]), h = IntValue(pieces[1]);
            if (w != int(p.resolution.width()) || h != int(p.resolution.height()))
                items.emplace_back(key, StringWithFormat("%d*%d", w, h));
        } else {
            if (*value != listCurrent(row, p)) items.emplace_back(key, *value);
        }
    }
    return items;
}

W::RemoteStgOneWindowController(const UserInfoRef& user, const std::optional<RemoteStgUserInfo>& stgInfo,
                                const RemoteStgFlgInfo& hideFlg, QWidget* parent)
    : QWidget(parent, Qt::Window), userInfo_(user), mStgInfo(stgInfo), mOneDlgHideFlg(hideFlg) {
    setObjectName(QStringLiteral("RemoteStgOneWindow"));
    windowDidLoad();
}

W::~RemoteStgOneWindowController() {
    if (mNotificator) mNotificator->setDelegate(nullptr);
}

bool W::isReported(int row) const {
    return mStgInfo && mStgInfo->enabledFlg.*rows()[size_t(row)].flag;
}

bool W::isReadOnly(int row) const {
    return mStgInfo && mStgInfo->readOnlyFlg.*rows()[size_t(row)].flag;
}

bool W::isShown(int row) const {
    const Row& r = rows()[size_t(row)];
    if (mOneDlgHideFlg.*r.flag) return false;
    return !r.reportedOnly || isReported(row);
}

void W::windowDidLoad() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
    setPalette(pal);
    setWindowTitle(
        LocalizedFormat("dfREMOTESTG_SETTING_WINDOW_TITLE", userInfo_ ? userInfo_->userName() : QString()));

    scrollArea_ = new QScrollArea(this);
    scrollArea_->setObjectName(QStringLiteral("stgScrollArea"));
    scrollArea_->setFrameShape(QFrame::NoFrame);
    scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    content_ = new QWidget();
    content_->setObjectName(QStringLiteral("stgContent"));
    scrollArea_->setWidget(content_);
    scrollArea_->setWidgetResizable(false);

    userNameLbl_ = new QLabel(content_);
    userNameLbl_->setObjectName(QStringLiteral("userNameLbl"));
    QFont bold = userNameLbl_->font();
    bold.setBold(true);
    userNameLbl_->setFont(bold);
    osNameLbl_ = new QLabel(content_);
    osNameLbl_->setObjectName(QStringLiteral("osNameLbl"));

    static const char* const kAreaNames[] = {"cameraStgArea", "speakerStgArea", "micStgArea", "otherStgArea"};
    static const char* const kAreaTitles[] = {"dfREMOTESTG_AREA_CAMERA", "dfREMOTESTG_AREA_SPEAKER",
                                              "dfREMOTESTG_AREA_MIC", "dfREMOTESTG_AREA_OTHER"};
    for (int a = 0; a < 4; ++a) {
        auto* area = new QWidget(content_);
        area->setObjectName(QString::fromLatin1(kAreaNames[a]));
        areaViews_[size_t(a)] = area;
        auto* title = new QLabel(LocalizedStringForKey(QString::fromLatin1(kAreaTitles[a])), area);
        title->setObjectName(QString::fromLatin1(kAreaNames[a]) + QStringLiteral("Title"));
        title->setFont(bold);
        areaTitles_[size_t(a)] = title;
    }
    for (int row = 0; row < kRowCount; ++row) {
        const Row& r = rows()[size_t(row)];
        QWidget* area = areaViews_[size_t(r.area)];
        RowControls& c = rowControls_[size_t(row)];
        const QString name = QString::fromLatin1(r.name);
        c.label = new QLabel(LocalizedStringForKey(QString::fromLatin1(r.labelKey)), area);
        c.label->setObjectName(name + QStringLiteral("Lbl"));
        if (r.kind == NumberRow) {
            c.field = new QLineEdit(area);
            c.field->setObjectName(name + QStringLiteral("List"));
            connect(c.field, &QLineEdit::textEdited, this, [this] { onStgItemAction(); });
            c.stepper = new QSpinBox(area);
            c.stepper->setObjectName(name + QStringLiteral("Stepper"));
            c.stepper->setRange(0, 100);
            c.stepper->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
            // Only the arrows show: the field beside it holds the number.
            if (auto* text = c.stepper->findChild<QLineEdit*>()) text->setVisible(false);
            connect(c.stepper, &QSpinBox::valueChanged, this, [this, s = c.stepper] { onClickStepper(s); });
        } else {
            c.combo = new QComboBox(area);
            c.combo->setObjectName(name + QStringLiteral("List"));
            connect(c.combo, &QComboBox::activated, this, [this] { onStgItemAction(); });
        }
    }

    updateInfoBtn_ = new QPushButton(LocalizedString("dfREMOTESTG_UPDATE_BUTTON"), this);
    updateInfoBtn_->setObjectName(QStringLiteral("updateInfoBtn"));
    connect(updateInfoBtn_, &QPushButton::clicked, this, [this] { onClickUpdateInfo(); });
    requestChangeBtn_ = new QPushButton(LocalizedString("dfREMOTESTG_CHANGE_BUTTON"), this);
    requestChangeBtn_->setObjectName(QStringLiteral("requestChangeBtn"));
    connect(requestChangeBtn_, &QPushButton::clicked, this, [this] { onClickRequestChange(); });

    requestChangeBtn_->setEnabled(false);
    userNameLbl_->setText(userInfo_ ? userInfo_->userName() : QString());
    if (mStgInfo && mStgInfo->paramInfo.osName) osNameLbl_->setText(*mStgInfo->paramInfo.osName);
    buildAreas();
    adjustContents(false);

    mNotificator =
        std::make_unique<RemoteStgNotificatorDispatcher>(RemoteStgNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
}

void W::buildAreas() {
    for (int row = kRowCount - 1; row >= 0; --row) {
        RowControls& c = rowControls_[size_t(row)];
        const bool shown = isShown(row);
        for (QWidget* w : {static_cast<QWidget*>(c.label), static_cast<QWidget*>(c.combo),
                           static_cast<QWidget*>(c.field), static_cast<QWidget*>(c.stepper)})
            if (w) w->setVisible(shown);
        if (!shown) continue;
        const bool enabled = isReported(row) && !isReadOnly(row);
        for (QWidget* w : {static_cast<QWidget*>(c.combo), static_cast<QWidget*>(c.field),
                           static_cast<QWidget*>(c.stepper)})
            if (w) w->setEnabled(enabled);
        if (isReported(row)) fillRow(row);
    }
}

void W::fillRow(int row) {
    if (!mStgInfo) return;
    const Row& r = rows()[size_t(row)];
    RowControls& c = rowControls_[size_t(row)];
    const RemoteStgParamInfo& p = mStgInfo->paramInfo;
    if (r.kind == ListRow) {
        const QSignalBlocker block(c.combo);
        c.combo->clear();
        const std::optional<QString> current = listCurrent(row, p);
        if (!current) {
            c.combo->setEnabled(false);
            return;
        }
        const auto* list = mStgInfo->listForType(listTypeOfRow(row));
        const QStringList entries =
            list && *list && !(*list)->list.isEmpty() ? (*list)->list : QStringList{*current};
        c.combo->addItems(entries);
        c.combo->setCurrentIndex(int(entries.indexOf(*current)));  // -1: the current value is not listed
    } else if (r.kind == SwitchRow) {
        const QSignalBlocker block(c.combo);
        c.combo->clear();
        c.combo->addItems({QStringLiteral("ON"), QStringLiteral("OFF")});
        c.combo->setCurrentIndex(intCurrent(row, p) != 0 ? 0 : 1);
    } else {
        const int value = intCurrent(row, p);
        const QSignalBlocker block(c.stepper);
        if (value < 0) {
            c.field->setEnabled(false);
            c.stepper->setEnabled(false);
            return;
        }
        c.field->setText(StringWithFormat("%d", value));
        c.stepper->setValue(value);
    }
}

void W::adjustContents(bool display) {
    std::array<bool, kRowCount> shown{};
    for (int row = 0; row < kRowCount; ++row) shown[size_t(row)] = isShown(row);
    layout_ = layoutFor(shown);
    const double width = kWindowWidth - 20;
    content_->setFixedSize(int(width), int(layout_.contentHeight));
    userNameLbl_->setGeometry(
        flipped(kLabelX, layout_.contentHeight - 34, width - 40, 22, layout_.contentHeight));
    osNameLbl_->setGeometry(
        flipped(kLabelX, layout_.contentHeight - 62, width - 40, 22, layout_.contentHeight));
    for (int a = 0; a < 4; ++a) {
        QWidget* area = areaViews_[size_t(a)];
        const double h = layout_.areaHeight[size_t(a)];
        area->setVisible(h > 0);
        area->setGeometry(flipped(0, layout_.areaBottom[size_t(a)], width, h, layout_.contentHeight));
        areaTitles_[size_t(a)]->setGeometry(flipped(10, h - 26, width - 20, 20, h));
    }
    for (int row = 0; row < kRowCount; ++row) {
        const auto& y = layout_.rowBottom[size_t(row)];
        if (!y) continue;
        const double h = layout_.areaHeight[size_t(rows()[size_t(row)].area)];
        RowControls& c = rowControls_[size_t(row)];
        c.label->setGeometry(flipped(kLabelX, *y + 3, kLabelWidth, kLabelHeight, h));
        if (c.combo) c.combo->setGeometry(flipped(kControlX, *y, kControlWidth, kControlHeight, h));
        if (c.field) c.field->setGeometry(flipped(kControlX, *y, kFieldWidth, kControlHeight, h));
        if (c.stepper)
            c.stepper->setGeometry(
                flipped(kControlX + kFieldWidth + 4, *y - 2, kStepperWidth, kStepperHeight, h));
    }
    const double windowHeight = layout_.windowHeight;
    setFixedSize(int(kWindowWidth), int(windowHeight));
    scrollArea_->setGeometry(flipped(0, kScrollBottom, kWindowWidth, layout_.scrollHeight, windowHeight));
    // Only content taller than the capped scroll area scrolls.
    scrollArea_->setVerticalScrollBarPolicy(
        layout_.contentHeight > layout_.scrollHeight ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    updateInfoBtn_->setGeometry(flipped(20, 16, 150, 30, windowHeight));
    requestChangeBtn_->setGeometry(flipped(kWindowWidth - 170, 16, 150, 30, windowHeight));
    if (display) update();
}

// ---- The wait ----

void W::startUpdateBtnTimer() {
    stopUpdateBtnTimer();
    waiting_ = true;
    const int generation = waitGeneration_;
    mainQueue().after(std::chrono::milliseconds(kWaitMs), this, [this, generation] {
        if (generation != waitGeneration_ || !waiting_) return;
        waiting_ = false;
        updateInfoBtn_->setEnabled(true);
    });
}

void W::stopUpdateBtnTimer() {
    ++waitGeneration_;
    waiting_ = false;
}

void W::respondedChangeReq(bool) {
    updateInfoBtn_->setEnabled(true);
    stopUpdateBtnTimer();
}

// ---- Actions ----

void W::onClickUpdateInfo() {
    updateInfoBtn_->setEnabled(false);
    if (delegate_) delegate_->sendRemoteStgUpdateReq(userInfo_);
    startUpdateBtnTimer();
}

void W::onClickRequestChange() {
    updateInfoBtn_->setEnabled(false);
    startUpdateBtnTimer();
    requestChangeBtn_->setEnabled(false);
    if (!mStgInfo) return;
    std::array<std::optional<QString>, kRowCount> values;
    for (int row = 0; row < kRowCount; ++row) {
        const RowControls& c = rowControls_[size_t(row)];
        if (c.field)
            values[size_t(row)] = c.field->text();
        else if (c.combo->currentIndex() >= 0)
            values[size_t(row)] = c.combo->currentText();
    }
    const RemoteStgItems items = changeItems(*mStgInfo, mOneDlgHideFlg, values);
    if (!items.empty() && delegate_) delegate_->sendRemoteStgChangeReq(userInfo_->userId(), items);
}

void W::onStgItemAction() {
    requestChangeBtn_->setEnabled(true);
}

void W::onClickStepper(QSpinBox* stepper) {
    // Each stepper writes its value into the number field beside it.
    for (int row : {kSpkVol, kMicVol, kAesLevel}) {
        const RowControls& c = rowControls_[size_t(row)];
        if (c.stepper == stepper) c.field->setText(StringWithFormat("%d", stepper->value()));
    }
    requestChangeBtn_->setEnabled(true);
}

// ---- Notices ----

void W::didChangeListInfo(const QString& userId, int type, const RemoteStgListInfo& list) {
    if (!userInfo_ || userId != userInfo_->userId()) return;
    const int row = rowOfListType(type);
    if (row >= 0 && mStgInfo) {
        if (auto* slot = mStgInfo->listForType(type)) *slot = list;
        fillRow(row);
    }
    updateInfoBtn_->setEnabled(true);
    stopUpdateBtnTimer();
}

void W::didChangeUserInfo(const QString& userId, const RemoteStgUserInfo& info) {
    if (!userInfo_ || userId != userInfo_->userId()) return;
    mStgInfo = info;
    userNameLbl_->setText(userInfo_->userName());
    if (mStgInfo->paramInfo.osName) osNameLbl_->setText(*mStgInfo->paramInfo.osName);
    buildAreas();
    adjustContents(true);
    updateInfoBtn_->setEnabled(true);
    stopUpdateBtnTimer();
}

void W::didChangeRemoteStgInfo(RemoteStgInfo* model) {
    if (!model || !userInfo_) return;
    if (!model->getUserInfo(userInfo_->userId())) close();
}

// ---- Closing ----

void W::forceClose() {
    mbForceClose = true;
    close();
}

void W::closeEvent(QCloseEvent* event) {
    windowWillClose();
    QWidget::closeEvent(event);
}

void W::windowWillClose() {
    if (closed_) return;
    closed_ = true;
    if (mNotificator) mNotificator->setDelegate(nullptr);
    mNotificator.reset();
    stopUpdateBtnTimer();
    if (delegate_) delegate_->onCloseRemoteStgOneWindow(this, mbForceClose);
}

#include "remotestg/RemoteStgAllWindowController.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "platform/Dispatch.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "remotestg/RemoteStgKeys.h"

namespace {

using W = RemoteStgAllWindowController;

const QString kNoChange = QStringLiteral("---");
const QString kCheck = QStringLiteral("id_remotestg_all_table_check");
const QString kUser = QStringLiteral("id_remotestg_all_table_user");
const QString kOs = QStringLiteral("id_remotestg_all_table_os");

struct Column {
    const char* id;
    int width;  // 0: a sixth of the table
    const char* titleKey;
};
const Column kCommon[] = {{"id_remotestg_all_table_user", 0, "dfREMOTESTG_ALL_TITLE_USER"},
                          {"id_remotestg_all_table_os", 0, "dfREMOTESTG_ALL_TITLE_OS"}};
const std::vector<Column> kViews[3] = {
    {{"id_remotestg_all_table_camera_onoff", 56, "dfREMOTESTG_ALL_TITLE_CAMERA_ONOFF"},
     {"id_remotestg_all_table_framerate", 56, "dfREMOTESTG_ALL_TITLE_FRAME_RATE"},
     {"id_remotestg_all_table_video", 84, "dfREMOTESTG_ALL_TITLE_VIDEO_SIZE"},
     {"id_remotestg_all_table_camera_dev", 120, "dfREMOTESTG_ALL_TITLE_CAMERA_DEVICE"}},
    {{"id_remotestg_all_table_spk_onoff", 56, "dfREMOTESTG_ALL_TITLE_SPEAKER_ONOFF"},
     {"id_remotestg_all_table_spk_vol", 56, "dfREMOTESTG_ALL_TITLE_SPEAKER_VOLUME"},
     {"id_remotestg_all_table_spk_dev", 120, "dfREMOTESTG_ALL_TITLE_SPEAKER_DEVICE"}},
    {{"id_remotestg_all_table_mic_onoff", 56, "dfREMOTESTG_ALL_TITLE_MIC_ONOFF"},
     {"id_remotestg_all_table_mic_vol", 56, "dfREMOTESTG_ALL_TITLE_MIC_VOLUME"},
     {"id_remotestg_all_table_mic_dev", 120, "dfREMOTESTG_ALL_TITLE_MIC_DEVICE"}},
};

const Column* findColumn(const QString& id) {
    for (const Column& c : kCommon)
        if (id == QLatin1String(c.id)) return &c;
    for (const auto& view : kViews)
        for (const Column& c : view)
            if (id == QLatin1String(c.id)) return &c;
    return nullptr;
}

QString positive(int v) {
    return v > 0 ? StringWithFormat("%d", v) : QString();
}

QString onOff(int v) {
    return v == 1 ? QStringLiteral("ON") : QStringLiteral("OFF");
}

// The popups: object-name stem, label key, hide flag, change key.
struct PopupSpec {
    const char* name;
    const char* labelKey;
    RemoteStgFlgInfo::Field hide;
    const char* key;
};
const PopupSpec kPopups[W::kPopupCount] = {
    {"cameraOnOff", "dfREMOTESTG_ALERT_ITEM_LOCAL_VIEW", &RemoteStgFlgInfo::bCamOnOff, kRemoteStgCamOnOff},
    {"frameRate", "dfREMOTESTG_ALERT_ITEM_FRAME_RATE", &RemoteStgFlgInfo::bFps, kRemoteStgFps},
    {"videoSize", "dfREMOTESTG_ALERT_ITEM_VIDEO_SIZE", &RemoteStgFlgInfo::bReso, kRemoteStgReso},
    {"speakerOnOff", "dfREMOTESTG_ALERT_ITEM_SPEAKER_ONOFF", &RemoteStgFlgInfo::bSpkOnOff,
     kRemoteStgSpkOnOff},
    {"micOnOff", "dfREMOTESTG_ALERT_ITEM_MIC_ONOFF", &RemoteStgFlgInfo::bMicOnOff, kRemoteStgMicOnOff},
};

}  // namespace

W::BulkLayout W::bulkLayoutFor(const RemoteStgFlgInfo& hide) {
    BulkLayout l;
    double d = 72;
    std::optional<double> last;
    for (Popup p : {CameraOnOff, FrameRate, VideoSize}) {
        if (hide.*kPopups[p].hide) continue;
        l.popup[p] = d;
        last = d;
        d += 36;
    }
    double c = 0;
    if (last) {
        l.cameraTitle = 4;
        l.cameraTitleLine = 28;
        c = *last + 28;
    }
    l.speakerTitle = c + 4;
    l.speakerTitleLine = c + 28;
    const bool speakerShown = !hide.bSpkOnOff;
    if (speakerShown) l.popup[SpeakerOnOff] = c + 72;
    const double p = speakerShown ? 108 : 72;
    if (!hide.bMicOnOff) {
        l.micTitle = c + p + 4;
        l.micTitleLine = c + p + 28;
        l.popup[MicOnOff] = c + p + 72;
    }
    return l;
}

QStringList W::columnIdsFor(int dispMode, bool withCheck) {
    QStringList ids;
    if (withCheck) ids << kCheck;
    for (const Column& c : kCommon) ids << QString::fromLatin1(c.id);
    if (dispMode >= 0 && dispMode <= 2)
        for (const Column& c : kViews[dispMode]) ids << QString::fromLatin1(c.id);
    return ids;
}

std::optional<QString> W::cellText(const QString& id, const RemoteStgUserInfo& e) {
    const RemoteStgParamInfo& p = e.paramInfo;
    auto is = [&](const char* name) { return id == QLatin1String(name); };
    if (id == kUser) return e.userInfo ? e.userInfo->userName() : QString();
    if (id == kOs) return p.osName.value_or(QString());
    if (is("id_remotestg_all_table_camera_onoff")) return onOff(p.cameraOnOff);
    if (is("id_remotestg_all_table_framerate")) return positive(p.fps);
    if (is("id_remotestg_all_table_video"))
        return p.resolution.width() == 0 && p.resolution.height() == 0
                   ? QString()
                   : StringWithFormat("%d * %d", int(p.resolution.width()), int(p.resolution.height()));
    if (is("id_remotestg_all_table_camera_dev")) return p.cameraDevice.value_or(QString());
    if (is("id_remotestg_all_table_spk_onoff")) return onOff(p.speakerOnOff);
    if (is("id_remotestg_all_table_spk_vol")) return positive(p.speakerVolume);
    if (is("id_remotestg_all_table_spk_dev")) return p.speakerDevice.value_or(QString());
    if (is("id_remotestg_all_table_mic_onoff")) return onOff(p.micOnOff);
    if (is("id_remotestg_all_table_mic_vol")) return positive(p.micVolume);
    if (is("id_remotestg_all_table_mic_dev")) return p.micDevice.value_or(QString());
    return std::nullopt;
}

W::RemoteStgAllWindowController(const UserInfoRef& myInfo, RemoteStgInfo* stgInfo,
                                const RemoteStgFlgInfo& hideFlg,
                                RemoteStgAllWindowControllerDelegate* delegate, QWidget* parent)
    : QWidget(parent, Qt::Window),
      myInfo_(myInfo),
      mStgInfo(stgInfo),
      mAllDlgHideFlg(hideFlg),
      delegate_(delegate) {
    setObjectName(QStringLiteral("RemoteStgAllWindow"));
    windowDidLoad();
}

W::~RemoteStgAllWindowController() {
    if (mNotificator) mNotificator->setDelegate(nullptr);
}

void W::windowDidLoad() {
    setWindowTitle(LocalizedString("dfREMOTESTG_MENU_ITEM_ALL"));
    setAutoFillBackground(true);
    viewGroup_ = new QButtonGroup(this);
    viewGroup_->setExclusive(true);
    static const char* const kViewNames[] = {"itemButtonCamera", "itemButtonSpeaker", "itemButtonMic"};
    static const char* const kViewTitles[] = {"dfREMOTESTG_AREA_CAMERA", "dfREMOTESTG_AREA_SPEAKER",
                                              "dfREMOTESTG_AREA_MIC"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(LocalizedStringForKey(QString::fromLatin1(kViewTitles[i])), this);
        b->setObjectName(QString::fromLatin1(kViewNames[i]));
        b->setCheckable(true);
        b->setGeometry(20 + i * 110, 14, 104, 28);
        viewGroup_->addButton(b, i);
        viewButtons_[size_t(i)] = b;
        connect(b, &QPushButton::clicked, this, [this, i] { onSelectItem(i); });
    }

    allSettingList_ = new QTableWidget(this);
    allSettingList_->setObjectName(QStringLiteral("allSettingList"));
    allSettingList_->setGeometry(20, int(kLineFromTop), kWidthHidden - 40, kHeight - int(kLineFromTop) - 56);
    allSettingList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    allSettingList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    allSettingList_->setSelectionMode(QAbstractItemView::SingleSelection);
    allSettingList_->verticalHeader()->hide();
    allSettingList_->verticalHeader()->setDefaultSectionSize(24);
    allSettingList_->horizontalHeader()->setStretchLastSection(true);
    connect(allSettingList_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { onStgListDoubleClick(row); });

    dispBulkMenuButton_ = new QPushButton(this);
    dispBulkMenuButton_->setObjectName(QStringLiteral("dispBulkMenuButton"));
    dispBulkMenuButton_->setGeometry(20, kHeight - 44, 200, 30);
    connect(dispBulkMenuButton_, &QPushButton::clicked, this, [this] { onClickDispBulkMenuButton(); });
    updateInfoButton_ = new QPushButton(LocalizedString("dfREMOTESTG_UPDATE_BUTTON"), this);
    updateInfoButton_->setObjectName(QStringLiteral("updateInfoButton"));
    updateInfoButton_->setGeometry(kWidthHidden - 170, kHeight - 44, 150, 30);
    connect(updateInfoButton_, &QPushButton::clicked, this, [this] { onClickUpdateButton(); });

    bulkChangeMenuArea_ = new QWidget(this);
    bulkChangeMenuArea_->setObjectName(QStringLiteral("bulkChangeMenuArea"));
    bulkChangeMenuArea_->setGeometry(kWidthHidden, 0, kWidthShown - kWidthHidden, kHeight);
    allUserCheckButton_ = new QCheckBox(LocalizedString("dfREMOTESTG_ALL_CHECK_ALL"), bulkChangeMenuArea_);
    allUserCheckButton_->setObjectName(QStringLiteral("allUserCheckButton"));
    allUserCheckButton_->setGeometry(10, 8, 250, 24);
    connect(allUserCheckButton_, &QCheckBox::clicked, this,
            [this](bool on) { onClickAllUserCheckButton(on); });
    static const char* const kGroupNames[] = {"camera", "speaker", "mic"};
    static const char* const kGroupTitles[] = {"dfREMOTESTG_AREA_CAMERA", "dfREMOTESTG_AREA_SPEAKER",
                                               "dfREMOTESTG_AREA_MIC"};
    for (int g = 0; g < 3; ++g) {
        groupTitles_[size_t(g)] =
            new QLabel(LocalizedStringForKey(QString::fromLatin1(kGroupTitles[g])), bulkChangeMenuArea_);
        groupTitles_[size_t(g)]->setObjectName(QString::fromLatin1(kGroupNames[g]) + QStringLiteral("Title"));
        groupLines_[size_t(g)] = new QFrame(bulkChangeMenuArea_);
        groupLines_[size_t(g)]->setObjectName(QString::fromLatin1(kGroupNames[g]) +
                                              QStringLiteral("TitleLine"));
        groupLines_[size_t(g)]->setFrameShape(QFrame::HLine);
    }
    for (int p = 0; p < kPopupCount; ++p) {
        popupLabels_[size_t(p)] =
            new QLabel(LocalizedStringForKey(QString::fromLatin1(kPopups[p].labelKey)), bulkChangeMenuArea_);
        popupLabels_[size_t(p)]->setObjectName(QString::fromLatin1(kPopups[p].name) + QStringLiteral("Lbl"));
        popups_[size_t(p)] = new QComboBox(bulkChangeMenuArea_);
        popups_[size_t(p)]->setObjectName(QString::fromLatin1(kPopups[p].name) + QStringLiteral("List"));
        connect(popups_[size_t(p)], &QComboBox::activated, this, [this] { onStgItemAction(); });
    }
    requestChangeButton_ = new QPushButton(LocalizedString("dfREMOTESTG_CHANGE_BUTTON"), bulkChangeMenuArea_);
    requestChangeButton_->setObjectName(QStringLiteral("requestChangeButton"));
    requestChangeButton_->setGeometry(10, kHeight - 44, 150, 30);
    connect(requestChangeButton_, &QPushButton::clicked, this, [this] { onClickRequestButton(); });

    viewButtons_[size_t(mDispMode)]->setChecked(true);
    updateStgList(mDispMode);
    setBulkChangeMenuAreaItem();
    changeDispBulkChangeMenuArea(mbDispBulkMenuArea);

    mNotificator =
        std::make_unique<RemoteStgNotificatorDispatcher>(RemoteStgNotificator::sharedNotificator());
    mNotificator->setDelegate(this);
}

void W::updateStgList(int dispMode) {
    columnIds_ = columnIdsFor(dispMode, mbDispBulkMenuArea);
    allSettingList_->clear();
    allSettingList_->setColumnCount(int(columnIds_.size()));
    const int tableWidth = allSettingList_->width();
    for (int i = 0; i < columnIds_.size(); ++i) {
        auto* header = new QTableWidgetItem();
        header->setData(Qt::UserRole, columnIds_[i]);
        int width = 20;
        if (const Column* c = findColumn(columnIds_[i])) {
            header->setText(LocalizedStringForKey(QString::fromLatin1(c->titleKey)));
            width = c->width > 0 ? c->width : tableWidth / 6;
        }
        allSettingList_->setHorizontalHeaderItem(i, header);
        allSettingList_->setColumnWidth(i, width);
    }
    reloadData();
}

void W::reloadData() {
    rows_ = mStgInfo ? mStgInfo->settings() : std::vector<RemoteStgUserInfo>{};
    allSettingList_->clearContents();
    allSettingList_->setRowCount(int(rows_.size()));
    for (int row = 0; row < int(rows_.size()); ++row) {
        const RemoteStgUserInfo& e = rows_[size_t(row)];
        const QString id = e.userId();
        const bool mine = myInfo_ && myInfo_->userId() == id;
        const bool selected = mSelectedUserArry.contains(id);
        for (int col = 0; col < columnIds_.size(); ++col) {
            if (columnIds_[col] == kCheck) {
                auto* check = new QCheckBox();
                check->setObjectName(id);
                check->setChecked(selected);
                connect(check, &QCheckBox::clicked, this,
                        [this, id](bool on) { onClickUserCheckBtn(id, on); });
                allSettingList_->setCellWidget(row, col, check);
                continue;
            }
            const std::optional<QString> text = cellText(columnIds_[col], e);
            if (!text) continue;
            auto* item = new QTableWidgetItem(*text);
            if (selected) item->setForeground(QColor(Qt::blue));
            if (mine) item->setBackground(QColor::fromRgbF(1, 1, 0.7f));
            allSettingList_->setItem(row, col, item);
        }
    }
}

void W::setBulkChangeMenuAreaItem() {
    const BulkLayout l = bulkLayoutFor(mAllDlgHideFlg);
    auto place = [](QWidget* w, std::optional<double> d, int x, int width, int height) {
        w->setVisible(d.has_value());
        if (d) w->setGeometry(x, int(kLineFromTop + *d - height), width, height);
    };
    place(groupTitles_[0], l.cameraTitle, 10, 250, 20);
    place(groupLines_[0], l.cameraTitleLine, 10, 260, 2);
    place(groupTitles_[1], l.speakerTitle, 10, 250, 20);
    place(groupLines_[1], l.speakerTitleLine, 10, 260, 2);
    place(groupTitles_[2], l.micTitle, 10, 250, 20);
    place(groupLines_[2], l.micTitleLine, 10, 260, 2);
    for (int p = 0; p < kPopupCount; ++p) {
        QComboBox* popup = popups_[size_t(p)];
        popup->clear();
        popup->addItem(kNoChange);  // a hidden popup holds "no change" alone
        place(popupLabels_[size_t(p)], l.popup[size_t(p)], 20, 110, 24);
        place(popup, l.popup[size_t(p)], 134, 130, 24);
        if (!l.popup[size_t(p)]) continue;
        if (p == FrameRate) {
            if (delegate_) popup->addItems(delegate_->getStrFrameRateList());
        } else if (p == VideoSize) {
            if (delegate_)
                for (const QSize& s : delegate_->getStrVideoSizeList())
                    popup->addItem(StringWithFormat("%d * %d", s.width(), s.height()));
        } else {
            popup->addItems({QStringLiteral("ON"), QStringLiteral("OFF")});
        }
        popup->setCurrentIndex(0);
    }
}

void W::changeDispBulkChangeMenuArea(bool show) {
    dispBulkMenuButton_->setEnabled(false);
    bulkChangeMenuArea_->setVisible(show);
    setFixedSize(show ? kWidthShown : kWidthHidden, kHeight);
    dispBulkMenuButton_->setText(show ? LocalizedString("dfREMOTESTG_ALL_SETTINGS_HIDE_MENU")
                                      : LocalizedString("dfREMOTESTG_ALL_SETTINGS_DISP_MENU"));
    if (!show) mSelectedUserArry.clear();
    updateStgList(mDispMode);
    allUserCheckButton_->setChecked(false);
    dispBulkMenuButton_->setEnabled(true);
    requestChangeButton_->setEnabled(false);
}

void W::updateChangeButton() {
    bool chosen = false;
    for (QComboBox* p : popups_) chosen = chosen || (p->currentIndex() >= 0 && p->currentText() != kNoChange);
    requestChangeButton_->setEnabled(!mSelectedUserArry.isEmpty() && chosen);
}

void W::startUpdateBtnTimer() {
    ++waitGeneration_;
    waiting_ = true;
    const int generation = waitGeneration_;
    mainQueue().after(std::chrono::milliseconds(kWaitMs), this, [this, generation] {
        if (generation != waitGeneration_) return;
        waiting_ = false;
        updateInfoButton_->setEnabled(true);
    });
}

// ---- Actions ----

void W::onSelectItem(int dispMode) {
    for (int i = 0; i < 3; ++i) {
        if (!viewButtons_[size_t(i)]->isChecked()) continue;
        mDispMode = i;
        break;
    }
    (void)dispMode;
    updateStgList(mDispMode);
}

void W::onClickUpdateButton() {
    updateInfoButton_->setEnabled(false);
    if (delegate_) delegate_->sendRemoteStgUpdateReqAll();
    startUpdateBtnTimer();
}

void W::onClickDispBulkMenuButton() {
    mbDispBulkMenuArea = !mbDispBulkMenuArea;
    changeDispBulkChangeMenuArea(mbDispBulkMenuArea);
}

void W::onClickAllUserCheckButton(bool on) {
    allUserCheckButton_->setChecked(on);
    mSelectedUserArry.clear();
    if (on)
        for (const RemoteStgUserInfo& e : rows_) mSelectedUserArry << e.userId();
    reloadData();
    updateChangeButton();
}

void W::onClickUserCheckBtn(const QString& userId, bool on) {
    if (mStgInfo && mStgInfo->getUserInfo(userId)) {
        if (on && !mSelectedUserArry.contains(userId)) mSelectedUserArry << userId;
        if (!on) mSelectedUserArry.removeAll(userId);
        reloadData();
    }
    updateChangeButton();
}

void W::onStgItemAction() {
    updateChangeButton();
}

void W::onClickRequestButton() {
    RemoteStgItems items;
    for (int p = 0; p < kPopupCount; ++p) {
        QComboBox* popup = popups_[size_t(p)];
        if (mAllDlgHideFlg.*kPopups[p].hide) continue;  // hidden popups are never touched
        const QString chosen = popup->currentText();
        if (popup->currentIndex() < 0 || chosen == kNoChange) continue;
        const QString key = QString::fromLatin1(kPopups[p].key);
        if (p == FrameRate) {
            items.emplace_back(key, chosen);
        } else if (p == VideoSize) {
            const QStringList pieces = chosen.trimmed().split(u'*');
            items.emplace_back(
                key, StringWithFormat("%d*%d", IntValue(pieces.value(0)), IntValue(pieces.value(1))));
        } else {
            items.emplace_back(key,
                               chosen == QStringLiteral("ON") ? QStringLiteral("1") : QStringLiteral("0"));
        }
        popup->setCurrentIndex(0);
    }
    if (!items.empty() && !mSelectedUserArry.isEmpty() && delegate_)
        delegate_->sendRemoteStgChangeReqAll(mSelectedUserArry, items);
    updateInfoButton_->setEnabled(false);
    startUpdateBtnTimer();
    requestChangeButton_->setEnabled(false);
    allUserCheckButton_->setChecked(false);
    mSelectedUserArry.clear();
    reloadData();
}

void W::onStgListDoubleClick(int row) {
    if (row < 0 || row >= int(rows_.size())) return;
    if (delegate_) delegate_->showRemoteStgOneWindow(rows_[size_t(row)].userInfo);
}

// ---- Notices ----

void W::didChangeUserInfo(const QString&, const RemoteStgUserInfo&) {
    reloadData();
}

void W::didChangeRemoteStgInfo(RemoteStgInfo*) {
    reloadData();
}

void W::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        if (mNotificator) mNotificator->setDelegate(nullptr);
        mNotificator.reset();
        if (delegate_) delegate_->onCloseRemoteStgAllWindow(this);
    }
    QWidget::closeEvent(event);
}

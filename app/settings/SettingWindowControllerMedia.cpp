// The audio and video pages of the settings window.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "media/CameraSettings.h"
#include "platform/Localization.h"
#include "platform/StringFormat.h"
#include "platform/UserDefaults.h"
#include "services/DataSaveManager.h"
#include "services/LogMessage.h"
#include "settings/SettingWindowController.h"

namespace {

constexpr int kDirection = CAMERA_DIRECTION_BACK;
constexpr QSize kBgImageSize(96, 54);

const char* const kNoiseReductionMenu[] = {
    "dfSETTINGS_NOISE_REDUCTION_MODE_OFF", "dfSETTINGS_NOISE_REDUCTION_MODE_50",
    "dfSETTINGS_NOISE_REDUCTION_MODE_75",  "dfSETTINGS_NOISE_REDUCTION_MODE_100",
    "dfSETTINGS_NOISE_REDUCTION_MODE_150", "dfSETTINGS_NOISE_REDUCTION_MODE_200",
    "dfSETTINGS_NOISE_REDUCTION_MODE_250"};

QComboBox* makeList(const QString& name, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(24);
    return list;
}

QLabel* label(const char* key, const QString& name, QWidget* parent) {
    auto* l = new QLabel(LocalizedStringForKey(QString::fromLatin1(key)), parent);
    l->setObjectName(name);
    return l;
}

}  // namespace

// ---- Audio ----

QWidget* SettingWindowController::makeAudioPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionAudio"));
    auto* form = new QFormLayout(page);
    micDeviceList_ = makeList("micDeviceList", page);
    speakerDeviceList_ = makeList("speakerDeviceList", page);
    echoCancellationList_ = makeList("echoCancellationList", page);
    noiseReductionList_ = makeList("noiseReductionList", page);
    defaultMicOffCheckBox_ = new QCheckBox(LocalizedString("dfSETTINGWINDOW_MIC_OFF_AT_START"), page);
    defaultMicOffCheckBox_->setObjectName(QStringLiteral("defaultMicOffCheckBox"));
    defaultSpkOffCheckBox_ = new QCheckBox(LocalizedString("dfSETTINGWINDOW_SPK_OFF_AT_START"), page);
    defaultSpkOffCheckBox_->setObjectName(QStringLiteral("defaultSpkOffCheckBox"));
    form->addRow(label("dfSETTINGWINDOW_MICROPHONE", "micLabel", page), micDeviceList_);
    form->addRow(QString(), defaultMicOffCheckBox_);
    form->addRow(label("dfSETTINGWINDOW_SPEAKER", "speakerLabel", page), speakerDeviceList_);
    form->addRow(QString(), defaultSpkOffCheckBox_);
    form->addRow(label("dfSETTINGWINDOW_ECHO_CANCEL", "echoCancelLabel", page), echoCancellationList_);
    form->addRow(label("dfSETTINGWINDOW_NOISE_REDUCTION", "noiseReductionLabel", page), noiseReductionList_);

    connect(micDeviceList_, &QComboBox::activated, this, [this](int index) {
        selectedMicDevice_ = micDeviceList_->itemData(index, Qt::UserRole + 1).toInt();
        edit_.micDevice = true;
        edited();
    });
    connect(speakerDeviceList_, &QComboBox::activated, this, [this](int index) {
        selectedSpeakerDevice_ = speakerDeviceList_->itemData(index, Qt::UserRole + 1).toInt();
        edit_.speakerDevice = true;
        edited();
    });
    connect(defaultMicOffCheckBox_, &QCheckBox::clicked, this, [this] {
        edit_.defMicOff = true;
        edited();
    });
    connect(defaultSpkOffCheckBox_, &QCheckBox::clicked, this, [this] {
        edit_.defSpkOff = true;
        edited();
    });
    connect(echoCancellationList_, &QComboBox::activated, this, [this](int index) {
        selectedEchoCancelMenu_ = echoCancellationList_->itemData(index).toInt();
        edit_.echoCancel = true;
        edited();
    });
    connect(noiseReductionList_, &QComboBox::activated, this, [this](int index) {
        selectedNoiceReductionMenu_ = noiseReductionList_->itemData(index).toInt();
        edit_.noiseReduction = true;
        edited();
    });
    return page;
}

void SettingWindowController::rebuildDeviceList(QComboBox* list, const AudioDeviceInfoList& devices,
                                                int selected) {
    const QSignalBlocker block(list);
    list->clear();
    for (int i = 0; i < devices.size(); ++i) {
        list->addItem(devices[i].deviceName, devices[i].deviceUid);
        list->setItemData(i, i, Qt::UserRole + 1);  // the tag
    }
    if (selected >= 0 && selected < list->count()) list->setCurrentIndex(selected);
}

void SettingWindowController::setupAudioPage() {
    rebuildDeviceList(micDeviceList_, micDevices_, selectedMicDevice_);
    rebuildDeviceList(speakerDeviceList_, speakerDevices_, selectedSpeakerDevice_);
    defaultMicOffCheckBox_->setChecked(DataSaveManager::loadMicOffAtStart());
    defaultSpkOffCheckBox_->setChecked(DataSaveManager::loadSpeakerOffAtStart());
    selectedEchoCancelMenu_ = DataSaveManager::loadEchoCancelChoice();
    echoCancellationList_->addItem(LocalizedString("dfSETTINGS_ECHO_CANCEL_MODE_OFF"), 0);
    echoCancellationList_->addItem(LocalizedString("dfSETTINGS_ECHO_CANCEL_MODE_AUTO"), 1);
    echoCancellationList_->setCurrentIndex(selectedEchoCancelMenu_);
    int tag = 0;
    for (const char* key : kNoiseReductionMenu) noiseReductionList_->addItem(LocalizedStringForKey(QString::fromLatin1(key)), tag++);
    noiseReductionList_->setCurrentIndex(0);
}

bool SettingWindowController::saveAudio() {
    if (!(edit_.micDevice || edit_.speakerDevice || edit_.defMicOff || edit_.defSpkOff || edit_.echoCancel ||
          edit_.noiseReduction)) {
        return true;
    }
    bool written = true;
    std::optional<AudioDeviceInfo> mic, speaker;
    if (!micDevices_.isEmpty() && edit_.micDevice && selectedMicDevice_ >= 0 &&
        selectedMicDevice_ < micDevices_.size()) {
        mic = micDevices_[selectedMicDevice_];
        log(StringWithFormat(kLogMsgSettingChangeAudioInput, mic->deviceName));
        written &= DataSaveManager::saveAudioDevice(false, mic->deviceUid);
    }
    if (!speakerDevices_.isEmpty() && edit_.speakerDevice && selectedSpeakerDevice_ >= 0 &&
        selectedSpeakerDevice_ < speakerDevices_.size()) {
        speaker = speakerDevices_[selectedSpeakerDevice_];
        log(StringWithFormat(kLogMsgSettingChangeAudioOutput, speaker->deviceName));
        written &= DataSaveManager::saveAudioDevice(true, speaker->deviceUid);
    }
    if (edit_.defMicOff) {
        const bool off = defaultMicOffCheckBox_->isChecked();
        written &= DataSaveManager::saveMicOffAtStart(off);
        log(StringWithFormat(kLogMsgSettingMicAtStartup, QStringLiteral("%1").arg(off ? "OFF" : "ON")));
    }
    if (edit_.defSpkOff) {
        const bool off = defaultSpkOffCheckBox_->isChecked();
        written &= DataSaveManager::saveSpeakerOffAtStart(off);
        log(StringWithFormat(kLogMsgSettingSpkAtStartup, QStringLiteral("%1").arg(off ? "OFF" : "ON")));
    }
    if (edit_.echoCancel) written &= DataSaveManager::saveAudioEchoCancelMode(selectedEchoCancelMenu_);
    written &= UserDefaults::standard().synchronize();
    if (delegate_)
        delegate_->changeAudioSettings(mic, speaker, selectedEchoCancelMenu_, selectedNoiceReductionMenu_);
    if (!written) return false;
    edit_.micDevice = edit_.speakerDevice = edit_.defMicOff = edit_.defSpkOff = edit_.echoCancel =
        edit_.noiseReduction = false;
    return true;
}

void SettingWindowController::didChangeInputDeviceList(AudioDeviceNotificatorDispatcher*,
                                                       const AudioDeviceInfoList& list, int selectedIdx) {
    micDevices_ = list;
    rebuildDeviceList(micDeviceList_, micDevices_, selectedIdx);
    selectedMicDevice_ = selectedIdx;
}

void SettingWindowController::didChangeOutputDeviceList(AudioDeviceNotificatorDispatcher*,
                                                        const AudioDeviceInfoList& list, int selectedIdx) {
    speakerDevices_ = list;
    rebuildDeviceList(speakerDeviceList_, speakerDevices_, selectedIdx);
    selectedSpeakerDevice_ = selectedIdx;
}

void SettingWindowController::didChangeCurrentInputDevice(AudioDeviceNotificatorDispatcher*,
                                                          const AudioDeviceInfo& device) {
    const int index = micDeviceList_->findText(device.deviceName);
    if (index < 0) return;
    micDeviceList_->setCurrentIndex(index);
    selectedMicDevice_ = micDeviceList_->itemData(index, Qt::UserRole + 1).toInt();
}

void SettingWindowController::didChangeCurrentOutputDevice(AudioDeviceNotificatorDispatcher*,
                                                           const AudioDeviceInfo& device) {
    const int index = speakerDeviceList_->findText(device.deviceName);
    if (index < 0) return;
    speakerDeviceList_->setCurrentIndex(index);
    selectedSpeakerDevice_ = speakerDeviceList_->itemData(index, Qt::UserRole + 1).toInt();
}

void SettingWindowController::didChangeEchoCancelMode(AudioDeviceNotificatorDispatcher*, std::int64_t mode) {
    const int index = echoCancellationList_->findData(int(mode));
    if (index < 0) return;
    echoCancellationList_->setCurrentIndex(index);
    selectedEchoCancelMenu_ = int(mode);
}

// ---- Video ----

QWidget* SettingWindowController::makeVideoPage() {
    auto* page = new QWidget();
    page->setObjectName(QStringLiteral("sectionVideo"));
    auto* layout = new QVBoxLayout(page);
    auto* cameraRow = new QHBoxLayout();
    cameraRow->addWidget(label("dfSETTINGWINDOW_CAMERA", "cameraLabel", page));
    cameraDeviceList_ = makeList("cameraDeviceList", page);
    cameraRow->addWidget(cameraDeviceList_, 1);
    layout->addLayout(cameraRow);
    defaultCamOffCheckBox_ = new QCheckBox(LocalizedString("dfSETTINGWINDOW_CAM_OFF_AT_START"), page);
    defaultCamOffCheckBox_->setObjectName(QStringLiteral("defaultCamOffCheckBox"));
    layout->addWidget(defaultCamOffCheckBox_);

    auto* areas = new QHBoxLayout();
    auto* rateBox = new QVBoxLayout();
    rateBox->addWidget(label("dfSETTINGWINDOW_FRAME_RATE", "frameRateLabel", page));
    frameRateArea_ = new QWidget(page);
    frameRateArea_->setObjectName(QStringLiteral("frameRateArea"));
    rateBox->addWidget(frameRateArea_);
    rateBox->addStretch(1);
    auto* sizeBox = new QVBoxLayout();
    sizeBox->addWidget(label("dfSETTINGWINDOW_VIDEO_SIZE", "videoSizeLabel", page));
    videoSizeArea_ = new QWidget(page);
    videoSizeArea_->setObjectName(QStringLiteral("videoSizeArea"));
    sizeBox->addWidget(videoSizeArea_);
    sizeBox->addStretch(1);
    areas->addLayout(rateBox, 1);
    areas->addLayout(sizeBox, 2);
    layout->addLayout(areas);

    informationArea_ = new QLabel(page);
    informationArea_->setObjectName(QStringLiteral("informationArea"));
    informationArea_->setWordWrap(true);
    layout->addWidget(informationArea_);

    auto* bgRow = new QHBoxLayout();
    bgSettingLbl_ = label("dfSETTINGWINDOW_BACKGROUND", "bgSettingLbl", page);
    bgNoneBtn_ = new QRadioButton(LocalizedString("dfSETTINGWINDOW_BG_NONE"), page);
    bgNoneBtn_->setObjectName(QStringLiteral("bgNoneBtn"));
    bgBlurBtn_ = new QRadioButton(LocalizedString("dfBG_BLUR"), page);
    bgBlurBtn_->setObjectName(QStringLiteral("bgBlurBtn"));
    bgCustomBtn_ = new QRadioButton(LocalizedString("dfSETTINGWINDOW_BG_CUSTOM"), page);
    bgCustomBtn_->setObjectName(QStringLiteral("bgCustomBtn"));
    bgGroup_ = new QButtonGroup(page);
    bgGroup_->addButton(bgNoneBtn_, 0);
    bgGroup_->addButton(bgBlurBtn_, 1);
    bgGroup_->addButton(bgCustomBtn_, 2);
    bgImgSelectBtn_ = new QPushButton(page);
    bgImgSelectBtn_->setObjectName(QStringLiteral("bgImgSelectBtn"));
    bgImgSelectBtn_->setFixedSize(kBgImageSize + QSize(8, 8));
    bgImgSelectBtn_->setIconSize(kBgImageSize);
    bgImgDelBtn_ = new QPushButton(QStringLiteral("×"), page);
    bgImgDelBtn_->setObjectName(QStringLiteral("bgImgDelBtn"));
    bgImgDelBtn_->setFixedWidth(28);
    bgRow->addWidget(bgSettingLbl_);
    bgRow->addWidget(bgNoneBtn_);
    bgRow->addWidget(bgBlurBtn_);
    bgRow->addWidget(bgCustomBtn_);
    bgRow->addWidget(bgImgSelectBtn_);
    bgRow->addWidget(bgImgDelBtn_);
    bgRow->addStretch(1);
    layout->addLayout(bgRow);
    layout->addStretch(1);

    connect(cameraDeviceList_, &QComboBox::activated, this, [this](int index) {
        selectedCameraDevice_ = index;
        edit_.cameraDevice = true;
        edited();
    });
    connect(defaultCamOffCheckBox_, &QCheckBox::clicked, this, [this] {
        edit_.defCamOff = true;
        edited();
    });
    connect(bgGroup_, &QButtonGroup::idClicked, this, [this] {
        edit_.videoBg = true;
        edited();
    });
    connect(bgImgSelectBtn_, &QPushButton::clicked, this, [this] {
        if (!delegate_) return;
        QPointer<SettingWindowController> self(this);
        delegate_->selectedCustomImgData([self](const QByteArray& data) {
            if (self) self->onBgCustomImgData(data);
        });
    });
    connect(bgImgDelBtn_, &QPushButton::clicked, this, [this] {
        selectedCustomImgData_.reset();
        showBgImage(std::nullopt);
        edit_.videoBg = true;
        edited();
    });
    return page;
}

void SettingWindowController::rebuildCameraList(const QStringList& names, int selected) {
    const QSignalBlocker block(cameraDeviceList_);
    cameraDeviceList_->clear();
    cameraDeviceList_->addItems(names);
    if (selected >= 0 && selected < names.size()) cameraDeviceList_->setCurrentIndex(selected);
}

void SettingWindowController::makeRadioButtons() {
    delete frameRateGroup_;
    delete videoSizeGroup_;
    qDeleteAll(frameRateArea_->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly));
    qDeleteAll(videoSizeArea_->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly));
    delete frameRateArea_->layout();
    delete videoSizeArea_->layout();
    frameRateGroup_ = new QButtonGroup(frameRateArea_);
    videoSizeGroup_ = new QButtonGroup(videoSizeArea_);

    auto* rates = new QVBoxLayout(frameRateArea_);
    rates->setSpacing(0);
    const int currentRate = CameraSettings::getCurrentFrameRatePos(kDirection);
    for (int i = 0; i < CameraSettings::getFrameRateCount(); ++i) {
        auto* radio =
            new QRadioButton(StringWithFormat("%d ", CameraSettings::getFrameRateAt(i)), frameRateArea_);
        radio->setObjectName(QStringLiteral("frameRate%1").arg(i));
        radio->setChecked(i == currentRate);
        frameRateGroup_->addButton(radio, i);
        rates->addWidget(radio);
        if (i == currentRate) selectedFrameRate_ = i;
    }
    // The first five sizes on the left, the others on the right; above 640 x 480 only in HD mode.
    auto* sizes = new QGridLayout(videoSizeArea_);
    sizes->setVerticalSpacing(0);
    const int currentSize = CameraSettings::getCurrentResolutionPos(kDirection);
    for (int i = 0; i < CameraSettings::getResolutionCount(kDirection); ++i) {
        auto* radio = new QRadioButton(StringWithFormat("%dx%d", CameraSettings::getWidthAt(kDirection, i),
                                                        CameraSettings::getHeightAt(kDirection, i)),
                                       videoSizeArea_);
        radio->setObjectName(QStringLiteral("videoSize%1").arg(i));
        radio->setChecked(i == currentSize);
        radio->setEnabled(params_.isHDMode || i <= 4);
        videoSizeGroup_->addButton(radio, i);
        sizes->addWidget(radio, i < 5 ? i : i - 5, i < 5 ? 0 : 1);
        if (i == currentSize) selectedVideoSize_ = i;
    }
    connect(frameRateGroup_, &QButtonGroup::idClicked, this, [this](int id) {
        selectedFrameRate_ = id;
        edit_.frameRate = true;
        edited();
    });
    connect(videoSizeGroup_, &QButtonGroup::idClicked, this, [this](int id) {
        selectedVideoSize_ = id;
        edit_.videoSize = true;
        setVideoSizeInfoMessage();
        edited();
    });
}

void SettingWindowController::setupVideoPage() {
    cameraDevices_ = params_.cameraList();
    const QString stored =
        UserDefaults::standard().stringForKey(QStringLiteral("KeySelectedDeviceID")).value_or(QString());
    QStringList names;
    selectedCameraDevice_ = 0;
    for (int i = 0; i < cameraDevices_.size(); ++i) {
        names << cameraDevices_[i].localizedName;
        if (cameraDevices_[i].uniqueID == stored) selectedCameraDevice_ = i;
    }
    rebuildCameraList(names, selectedCameraDevice_);
    makeRadioButtons();
    setVideoSizeInfoMessage();
    defaultCamOffCheckBox_->setChecked(DataSaveManager::loadCameraOffAtStart());

    const bool showBg = params_.isBgBlur;
    for (QWidget* w : std::initializer_list<QWidget*>{bgSettingLbl_, bgNoneBtn_, bgBlurBtn_, bgCustomBtn_,
                                                      bgImgSelectBtn_, bgImgDelBtn_}) {
        w->setVisible(showBg);
    }
    if (!showBg) return;
    bgImgSelectBtn_->setToolTip(LocalizedString("dfBG_BLUR_SELECT_IMG"));
    bgImgDelBtn_->setToolTip(LocalizedString("dfBG_BLUR_SELECT_IMG_DEL"));
    bgGroup_->button(DataSaveManager::loadCameraBgMode())->setChecked(true);
    selectedCustomImgData_ = DataSaveManager::loadCameraBgCustomImgData();
    showBgImage(selectedCustomImgData_);
}

void SettingWindowController::showBgImage(const std::optional<QByteArray>& data) {
    QPixmap picture;
    if (data && picture.loadFromData(*data)) {
        bgImgSelectBtn_->setIcon(
            QIcon(picture.scaled(kBgImageSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        bgImgSelectBtn_->setText(QString());
    } else {
        bgImgSelectBtn_->setIcon(QIcon());
        bgImgSelectBtn_->setText(QStringLiteral("+"));  // "add an image"
    }
    const bool withImage = data.has_value();
    bgImgDelBtn_->setVisible(withImage && params_.isBgBlur);
    bgImgDelBtn_->setEnabled(withImage);
}

void SettingWindowController::onBgCustomImgData(const QByteArray& data) {
    if (data.isEmpty()) return;
    selectedCustomImgData_ = data;
    showBgImage(selectedCustomImgData_);
    edit_.videoBg = true;
    edited();
}

void SettingWindowController::setVideoSizeInfoMessage() {
    if (params_.isBgBlur) {
        informationArea_->hide();  // the background choices take its place
        return;
    }
    const QString first = LocalizedString("dfVIDEOSETSTRING").toHtmlEscaped();
    const QString second = CameraSettings::isLimited()
                               ? LocalizedString("dfSETTINGVIEW_VIDEO_LIMITED").toHtmlEscaped()
                               : QString();
    QString html;
    if (selectedVideoSize_ < 4) {
        html = QStringLiteral("<br>%1<br>%2").arg(first, second);
    } else {
        html =
            QStringLiteral("%1<br>%2<br><span style=\"color:#ff0000\">%3</span>")
                .arg(first, second, LocalizedString("dfSETTINGVIEW_MESSAGE_ON_SELECTING_HD").toHtmlEscaped());
    }
    informationArea_->setTextFormat(Qt::RichText);
    informationArea_->setText(html);
}

bool SettingWindowController::saveVideo() {
    if (!(edit_.cameraDevice || edit_.frameRate || edit_.videoSize || edit_.defCamOff || edit_.videoBg))
        return true;
    bool written = true;
    QSize size(-1, -1);
    if (edit_.videoSize && selectedVideoSize_ >= 0) {
        size = QSize(CameraSettings::getWidthAt(kDirection, selectedVideoSize_),
                     CameraSettings::getHeightAt(kDirection, selectedVideoSize_));
        if (size.width() != CameraSettings::getWidth(kDirection) ||
            size.height() != CameraSettings::getHeight(kDirection)) {
            CameraSettings::setWidth(kDirection, size.width());
            CameraSettings::setHeight(kDirection, size.height());
            log(StringWithFormat(kLogMsgSettingChangeVideoSize, size.width(), size.height()));
        }
    }
    int rate = -1;
    if (edit_.frameRate && selectedFrameRate_ >= 0) {
        rate = CameraSettings::getFrameRateAt(selectedFrameRate_);
        if (rate != CameraSettings::getFrameRate(kDirection)) {
            CameraSettings::setFrameRate(kDirection, rate);
            log(StringWithFormat(kLogMsgSettingChangeFrameRate, rate));
        }
    }
    std::optional<CaptureDevice> camera;
    if (edit_.cameraDevice && selectedCameraDevice_ >= 0 && selectedCameraDevice_ < cameraDevices_.size()) {
        camera = cameraDevices_[selectedCameraDevice_];
        log(StringWithFormat(kLogMsgSettingChangeCamera, camera->localizedName));
    }
    if (edit_.defCamOff) {
        const bool off = defaultCamOffCheckBox_->isChecked();
        written &= DataSaveManager::saveCameraOffAtStart(off);
        log(StringWithFormat(kLogMsgSettingCamAtStartup, QStringLiteral("%1").arg(off ? "OFF" : "ON")));
    }
    if (delegate_) delegate_->changeVideoSettings(size, rate, camera);
    if (edit_.videoBg) {
        int mode = bgGroup_->checkedId();
        if (mode < 0) mode = 0;
        written &= DataSaveManager::saveCameraBgCustomImgData(selectedCustomImgData_);
        if (!selectedCustomImgData_ && mode == 2) {
            bgNoneBtn_->setChecked(true);
            mode = 0;
        }
        if (delegate_) delegate_->changeVideoBg(mode, selectedCustomImgData_);
    }
    if (!written) return false;
    edit_.cameraDevice = edit_.frameRate = edit_.videoSize = edit_.defCamOff = edit_.videoBg = false;
    return true;
}

void SettingWindowController::didChangeCamDevice(SettingNotificatorDispatcher*, const QString&,
                                                 const QStringList& allDevice, int index) {
    // The names come from the camera list; the devices themselves are read again in that order.
    const QVector<CaptureDevice> devices = params_.cameraList();
    cameraDevices_.clear();
    for (const QString& name : allDevice) {
        for (const CaptureDevice& d : devices) {
            if (d.localizedName == name) {
                cameraDevices_ << d;
                break;
            }
        }
    }
    rebuildCameraList(allDevice, index);
    selectedCameraDevice_ = index;
}

void SettingWindowController::didChangeResolution(SettingNotificatorDispatcher*, const QSizeF&) {
    const int current = CameraSettings::getCurrentResolutionPos(kDirection);
    for (QAbstractButton* b : videoSizeGroup_->buttons()) {
        b->setChecked(videoSizeGroup_->id(b) == current);
    }
    if (current < 0 && videoSizeGroup_->checkedButton()) {
        videoSizeGroup_->setExclusive(false);
        videoSizeGroup_->checkedButton()->setChecked(false);
        videoSizeGroup_->setExclusive(true);
    }
    selectedVideoSize_ = current;
    setVideoSizeInfoMessage();
}

void SettingWindowController::didChangeFps(SettingNotificatorDispatcher*, int) {
    const int current = CameraSettings::getCurrentFrameRatePos(kDirection);
    for (QAbstractButton* b : frameRateGroup_->buttons()) {
        b->setChecked(frameRateGroup_->id(b) == current);
    }
    selectedFrameRate_ = current;
}
